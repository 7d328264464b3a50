#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// Text that says less than the controls around it, and warnings, in colours that still read:
// at least the contrast body text needs (Contrast::textMinimum) against what is behind the
// widget, in light and dark palettes alike. The colour is worked out from the palette the
// widget inherits and again whenever that palette changes (the desktop switches between light
// and dark), and is handed on to the widget's children (the text of an icon row).
namespace vesperine::TextTone {

// The palette's hint colour (PlaceholderText), darkened or lightened towards the main text
// only as far as it must be to read.
void secondary(QWidget* widget);
// An amber that says "take note", likewise made to read on the background.
void warning(QWidget* widget);
// The hint a text field shows while empty ("Search cities"), made to read on the field.
void placeholder(QWidget* field);

// The colours themselves, for a text of the palette's WindowText on `background`.
QColor secondaryColour(const QPalette& palette, const QColor& background);
QColor warningColour(const QPalette& palette, const QColor& background);

}  // namespace vesperine::TextTone
