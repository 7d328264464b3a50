#pragma once

#include <string>
#include <vector>

#include "Platform/Installer.h"
#include "Platform/Linux/Files/XdgPaths.h"
#include "Platform/Logger.h"

namespace vesperine {

// Installs the program for this user: the executable (or the AppImage file) into
// ~/.local/bin, its desktop entry into $XDG_DATA_HOME/applications and its icon into the
// hicolor theme under $XDG_DATA_HOME/icons, all named after the bundle identifier.
//
// The copy goes to a hidden temporary file beside the destination, is flushed to disk, made
// executable and only then renamed over whatever was there, so a failed copy (a full disk, a
// read-only folder, an unreadable source) leaves the old copy as it was. Only a build of this
// program is ever replaced so (`occupant`: its BuildIdentity); what else lies there is the
// caller's to put aside first. A desktop entry of the user's own under our name (one without
// our mark) is never replaced.
class UserInstaller final : public Installer {
public:
    // The key that marks the desktop entries the program wrote itself.
    static constexpr const char* ownEntryKey = "X-Vesperine-Managed";

    // `runningPath`: see RunningProgram::path. `buildTree`: the folder the program was built
    // in ("" for none); by default the one this build was made in.
    UserInstaller(Logger& logger, std::string bundleId, std::string runningPath, XdgPaths paths,
                  std::string buildTree = defaultBuildTree());

    static std::string defaultBuildTree();

    std::string runningPath() const override { return runningPath_; }
    Places places() const override;
    bool isSameFile(const std::string& a, const std::string& b) const override;
    Occupant occupant(const std::string& path) const override;
    Status endOtherInstances() override;
    Status install(const std::string& source, const std::string& destination) override;

    std::string desktopEntryPath() const;
    std::string iconPath() const;
    // The desktop entry that runs `executable`, marked as ours; none when the path cannot be
    // written in a desktop entry.
    static Result<std::string> desktopEntryFor(const std::string& executable);

private:
    Status copyExecutable(const std::string& source, const std::string& destination) const;
    void addToDesktop(const std::string& executable) const;

    Log log_;
    std::string bundleId_;
    std::string runningPath_;
    XdgPaths paths_;
    std::string buildTree_;
};

}  // namespace vesperine
