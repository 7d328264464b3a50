#pragma once

#include <QTabWidget>
#include <QWidget>

#include "Settings/Views/SettingsServices.h"

namespace vesperine {

class ScheduleTab;

// The settings window: six tabs over the services. It keeps nothing but what is being
// edited; each control writes straight into its service. It deletes itself when closed, so
// nothing of it stays in memory; SettingsWindowOpener keeps it to one at a time.
class SettingsWindow final : public QWidget {
    Q_OBJECT
public:
    // The size of the tabs' content, in device-independent pixels, on screens that fit it.
    static constexpr int contentWidth = 640;
    static constexpr int contentHeight = 540;

    explicit SettingsWindow(SettingsServices& services, QWidget* parent = nullptr);

    QTabWidget* tabs() const { return tabs_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void fitScreen();

    SettingsServices& services_;
    QTabWidget* tabs_;
    ScheduleTab* schedule_ = nullptr;
    int scheduleIndex_ = 0;
};

}  // namespace vesperine
