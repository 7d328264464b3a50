// A folder of small files in the shape of /sys, made for one test and removed after it.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace vesperine {

class SysfsTree {
  public:
    SysfsTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperine-sysfs-XXXXXX").string();
        if (::mkdtemp(pattern.data())) root_ = pattern;
    }
    ~SysfsTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    SysfsTree(const SysfsTree&) = delete;
    SysfsTree& operator=(const SysfsTree&) = delete;

    // Writes `text` (plus the newline sysfs ends its values with) to `path` below the root.
    void write(const std::string& path, const std::string& text) {
        const auto file = std::filesystem::path(root_) / path;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text << "\n";
    }
    // Each pair is a path and its text.
    void write(const std::vector<std::pair<std::string, std::string>>& files) {
        for (const auto& [path, text] : files) write(path, text);
    }
    void remove(const std::string& path) { std::filesystem::remove_all(std::filesystem::path(root_) / path); }
    const std::string& root() const { return root_; }

  private:
    std::string root_;
};

}  // namespace vesperine
