#pragma once

#include <QString>

namespace vesperine::Emphasis {

// Rich text for a label from text that marks bold words with "**" ("**Bright** boosts"):
// everything else escaped, so the text cannot inject markup; a "**" without its partner stays
// as it is.
QString html(const QString& text);

}  // namespace vesperine::Emphasis
