// A folder of the test's own under the temp folder, removed with all it holds when this goes.
// Given a name, the folder is one of that name inside a fresh one: a home called `awkward`
// (spaces, quotes, "$HOME" and non-ASCII letters) meets what users' homes hold. As root,
// `asUser` runs a step as an ordinary user (who is given the folder first), so that
// permissions are checked as for the people the program runs for.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace vesperine {

class TempFolder {
public:
    static constexpr const char* awkward = "Zoë \"Z\" O'Brien $HOME";

    explicit TempFolder(const std::string& inside = "") {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperine-XXXXXX").string();
        top_ = ::mkdtemp(pattern.data()) ? pattern : "/nonexistent";
        path_ = inside.empty() ? top_ : top_ / inside;
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(top_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string root() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

    // Writes `text` to `relative`, making the folders on the way.
    void write(const std::string& relative, const std::string& text, int mode = 0644) const {
        const auto file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        ::chmod(file.c_str(), static_cast<mode_t>(mode));
    }
    // The whole of the file at `path` (relative to the folder, or absolute).
    std::string read(const std::filesystem::path& path) const {
        std::ifstream in(path_ / path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Value files as the kernel shows them in /sys: each a path and its text, plus a newline.
    void values(const std::vector<std::pair<std::string, std::string>>& files) const {
        for (const auto& [relative, text] : files) write(relative, text + "\n");
    }

    void asUser(const std::function<void()>& step) const {
        constexpr uid_t user = 54321;
        if (::geteuid() != 0) return step();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(top_))
            if (::lchown(entry.path().c_str(), user, user) != 0) return;
        if (::chown(top_.c_str(), user, user) != 0 || ::setegid(user) != 0 || ::seteuid(user) != 0)
            return;
        step();
        // Every later test would run as the wrong user: better to stop here.
        if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
    }

private:
    std::filesystem::path top_, path_;
};

}  // namespace vesperine
