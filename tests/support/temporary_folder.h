// The one temporary folder of a test's own: made fresh under the system's
// temporary directory, removed with its content when the test ends. Portable
// and free of GoogleTest, so the Windows checks built with mingw-w64 use it too.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace clipferry::test {

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        // create_directory reports false for a name already taken: never shared.
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = base / ("clipferry-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
        }
        // Thrown, the test that needed it fails (GoogleTest reports the exception).
        if (path_.empty()) throw std::runtime_error("no temporary folder could be made");
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    bool Has(const std::string& name) const { return std::filesystem::exists(path_ / name); }

    // Writes the file anew; its path.
    std::string Write(const std::string& name, const std::string& contents) const {
        std::ofstream(path_ / name, std::ios::binary | std::ios::trunc)
            .write(contents.data(), std::streamsize(contents.size()));
        return File(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Whether a scratch file, whatever its name, was left here.
    bool HasScratch() const {
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            if (entry.path().filename().string().rfind("LumividRes", 0) == 0) return true;
        return false;
    }

private:
    std::filesystem::path path_;
};

}  // namespace clipferry::test
