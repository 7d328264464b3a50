#pragma once

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QString>
#include <QWidget>

namespace vesperine::Rows {

// Removes every item of `layout`; its widgets are deleted once control returns to the loop,
// so a button may rebuild the list it sits in from its own click.
void clear(QLayout* layout);

// A widget holding a layout without margins of its own: one piece of a panel, whose margins
// are the panel's.
struct Box {
    QWidget* widget;
    QBoxLayout* layout;
};
Box box(QBoxLayout::Direction direction, QWidget* parent);

// A small icon at the height of a line of text, beside `text` (word-wrapped), as one row.
// The label's object name is `name`, so tests and screen readers find it.
QWidget* iconLine(const QIcon& icon, const QString& text, const QString& name,
                  QWidget* parent = nullptr);

// The label inside a row made by iconLine.
QLabel* textOf(QWidget* iconLine);

}  // namespace vesperine::Rows
