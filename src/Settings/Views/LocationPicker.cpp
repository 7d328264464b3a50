#include "Settings/Views/LocationPicker.h"

#include <QGridLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "Schedule/Cities.h"
#include "Settings/CoordinateInput.h"
#include "Settings/Views/ScheduleTexts.h"
#include "Support/Views/Icons.h"
#include "Support/Views/ObservableWatch.h"
#include "Support/Views/TextTone.h"

namespace vesperine {

namespace {

QString problemText(CoordinateInput::Problem problem, CoordinateInput::Axis axis) {
    using Problem = CoordinateInput::Problem;
    const bool latitude = axis == CoordinateInput::Axis::latitude;
    switch (problem) {
        case Problem::none: return {};
        case Problem::empty:
            return latitude ? LocationPicker::tr("Enter a latitude.")
                            : LocationPicker::tr("Enter a longitude.");
        case Problem::notANumber:
        case Problem::outOfRange:
            return latitude ? LocationPicker::tr("Enter a latitude from −90 to 90.")
                            : LocationPicker::tr("Enter a longitude from −180 to 180.");
    }
    return {};
}

}  // namespace

LocationPicker::LocationPicker(AppState& state, Scheduler& scheduler, Locator* locator,
                               QWidget* parent)
    : QWidget(parent), state_(state), scheduler_(scheduler), locator_(locator) {
    auto* layout = new QVBoxLayout(this);
    current_ = new QLabel(this);
    current_->setObjectName("currentLocation");
    current_->setWordWrap(true);
    current_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* caption = new QLabel(
        tr("Used only on this computer to work out sunrise and sunset. Never sent anywhere."), this);
    caption->setObjectName("privacyCaption");
    caption->setWordWrap(true);
    TextTone::secondary(caption);
    if (locator_) {
        locate_ = new QPushButton(tr("Locate Me"), this);
        locate_->setObjectName("locateMe");
        locate_->setAccessibleName(tr("Locate Me"));
        locate_->setToolTip(tr("Asks this computer's location service once, at city accuracy"));
        connect(locate_, &QPushButton::clicked, this, &LocationPicker::locate);
    }

    search_ = new QLineEdit(this);
    search_->setObjectName("searchCities");
    search_->setPlaceholderText(tr("Search cities"));
    TextTone::placeholder(search_);
    search_->setAccessibleName(tr("Search cities"));
    search_->setClearButtonEnabled(true);
    cities_ = new QListWidget(this);
    cities_->setObjectName("cities");
    cities_->setAccessibleName(tr("Cities"));
    cities_->setUniformItemSizes(true);
    noMatch_ = new QLabel(tr("No matching city. Enter coordinates below instead."), this);
    noMatch_->setObjectName("noMatchingCity");
    noMatch_->setWordWrap(true);

    auto* coordinates = new QGridLayout;
    coordinates->addWidget(new QLabel(tr("Or enter coordinates:"), this), 0, 0, 1, 3);
    latitude_ = new QLineEdit(this);
    latitude_->setObjectName("latitude");
    latitude_->setPlaceholderText(tr("Latitude"));
    TextTone::placeholder(latitude_);
    latitude_->setAccessibleName(tr("Latitude"));
    longitude_ = new QLineEdit(this);
    longitude_->setObjectName("longitude");
    longitude_->setPlaceholderText(tr("Longitude"));
    TextTone::placeholder(longitude_);
    longitude_->setAccessibleName(tr("Longitude"));
    auto* use = new QPushButton(tr("Use"), this);
    use->setObjectName("useCoordinates");
    latitudeProblem_ = new QLabel(this);
    latitudeProblem_->setObjectName("latitudeProblem");
    longitudeProblem_ = new QLabel(this);
    longitudeProblem_->setObjectName("longitudeProblem");
    coordinates->addWidget(latitude_, 1, 0);
    coordinates->addWidget(latitudeProblem_, 1, 1);
    coordinates->addWidget(longitude_, 2, 0);
    coordinates->addWidget(longitudeProblem_, 2, 1);
    coordinates->addWidget(use, 3, 0, Qt::AlignLeft);
    coordinates->setColumnStretch(1, 1);

    outcome_ = new QWidget(this);
    auto* outcomeLayout = new QHBoxLayout(outcome_);
    outcomeLayout->setContentsMargins(0, 0, 0, 0);
    outcomeIcon_ = new QLabel(outcome_);
    outcomeText_ = new QLabel(outcome_);
    outcomeText_->setObjectName("locationOutcome");
    outcomeText_->setWordWrap(true);
    outcomeLayout->addWidget(outcomeIcon_);
    outcomeLayout->addWidget(outcomeText_, 1);
    outcome_->hide();

    layout->addWidget(current_);
    layout->addWidget(caption);
    if (locate_) layout->addWidget(locate_, 0, Qt::AlignLeft);
    layout->addWidget(search_);
    layout->addWidget(cities_, 1);
    layout->addWidget(noMatch_);
    layout->addLayout(coordinates);
    layout->addWidget(outcome_);

    connect(search_, &QLineEdit::textChanged, this, &LocationPicker::search);
    connect(cities_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const auto& all = Cities::all();
        const int index = item->data(Qt::UserRole).toInt();
        if (index >= 0 && index < static_cast<int>(all.size())) choose(all[index].location());
    });
    connect(cities_, &QListWidget::itemClicked, cities_, &QListWidget::itemActivated);
    connect(use, &QPushButton::clicked, this, &LocationPicker::useCoordinates);
    connect(latitude_, &QLineEdit::returnPressed, this, &LocationPicker::useCoordinates);
    connect(longitude_, &QLineEdit::returnPressed, this, &LocationPicker::useCoordinates);
    watch(state_.store().location(), this, [this] { showCurrent(); });
    search({});
}

void LocationPicker::showCurrent() {
    const auto& location = state_.store().location().get();
    if (!location) {
        const auto clock = [](SolarEvent event) {
            const auto [hour, minute] = TimeAnchor::fallback(event);
            return ScheduleTexts::clockTime(hour, minute);
        };
        current_->setText(tr("No location set. Sunrise and sunset steps use %1 and %2.")
                              .arg(clock(SolarEvent::sunrise), clock(SolarEvent::sunset)));
        return;
    }
    const QString coordinates =
        QString::fromStdString(CoordinateInput::describe(location->latitude, location->longitude));
    const QString name = QString::fromStdString(location->name);
    current_->setText(name == coordinates ? coordinates
                                          : tr("%1 (%2)").arg(name, coordinates));
}

void LocationPicker::search(const QString& text) {
    cities_->clear();
    const auto& all = Cities::all();
    for (const auto& city : Cities::search(text.toStdString())) {
        auto* item = new QListWidgetItem(QString::fromStdString(city.name), cities_);
        // The city's place in the table: names are unique, but the index is cheaper to keep.
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (all[i].name == city.name) item->setData(Qt::UserRole, static_cast<int>(i));
        }
    }
    cities_->setVisible(cities_->count() > 0);
    noMatch_->setVisible(cities_->count() == 0);
}

void LocationPicker::useCoordinates() {
    using CoordinateInput::Axis;
    const auto latitude = CoordinateInput::read(latitude_->text().toStdString(), Axis::latitude);
    const auto longitude = CoordinateInput::read(longitude_->text().toStdString(), Axis::longitude);
    latitudeProblem_->setText(problemText(latitude.problem, Axis::latitude));
    longitudeProblem_->setText(problemText(longitude.problem, Axis::longitude));
    if (latitude.problem != CoordinateInput::Problem::none ||
        longitude.problem != CoordinateInput::Problem::none) {
        return;
    }
    choose(Location{CoordinateInput::describe(latitude.value, longitude.value), latitude.value,
                    longitude.value});
}

void LocationPicker::locate() {
    locate_->setEnabled(false);
    locate_->setText(tr("Locating…"));
    locate_->setAccessibleDescription(tr("Asking the location service"));
    locating_ = locator_->locate([this](const Result<Locator::Fix>& fix) { located(fix); });
}

void LocationPicker::located(const Result<Locator::Fix>& fix) {
    locate_->setEnabled(true);
    locate_->setText(tr("Locate Me"));
    locate_->setAccessibleDescription({});
    const auto place = fix ? CoordinateInput::located(fix->latitude, fix->longitude)
                           : Result<Location>(fix.error());
    if (place) {
        choose(*place);
    } else {
        showOutcome(tr("Couldn't find your location: %1")
                        .arg(QString::fromStdString(place.error().description)),
                    false);
    }
}

void LocationPicker::choose(const Location& location) {
    const Status saved = state_.store().setLocation(location);
    state_.reevaluate();  // the location in use changed, saved or not
    if (saved) {
        showOutcome(tr("Location set to %1").arg(QString::fromStdString(location.name)), true);
    } else {
        showOutcome(tr("Couldn't save: %1").arg(QString::fromStdString(saved.error().description)),
                    false);
    }
}

void LocationPicker::showOutcome(const QString& text, bool succeeded) {
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize);
    outcomeIcon_->setPixmap(
        Icons::named(succeeded ? "emblem-ok" : "dialog-warning").pixmap(size, size));
    outcomeText_->setText(text);
    outcome_->show();
    hideOutcome_.cancel();
    // A failure stays until the next choice: the user must know the place is not kept.
    if (succeeded) {
        hideOutcome_ = scheduler_.oneShot(std::chrono::milliseconds(confirmationMilliseconds),
                                                   [this] { outcome_->hide(); });
    }
}

}  // namespace vesperine
