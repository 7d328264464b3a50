#include "Support/Views/Rows.h"

#include <QStyle>

namespace vesperine::Rows {

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        if (QLayout* inner = item->layout()) clear(inner);
        delete item;
    }
}

Box box(QBoxLayout::Direction direction, QWidget* parent) {
    auto* widget = new QWidget(parent);
    auto* layout = new QBoxLayout(direction, widget);
    layout->setContentsMargins(0, 0, 0, 0);
    return {widget, layout};
}

QWidget* iconLine(const QIcon& icon, const QString& text, const QString& name, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* picture = new QLabel(row);
    const int size = row->style()->pixelMetric(QStyle::PM_SmallIconSize);
    picture->setPixmap(icon.pixmap(size, size));
    picture->setAlignment(Qt::AlignTop);
    auto* label = new QLabel(text, row);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(picture);
    layout->addWidget(label, 1);
    return row;
}

QLabel* textOf(QWidget* iconLine) {
    return iconLine->findChildren<QLabel*>().value(1);
}

}  // namespace vesperine::Rows
