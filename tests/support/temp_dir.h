// A fresh temporary folder, removed with all it holds when the object goes; and whole-file reads and writes.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace morvane::testing {

class TempDir {
public:
    TempDir()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt)
            if (const auto path = std::filesystem::temp_directory_path() / ("morvane-test-" + std::to_string(random()));
                std::filesystem::create_directory(path))
                path_ = path.generic_string();
        if (path_.empty())
            throw std::runtime_error("no temporary folder");
    }
    ~TempDir()
    {
        namespace fs = std::filesystem;
        std::error_code error; // a folder that a test made read-only is emptied too
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
        fs::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

inline void WriteBytes(const std::string& name, std::string_view all) { std::ofstream(name, std::ios::binary) << all; }

inline std::string ReadBytes(const std::string& name)
{
    return {std::istreambuf_iterator<char>(std::ifstream(name, std::ios::binary).rdbuf()), {}};
}

} // namespace morvane::testing
