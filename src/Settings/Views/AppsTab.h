#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "Settings/Views/SettingsServices.h"

namespace vesperine {

// The Apps tab: the rules that pause the effect while an application is in front, ways to add
// one (a running application, or an application's desktop entry), the defaults, and the
// full-screen switch.
class AppsTab final : public QWidget {
    Q_OBJECT
public:
    explicit AppsTab(SettingsServices& services, QWidget* parent = nullptr);

    // Adds a "Pause everything" rule for the application whose desktop entry is at `path`;
    // for a file that is not an application's entry with an id, nothing but a line saying so.
    void addDesktopFile(const QString& path);

private:
    void showRules();
    void fillRunningMenu();
    void chooseApp();

    SettingsServices& services_;
    QVBoxLayout* rows_;
    std::optional<std::vector<std::string>> shownIds_;  // the rules the rows show, in order
    QMenu* running_;
    QPushButton* choose_;
    QLabel* chooseProblem_;
};

}  // namespace vesperine
