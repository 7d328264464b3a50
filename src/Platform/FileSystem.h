#pragma once

#include <string>

#include "Support/Result.h"

namespace vesperine {

// What went wrong reading a file: the caller treats a missing file (first start) differently
// from one it could not read (permissions, I/O, a folder in its place).
enum class ReadFailure { notFound, unreadable };

struct ReadResult {
    bool ok = false;
    std::string bytes;               // when ok
    ReadFailure failure = ReadFailure::notFound;  // when !ok
    std::string description;         // when !ok
};

// The files the program keeps: paths are absolute, in the platform's form.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual ReadResult read(const std::string& path) const = 0;
    // Replaces the file's content as one step: a reader (or a crash at any moment) sees
    // either the old content or the new one, whole. Creates missing parent folders.
    virtual Status writeAtomically(const std::string& path, const std::string& bytes) = 0;
    // Like writeAtomically, but never replaces a file: fails when `path` exists. (This
    // fallback checks first; a backend that can should refuse at the rename itself, so that
    // a file made meanwhile by someone else is not lost either.)
    virtual Status writeNewAtomically(const std::string& path, const std::string& bytes) {
        if (exists(path)) return Error{"\"" + path + "\" already exists"};
        return writeAtomically(path, bytes);
    }
    // Renames `from` to `to`, replacing `to`.
    virtual Status move(const std::string& from, const std::string& to) = 0;
    virtual bool exists(const std::string& path) const = 0;
};

}  // namespace vesperine
