// Renders every scene to PNG: vesperine_screenshots OUTPUT-FOLDER [NAME-FILTER]. Each scene
// is drawn in the light and the dark palette, at the scale Qt runs with (QT_SCALE_FACTOR),
// as "<scene>-<light|dark>@<scale>x.png". Runs on the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QPalette>
#include <QPixmap>
#include <QStyle>
#include <QStyleFactory>
#include <cstdio>

#include "Scenes.h"

namespace {

QPalette darkPalette() {
    QPalette dark;
    const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe8, 0xe8, 0xe8);
    dark.setColor(QPalette::Window, window);
    dark.setColor(QPalette::WindowText, text);
    dark.setColor(QPalette::Base, base);
    dark.setColor(QPalette::AlternateBase, window);
    dark.setColor(QPalette::Text, text);
    dark.setColor(QPalette::Button, window);
    dark.setColor(QPalette::ButtonText, text);
    dark.setColor(QPalette::ToolTipBase, base);
    dark.setColor(QPalette::ToolTipText, text);
    dark.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    dark.setColor(QPalette::Highlight, QColor(0x35, 0x84, 0xe4));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(0x78, 0xae, 0xed));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7a, 0x7a, 0x7a));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x7a, 0x7a, 0x7a));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x7a, 0x7a, 0x7a));
    return dark;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vesperine;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER [NAME-FILTER]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString filter = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDir().mkpath(folder);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    const QPalette light = QApplication::style()->standardPalette();
    const int scale = qRound(app.devicePixelRatio());

    Scenes scenes;
    for (auto add : Scenes::enrolled()) add(scenes);
    int rendered = 0;
    for (const auto& scene : scenes.all()) {
        const QString name = QString::fromStdString(scene.name);
        if (!filter.isEmpty() && !name.contains(filter)) continue;
        for (const auto& [theme, palette] : {std::pair{"light", light}, std::pair{"dark", darkPalette()}}) {
            QApplication::setPalette(palette);
            ViewWorld world;
            auto widget = scene.make(world);
            if (!widget) continue;
            widget->show();  // lays it out as a window would be
            QApplication::processEvents();
            const QString file = QString("%1/%2-%3@%4x.png").arg(folder, name, theme).arg(scale);
            if (!widget->grab().save(file)) {
                std::fprintf(stderr, "couldn't write %s\n", qPrintable(file));
                return 1;
            }
            ++rendered;
        }
    }
    std::printf("%d screenshots in %s\n", rendered, qPrintable(folder));
    return 0;
}
