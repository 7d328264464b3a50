#pragma once

#include <QLabel>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include "Guide/Guide.h"

namespace vesperine {

// The place in the menu where the tip of one spot shows: empty and hidden until the guide
// chooses this spot, then the tip's icon, title and message with a button that closes it
// for good. Named "tip:<spot>" ("tip:modePicker").
class TipSpot final : public QWidget {
    Q_OBJECT
public:
    TipSpot(Guide& guide, MenuSpot spot, QWidget* parent = nullptr);

    // A tip's message with its "**bold**" words in rich text, everything else escaped.
    static QString richText(std::string_view message);

private:
    void refresh();
    void build();

    Guide& guide_;
    MenuSpot spot_;
    QLabel* icon_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* message_ = nullptr;
};

}  // namespace vesperine
