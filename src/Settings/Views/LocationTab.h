#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "Schedule/Location.h"
#include "Settings/Views/SettingsServices.h"

namespace vesperine {

// The Location tab: the place sunrise and sunset are worked out for, chosen from the city
// table or typed in as coordinates. Choosing stores it in the schedule store and has the app
// state evaluate again; the tab then says whether the store could save it.
class LocationTab final : public QWidget {
    Q_OBJECT
public:
    // How long "Location set to …" stays.
    static constexpr int confirmationMilliseconds = 4000;

    explicit LocationTab(SettingsServices& services, QWidget* parent = nullptr);

private:
    void showCurrent();
    void search(const QString& text);
    void useCoordinates();
    void choose(const Location& location);
    void showOutcome(const QString& text, bool succeeded);

    SettingsServices& services_;
    QLabel* current_;
    QLineEdit* search_;
    QListWidget* cities_;
    QLabel* noMatch_;
    QLineEdit* latitude_;
    QLineEdit* longitude_;
    QLabel* latitudeProblem_;
    QLabel* longitudeProblem_;
    QWidget* outcome_;
    QLabel* outcomeIcon_;
    QLabel* outcomeText_;
    Timer hideOutcome_;
};

}  // namespace vesperine
