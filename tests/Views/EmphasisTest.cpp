#include "Support/Views/Emphasis.h"

#include <gtest/gtest.h>

namespace vesperine {
namespace {

TEST(Emphasis, MarkedWordsTurnBoldAndNothingElseBecomesMarkup) {
    const struct {
        const char* text;
        const char* html;
    } cases[] = {
        {"**Bright** boosts", "<b>Bright</b> boosts"},
        {"a **b** c **d**", "a <b>b</b> c <b>d</b>"},
        {"Ctrl+Alt+0 **", "Ctrl+Alt+0 **"},  // no partner: as written
        {"**a** and ** alone", "<b>a</b> and ** alone"},
        {"<i>not</i> & **<b>**", "&lt;i&gt;not&lt;/i&gt; &amp; <b>&lt;b&gt;</b>"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Emphasis::html(c.text).toStdString(), c.html) << c.text;
}

}  // namespace
}  // namespace vesperine
