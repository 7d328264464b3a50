#include "Support/Views/ObservableWatch.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

namespace vesperine {
namespace {

// A view is told of changes only (not of equal assignments), and nothing is left subscribed
// once it is gone, so a closed window costs nothing.
TEST(ObservableWatch, AViewHearsChangesOnlyWhileItLives) {
    Observable<int> value(1);
    int refreshes = 0;
    auto view = std::make_unique<QWidget>();
    watch(value, view.get(), [&] { ++refreshes; });
    EXPECT_EQ(refreshes, 1);  // drawn once at once
    value.set(1);
    value.set(2);
    EXPECT_EQ(refreshes, 2);
    view.reset();
    value.set(3);
    EXPECT_EQ(refreshes, 2);
}

}  // namespace
}  // namespace vesperine
