#pragma once

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>
#include <map>

#include "Input/ShortcutRecorder.h"
#include "Settings/Views/SettingsServices.h"

namespace vesperine {

// The Shortcuts tab: one row per hot-key action with its keys, a clear button and, when the
// keys were refused, who holds them: another of our actions ("In use by Vesperine for Warm
// on/off") or another program ("In use by another app"). Clicking the keys records new ones: while
// recording, every key press in the program goes to the recorder (so no shortcut or mnemonic
// fires), and the hot keys themselves are suspended.
class ShortcutsTab final : public QWidget {
    Q_OBJECT
public:
    explicit ShortcutsTab(SettingsServices& services, QWidget* parent = nullptr);
    ~ShortcutsTab() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Row {
        QPushButton* keys;
        QToolButton* clear;
        QWidget* conflict;
        QLabel* shared;
    };
    void showBindings();
    void showRecording();
    void say(const QString& text);

    SettingsServices& services_;
    ShortcutRecorder recorder_;
    std::map<HotkeyAction, Row> rows_;
    QLabel* message_;
    bool filtering_ = false;
};

}  // namespace vesperine
