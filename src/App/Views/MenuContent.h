#pragma once

#include <QLabel>
#include <QWidget>

#include "App/Views/MenuServices.h"
#include "App/Views/ModePicker.h"

namespace vesperine {

// What the tray panel shows, top to bottom: the program's name and the mode shown, the
// schedule lines, the mode picker, the strength, the override's lifetime, why the mode is
// limited, a failed save, the rule for the last application in front, the conflicts, and the
// buttons.
// Each row follows the services it shows and hides itself when it has nothing to say.
class MenuContent final : public QWidget {
    Q_OBJECT
public:
    MenuContent(MenuServices& services, QWidget* parent = nullptr);

    ModePicker* modePicker() const { return modePicker_; }

Q_SIGNALS:
    // A button that leaves the panel was pressed; the panel closes before it acts.
    void settingsChosen();
    void quitChosen();

private:
    QWidget* header();
    QWidget* limitation();
    QWidget* conflicts();
    QWidget* buttons();

    MenuServices& services_;
    ModePicker* modePicker_ = nullptr;
};

}  // namespace vesperine
