#include "Support/Views/Icons.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPalette>
#include <QPixmap>

// Outside any namespace, as Qt's resource macro requires: the icons live in a static library,
// whose resource initialiser the linker would otherwise leave out.
static void loadIconResources() { Q_INIT_RESOURCE(icons); }

namespace vesperine::Icons {

namespace {

void ensureResources() {
    static const bool loaded = (loadIconResources(), true);
    (void)loaded;
}

}  // namespace

QIcon fallback(const QString& themeName) {
    ensureResources();
    QFile file(":/icons/fallback/" + themeName + ".svg");
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray svg = file.readAll();
    const QColor ink = QApplication::palette().color(QPalette::WindowText);
    svg.replace("currentColor", ink.name().toLatin1());
    QIcon icon;
    // The sizes styles ask for, also at twice the pixels for HiDPI screens.
    for (int size : {16, 22, 24, 32, 48, 64, 96, 128}) {
        QBuffer buffer(&svg);
        QImageReader reader(&buffer, "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) return {};  // no SVG support: no icon rather than a broken one
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

QIcon named(const QString& themeName) {
    if (QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
    return fallback(themeName);
}

QIcon app() {
    ensureResources();
    return QIcon::fromTheme("com.brevan.vesperine", QIcon(":/icons/com.brevan.vesperine.svg"));
}

}  // namespace vesperine::Icons
