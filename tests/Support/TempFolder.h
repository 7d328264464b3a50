// A folder of the test's own under the temp folder, removed with all it holds when this goes.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace vesperine {

class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vesperine-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string root() const { return path_.string(); }
    std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

    // Writes `text` to `relative`, making the folders on the way.
    void write(const std::string& relative, const std::string& text) const {
        const auto file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
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

private:
    std::filesystem::path path_;
};

}  // namespace vesperine
