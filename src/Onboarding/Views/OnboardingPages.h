#pragma once

#include <QString>
#include <QWidget>

#include "App/AppState.h"
#include "Platform/Locator.h"
#include "Platform/Scheduler.h"
#include "System/ConflictDetector.h"

namespace vesperine::OnboardingPages {

// The steps of onboarding, in order, one page each. Each page is titled; what it shows comes
// from the services, which must outlive it.

// What the program does: Bright, Warm, Red and a schedule.
QWidget* welcome(const QString& appName, QWidget* parent);
// Where the program lives and the way back to normal; whether this computer can show Bright
// (followed as displays come and go).
QWidget* finding(const QString& appName, const DisplayPipeline& pipeline, QWidget* parent);
// The location for sunrise and sunset, picked as in the settings ("Locate Me" with a locator).
QWidget* location(AppState& state, Scheduler& scheduler, Locator* locator, QWidget* parent);
// Schedules later in Settings, and anything else that adjusts the display now.
QWidget* lastLook(ConflictDetector& conflicts, QWidget* parent);

}  // namespace vesperine::OnboardingPages
