// The settings window's services over a started simulated machine, with the login item and
// the desktop entries a test plants.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <map>
#include <memory>
#include <string>

#include "Platform/Simulated/SimulatedLoginItem.h"
#include "Settings/Views/SettingsWindow.h"
#include "ViewWorld.h"

namespace vesperine {

struct SettingsWorld {
    // Starts the program's services; plant in `world.machine` first when the test needs to.
    SettingsServices& start() {
        world.start();
        services = std::make_unique<SettingsServices>(world.settingsServices(loginItem));
        services->applicationFolders = {"/nonexistent/applications"};
        services->readDesktopEntry = [this](const std::string& path) {
            auto found = desktopFiles.find(path);
            return found == desktopFiles.end() ? std::nullopt : std::optional(found->second);
        };
        return *services;
    }

    ViewWorld world;
    SimulatedLoginItem loginItem;
    std::map<std::string, DesktopApplication> desktopFiles;  // path → what the entry says
    std::unique_ptr<SettingsServices> services;
};

// A settings window over the world, owned by the test.
class SettingsWindowTest : public testing::Test {
protected:
    // Starts the program first, unless the test has.
    SettingsWindow& open() {
        if (!world.services) world.start();
        window = std::make_unique<SettingsWindow>(*world.services);
        window->setAttribute(Qt::WA_DeleteOnClose, false);  // the test owns it
        return *window;
    }
    void click(const char* name) { QTest::mouseClick(find<QAbstractButton>(window.get(), name), Qt::LeftButton); }
    QString text(const char* name) { return find<QLabel>(window.get(), name)->text(); }
    // Rows rebuilt by a change go once control returns to the loop.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    SettingsWorld world;
    std::unique_ptr<SettingsWindow> window;
};

}  // namespace vesperine
