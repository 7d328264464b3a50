#pragma once

#include <QFrame>
#include <QLabel>
#include <QString>
#include <QWidget>

// The panel's kinds of text and its dividers, all from the style's font and the palette.
namespace vesperine::PanelText {

// A word-wrapped label named `name` (for tests and screen readers).
QLabel* label(const QString& text, const QString& name, QWidget* parent);
// The application's name at the top: bold and a little larger.
void headline(QLabel* label);
// Smaller text for notes under a row.
void caption(QLabel* label);
// Text that says less than the controls around it, in a colour that still reads (TextTone).
void secondary(QLabel* label);
// A thin horizontal line between groups of rows.
QFrame* divider(QWidget* parent);

}  // namespace vesperine::PanelText
