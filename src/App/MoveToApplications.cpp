#include "App/MoveToApplications.h"

#include <optional>
#include <vector>

namespace vesperine {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// `folder` with its trailing slashes dropped, so that "/home/alex/" + "/Downloads/" matches
// too; "/" itself becomes "" (its children begin with "/"). None for an empty folder, which
// must not turn "/Downloads/" into the user's downloads.
std::optional<std::string> folderPrefix(std::string_view folder) {
    if (folder.empty()) return std::nullopt;
    while (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
    return std::string(folder);
}

bool isUnder(std::string_view path, std::string_view folder, std::string_view child = {}) {
    const auto prefix = folderPrefix(folder);
    return prefix && startsWith(path, *prefix + std::string(child) + "/");
}

std::string lastComponent(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

MoveToApplications::Location classifyIn(std::string_view path, std::string_view home,
                                        const std::vector<std::string>& moreMovable) {
    using Location = MoveToApplications::Location;
    for (std::string_view installed : {"/usr/", "/opt/"}) {
        if (startsWith(path, installed)) return Location::inApplications;
    }
    if (isUnder(path, home, "/.local") || isUnder(path, home, "/Applications")) {
        return Location::inApplications;
    }
    // Mounted volumes, and the folder an image's runtime mounts it on ($TMPDIR/.mount_XXXX).
    for (std::string_view mounted : {"/media/", "/run/media/"}) {
        if (startsWith(path, mounted)) return Location::movable;
    }
    if (path.find("/.mount_") != std::string_view::npos) return Location::movable;
    if (isUnder(path, home, "/Downloads") || isUnder(path, home, "/Desktop")) {
        return Location::movable;
    }
    for (const std::string& folder : moreMovable) {
        if (isUnder(path, folder)) return Location::movable;
    }
    return Location::elsewhere;
}

}  // namespace

MoveToApplications::MoveToApplications(Installer& installer, Alerts& alerts, Relaunch& relaunch,
                                       Trash& trash, Logger& logger, AppInfo info)
    : installer_(installer),
      alerts_(alerts),
      relaunch_(relaunch),
      trash_(trash),
      log_(logger, "install"),
      info_(AppInfo::withFallbacks(std::move(info))) {}

MoveToApplications::Location MoveToApplications::classify(std::string_view path,
                                                          std::string_view home) {
    return classifyIn(path, home, {});
}

MoveToApplications::Location MoveToApplications::classify(std::string_view path,
                                                          const Installer::Places& places) {
    if (isUnder(path, places.buildTree)) return Location::elsewhere;
    return classifyIn(path, places.home, places.moreMovable);
}

std::string MoveToApplications::volume(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size() && parts.size() < 2) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > start) parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    if (parts.size() < 2) return std::string(path);
    return "/" + std::string(parts[0]) + "/" + std::string(parts[1]);
}

std::string MoveToApplications::shellQuote(std::string_view text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

bool MoveToApplications::offerIfNeeded() {
    const std::string source = installer_.runningPath();
    const Installer::Places places = installer_.places();
    if (source.empty() || classify(source, places) != Location::movable) return false;

    const std::string destination = places.installFolder + "/" + lastComponent(source);
    // A user's ~/.local/bin may be a link into the very folder the program runs from.
    if (installer_.isSameFile(source, destination)) {
        log_.info("Runs from %s, which is its installed place", source.c_str());
        return false;
    }

    const std::string& name = info_.displayName;
    std::string informative = name +
                              " works best installed: it's needed for Open at Login, and you "
                              "won't have to keep the download around.";
    if (installer_.occupant(destination) == Installer::Occupant::other) {
        informative += "\n\nThere is already a file at " + destination + " that isn't " + name +
                       ". Installing moves it to the Trash.";
    }
    const auto answer =
        alerts_.run({"Install " + name + " for this user?", informative, {"Install", "Not Now"}});
    if (answer != 0u) return false;

    // An instance left running would take the relaunched copy's request and keep the old
    // version in charge.
    if (auto ended = installer_.endOtherInstances(); !ended) {
        log_.error("%s", ended.error().description.c_str());
    }
    // Looked at again: the question may have stood open a while. Only our own older copy is
    // replaced in place; whatever else is there stays the user's, in the Trash.
    if (installer_.occupant(destination) == Installer::Occupant::other) {
        auto trashed = trash_.moveToTrash(destination);
        if (!trashed) {
            showFailure(trashed.error().description);
            return false;
        }
        log_.notice("Moved %s, which isn't %s, to the Trash as %s", destination.c_str(),
                    name.c_str(), trashed->c_str());
    }
    if (auto installed = installer_.install(source, destination); !installed) {
        showFailure(installed.error().description);
        return false;
    }
    log_.notice("Installed %s as %s; starting it with %s", source.c_str(), destination.c_str(),
                shellQuote(destination).c_str());
    relaunch_.into(destination);
    return true;
}

void MoveToApplications::showFailure(const std::string& why) {
    const std::string& name = info_.displayName;
    log_.error("Move failed: %s", why.c_str());
    (void)alerts_.run(
        {"Couldn't install " + name,
         "Copy " + name + " into ~/.local/bin yourself, then open it from there.\n\n" + why,
         {}});
}

}  // namespace vesperine
