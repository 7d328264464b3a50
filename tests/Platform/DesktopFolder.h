// A temporary data folder with desktop entries in its applications/ folder.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vesperine {

class DesktopFolder {
public:
    explicit DesktopFolder(const std::string& name)
        : root_(std::filesystem::temp_directory_path() /
                (name + "-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(applications());
    }
    ~DesktopFolder() { std::filesystem::remove_all(root_); }

    std::string applications() const { return (root_ / "applications").string(); }
    void write(const std::string& relative, const std::string& text) const {
        const auto path = root_ / "applications" / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    // An application entry "<id>.desktop" with the given lines after its type.
    void entry(const std::string& id, const std::string& lines) const {
        write(id + ".desktop", "[Desktop Entry]\nType=Application\n" + lines);
    }

private:
    std::filesystem::path root_;
};

}  // namespace vesperine
