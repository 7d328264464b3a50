#pragma once

namespace vesperine {

// The files the desktop needs to list the program, built into it from the data folder so that
// a copy installed by the user brings them along.
namespace InstallResources {

// The desktop entry, its Exec the bare program name (as a package installs it).
extern const char* const desktopEntry;
// The scalable icon, named after the bundle identifier in the hicolor theme.
extern const char* const scalableIcon;

}  // namespace InstallResources

}  // namespace vesperine
