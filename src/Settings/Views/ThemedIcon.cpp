#include "Settings/Views/ThemedIcon.h"

#include <QApplication>

namespace vesperine {

QIcon themedIcon(const char* name, QStyle::StandardPixmap fallback) {
    const QString themed = QString::fromLatin1(name);
    if (QIcon::hasThemeIcon(themed)) return QIcon::fromTheme(themed);
    if (fallback != QStyle::SP_CustomBase) return QApplication::style()->standardIcon(fallback);
    return {};
}

}  // namespace vesperine
