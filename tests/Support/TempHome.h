// A home folder for one test, removed after it, with spaces, quotes, "$HOME" and non-ASCII
// letters in its name. As root, `asUser` runs a step as an ordinary user (who is given the
// home first), so that permissions are checked as for the people the program runs for.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace vesperine {

inline std::string fileText(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

class TempHome {
public:
    TempHome() {
        std::string pattern = std::filesystem::temp_directory_path() / "vesperine-home-XXXXXX";
        top_ = ::mkdtemp(pattern.data()) ? pattern : "/nonexistent";
        std::filesystem::create_directories(path());
    }
    ~TempHome() { std::filesystem::remove_all(top_); }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    std::string path() const { return top_ + "/Zoë \"Z\" O'Brien $HOME"; }
    std::string operator/(const std::string& relative) const { return path() + "/" + relative; }
    std::string read(const std::string& relative) const { return fileText(*this / relative); }
    void write(const std::string& relative, const std::string& text, int mode = 0644) const {
        std::filesystem::create_directories(std::filesystem::path(*this / relative).parent_path());
        std::ofstream(*this / relative) << text;
        ::chmod((*this / relative).c_str(), static_cast<mode_t>(mode));
    }

    void asUser(const std::function<void()>& step) const {
        constexpr uid_t user = 54321;
        if (::geteuid() != 0) return step();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(top_)) {
            (void)::lchown(entry.path().c_str(), user, user);
        }
        if (::chown(top_.c_str(), user, user) != 0 || ::setegid(user) != 0 || ::seteuid(user) != 0)
            return;
        step();
        (void)::seteuid(0);
        (void)::setegid(0);
    }

private:
    std::string top_;
};

}  // namespace vesperine
