#include "App/Views/PanelText.h"

#include "Support/Views/TextTone.h"

namespace vesperine::PanelText {

QLabel* label(const QString& text, const QString& name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    // Panel lines carry names from files and windows: one that looks like markup ("<b>") is
    // still shown as the text it is.
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

void headline(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.15);
    label->setFont(font);
}

void caption(QLabel* label) {
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
}

void secondary(QLabel* label) { TextTone::secondary(label); }

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace vesperine::PanelText
