#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "App/AppState.h"
#include "Platform/Locator.h"
#include "Platform/Scheduler.h"
#include "Schedule/Location.h"

namespace vesperine {

// The place sunrise and sunset are worked out for, chosen from the city table or typed in as
// coordinates: the settings window's Location tab, and a step of onboarding. Choosing stores
// it in the schedule store and has the app state evaluate again; the picker then says whether
// the store could save it. `scheduler` runs the confirmation's delay. Both must outlive it.
class LocationPicker final : public QWidget {
    Q_OBJECT
public:
    // How long "Location set to …" stays.
    static constexpr int confirmationMilliseconds = 4000;

    LocationPicker(AppState& state, Scheduler& scheduler, Locator* locator,
                   QWidget* parent = nullptr);

private:
    void showCurrent();
    void search(const QString& text);
    void useCoordinates();
    void locate();
    void located(const Result<Locator::Fix>& fix);
    void choose(const Location& location);
    void showOutcome(const QString& text, bool succeeded);

    AppState& state_;
    Scheduler& scheduler_;
    Locator* locator_;
    QLabel* current_;
    QPushButton* locate_ = nullptr;
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
    Handle locating_;
};

}  // namespace vesperine
