#pragma once

#include <QWidget>

#include "Platform/DefaultsStore.h"

namespace vesperine {

// "Couldn't save: <reason>" with a warning sign, shown where settings are changed (the panel,
// the settings window, onboarding) for as long as the defaults store's latest write has
// failed, and hidden once a write succeeds: the change is in use for this run but will not be
// there at the next start, and the person who made it should know. Its text is named
// "saveFailure". The store is borrowed and must outlive the line.
class SaveFailureLine final : public QWidget {
    Q_OBJECT
public:
    explicit SaveFailureLine(const DefaultsStore& defaults, QWidget* parent = nullptr);
};

}  // namespace vesperine
