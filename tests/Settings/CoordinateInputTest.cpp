#include "Settings/CoordinateInput.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

using CoordinateInput::Axis;
using CoordinateInput::Problem;

TEST(CoordinateInput, ReadsWhatPeopleTypeAndOnlyFiniteNumbersInRange) {
    struct Case {
        std::string text;
        Axis axis;
        Problem problem;
        double value = 0;
    } cases[] = {
        {"52.52", Axis::latitude, Problem::none, 52.52},
        {"+90", Axis::latitude, Problem::none, 90},
        {"  -33,8688\t", Axis::latitude, Problem::none, -33.8688},
        {"\u2212" "12.5", Axis::longitude, Problem::none, -12.5},
        {"-180", Axis::longitude, Problem::none, -180},
        {"13.4° W", Axis::longitude, Problem::none, -13.4},
        {"52.5s", Axis::latitude, Problem::none, -52.5},
        {".5", Axis::latitude, Problem::none, 0.5},
        {"", Axis::latitude, Problem::empty},
        {"nan", Axis::latitude, Problem::notANumber},
        {"-infinity", Axis::longitude, Problem::notANumber},
        {"1e999", Axis::latitude, Problem::notANumber},
        {"1e1", Axis::latitude, Problem::notANumber},
        {"0x10", Axis::latitude, Problem::notANumber},
        {"1.2.3", Axis::latitude, Problem::notANumber},
        {"12 E", Axis::latitude, Problem::notANumber},  // a longitude's letter
        {"90.0001", Axis::latitude, Problem::outOfRange},
        {"-180.5", Axis::longitude, Problem::outOfRange},
        {"1" + std::string(400, '0'), Axis::latitude, Problem::outOfRange},
        {"0." + std::string(10'000, '0') + "1", Axis::longitude, Problem::none, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const auto reading = CoordinateInput::read(c.text, c.axis);
        EXPECT_EQ(reading.problem, c.problem);
        if (c.problem == Problem::none) {
            EXPECT_DOUBLE_EQ(reading.value, c.value);
        }
    }
}

// Both hemispheres are the location tab's test; rounding happens before the side is named.
TEST(CoordinateInput, DescribesWithHemispheres) {
    EXPECT_EQ(CoordinateInput::describe(-33.86882, -0.00001), "33.8688° S, 0° E");
}

}  // namespace
}  // namespace vesperine
