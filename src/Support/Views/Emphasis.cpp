#include "Support/Views/Emphasis.h"

#include <QStringList>

namespace vesperine::Emphasis {

QString html(const QString& text) {
    const QStringList parts = text.split(QStringLiteral("**"));
    QString result;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool bold = i % 2 == 1 && i + 1 < parts.size();  // odd parts have a partner after
        if (i % 2 == 1 && !bold) result += QStringLiteral("**");
        result += bold ? QStringLiteral("<b>%1</b>").arg(parts[i].toHtmlEscaped())
                       : parts[i].toHtmlEscaped();
    }
    return result;
}

}  // namespace vesperine::Emphasis
