// A fresh folder for one test, removed afterwards. Tests run in parallel processes, so every
// test that touches files (registry hives, databases, logs) works in its own folder.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace kovrin::test {

class TempDir {
public:
    // Under `root`; by default under KOVRIN_TEST_TMP, else the system's temporary folder.
    explicit TempDir(std::filesystem::path root = {}) {
        const char* base = std::getenv("KOVRIN_TEST_TMP");
        if (root.empty()) root = base && *base ? base : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(root);
        std::string pattern = (root / "kovrin-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Points the registry store at a private folder for the life of the object.
class ScopedRegistry {
public:
    ScopedRegistry() : old_(std::getenv("KOVRIN_REGISTRY_DIR") ? std::getenv("KOVRIN_REGISTRY_DIR") : "") {
        setenv("KOVRIN_REGISTRY_DIR", dir_.path().c_str(), 1);
    }
    ~ScopedRegistry() {
        if (old_.empty()) unsetenv("KOVRIN_REGISTRY_DIR");
        else setenv("KOVRIN_REGISTRY_DIR", old_.c_str(), 1);
    }
    const std::filesystem::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::string old_;
};

}  // namespace kovrin::test
