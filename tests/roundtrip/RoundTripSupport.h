// Files and byte comparisons shared by the round-trip tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// "" when equal, else where the first difference lies.
inline std::string FirstMismatch(const Bytes& expected, const Bytes& actual)
{
    const size_t common = std::min(expected.size(), actual.size());
    for (size_t i = 0; i < common; ++i)
        if (expected[i] != actual[i])
            return "first mismatch at offset " + std::to_string(i);
    if (expected.size() != actual.size())
        return "sizes differ: " + std::to_string(expected.size()) + " vs " + std::to_string(actual.size());
    return "";
}

// The names in `folder`: what a failed write must leave as it found it.
inline std::set<std::string> Names(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TempFolder {
    explicit TempFolder(const std::string& tag)
        : path(std::filesystem::temp_directory_path() / (tag + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};
