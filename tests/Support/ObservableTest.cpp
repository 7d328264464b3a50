#include "Support/Observable.h"

#include <gtest/gtest.h>

#include "State/DisplayMode.h"
#include "Support/Alive.h"

namespace vesperine {
namespace {

TEST(Observable, NotifiesOnlyOnChangeByTheTypesEquality) {
    Observable<DisplayMode> mode;
    std::vector<DisplayMode> seen;
    auto subscription = mode.observe([&](const DisplayMode& m) { seen.push_back(m); });
    EXPECT_FALSE(mode.set(DisplayMode::off()));  // equal to the initial value
    EXPECT_TRUE(mode.set(DisplayMode::warm(3400)));
    EXPECT_FALSE(mode.set(DisplayMode::warm(3400)));
    EXPECT_TRUE(mode.set(DisplayMode::warm(3400.0001)));
    EXPECT_EQ(seen, (std::vector{DisplayMode::warm(3400), DisplayMode::warm(3400.0001)}));

    subscription.reset();
    mode.set(DisplayMode::red(1));
    EXPECT_EQ(seen.size(), 2u);
}

TEST(Observable, ObserversMayUnsubscribeWhileBeingToldAndOutliveTheValue) {
    Subscription second;
    int firstCalls = 0, secondCalls = 0;
    {
        Observable<int> value;
        auto first = value.observe([&](int) {
            ++firstCalls;
            second.reset();
        });
        second = value.observe([&](int) { ++secondCalls; });
        value.set(1);  // the snapshot still tells the second one this time
        value.set(2);
        EXPECT_EQ(firstCalls, 2);
        EXPECT_EQ(secondCalls, 1);
        second = value.observe([](int) {});
    }
    second.reset();  // the observable is gone: must not touch it
}

TEST(Alive, GuardedCallbacksDoNothingOnceTheOwnerIsGone) {
    int calls = 0;
    std::function<void()> callback;
    {
        Alive alive;
        callback = alive.guard([&] { ++calls; });
        callback();
    }
    callback();
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vesperine
