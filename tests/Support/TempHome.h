// A home folder made for one test, removed after it, whose name has spaces, quotes and
// non-ASCII letters in it. As root, `asUser` runs a step as an ordinary user (the home is
// handed to that user first), so that permissions are checked as they are for the people the
// program runs for.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace vesperine {

class TempHome {
public:
    static constexpr uid_t user = 54321;

    TempHome() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vesperine-home-XXXXXX").string();
        if (::mkdtemp(pattern.data())) top_ = pattern;
        path_ = top_ + "/Zoë \"Z\" O'Brien $HOME";
        std::filesystem::create_directories(path_);
    }
    ~TempHome() {
        std::error_code ignored;
        std::filesystem::remove_all(top_, ignored);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    void write(const std::string& relative, const std::string& text, int mode = 0644) const {
        const std::filesystem::path file = *this / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
        ::chmod(file.c_str(), static_cast<mode_t>(mode));
    }
    std::string read(const std::string& relative) const {
        std::ifstream file(*this / relative);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Runs `step` as an ordinary user when the tests run as root; as they are otherwise.
    void asUser(const std::function<void()>& step) const {
        if (::geteuid() != 0) return step();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(top_)) {
            (void)::lchown(entry.path().c_str(), user, user);
        }
        (void)::chown(top_.c_str(), user, user);
        if (::setegid(user) != 0 || ::seteuid(user) != 0) return;
        step();
        (void)::seteuid(0);
        (void)::setegid(0);
    }

private:
    std::string top_;
    std::string path_;
};

}  // namespace vesperine
