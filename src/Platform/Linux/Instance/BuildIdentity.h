#pragma once

#include <optional>
#include <string>

namespace vesperine {

// Which build of the program an executable file is, read without running it.
//
// Every build carries its identity in an ELF note of its own (owner "Vesperine", type 1, the
// text `--version` prints: "Vesperine 0.1.0 (1)"), in a note segment the loader maps and
// `strip` keeps. Reading it takes the file's headers and its note segments, a few hundred
// bytes whatever the file's size, and a file that merely mentions our name (a wrapper
// script, a log) carries no such note. An unknown file is never executed to ask it.
namespace BuildIdentity {

// This build's identity.
std::string ofThisBuild();
// The identity in the executable open at `fd`; none when it is not an ELF file of this
// machine's byte order or carries no identity of ours.
std::optional<std::string> read(int fd);
// The same for the regular file at `path` (links followed); none for anything else.
std::optional<std::string> ofFile(const std::string& path);

}  // namespace BuildIdentity

}  // namespace vesperine
