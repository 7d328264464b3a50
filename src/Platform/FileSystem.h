#pragma once

#include <cstddef>
#include <string>

#include "Support/Result.h"

namespace vesperine {

// What went wrong reading a file: the caller treats a missing file (first start) differently
// from one it could not read (permissions, I/O, a folder or a device in its place, too large).
enum class ReadFailure { notFound, unreadable };

struct ReadResult {
    bool ok = false;
    std::string bytes;               // when ok
    ReadFailure failure = ReadFailure::notFound;  // when !ok
    std::string description;         // when !ok
};

// The files the program keeps: paths are absolute, in the platform's form. A path may be a
// symbolic link (a dotfile set-up): reads, writes and moves act on the file it finally names,
// and the link stays.
class FileSystem {
public:
    // The largest file read or written. The program's own files are far smaller; a larger one
    // is not one of ours, and reading it whole would only cost memory.
    static constexpr std::size_t maximumSize = 8 * 1024 * 1024;

    virtual ~FileSystem() = default;

    // Reads a regular file whole, without blocking. A folder, named pipe, device or socket in
    // its place, and a file larger than maximumSize, are `unreadable`.
    virtual ReadResult read(const std::string& path) const = 0;
    // Replaces the file's content as one step: a reader (or a crash at any moment) sees
    // either the old content or the new one, whole. Creates missing parent folders; a link
    // whose target is missing creates the target. Refuses to replace anything that is not a
    // regular file, and content larger than maximumSize.
    virtual Status writeAtomically(const std::string& path, const std::string& bytes) = 0;
    // Like writeAtomically, but never replaces a file: fails when `path` exists. (This
    // fallback checks first; a backend that can should refuse at the rename itself, so that
    // a file made meanwhile by someone else is not lost either.)
    virtual Status writeNewAtomically(const std::string& path, const std::string& bytes) {
        if (exists(path)) return Error{"\"" + path + "\" already exists"};
        return writeAtomically(path, bytes);
    }
    // Keeps the file (or folder) at `path` under the first free name of asideName(path,
    // suffix, 1), (..., 2), ... in its folder, never replacing anything, and gives that name.
    // For a link, the target is renamed next to itself: the link stays, so the next write
    // through it creates a fresh target. Named pipes, devices and sockets are refused: they
    // are not the program's to move.
    virtual Result<std::string> moveAside(const std::string& path, const std::string& suffix) = 0;
    // Whether `path` names something (through links: a dangling link names nothing).
    virtual bool exists(const std::string& path) const = 0;

    // "<path><suffix>", then "<path><suffix>-2", "-3", ...
    static std::string asideName(const std::string& path, const std::string& suffix, int n) {
        return path + suffix + (n > 1 ? "-" + std::to_string(n) : std::string());
    }
};

}  // namespace vesperine
