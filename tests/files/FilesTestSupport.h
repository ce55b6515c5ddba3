// A scratch folder on the real file system for the reader and writer tests, and its files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace filestest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Put(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The names in `folder`, links and special files included.
inline std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

inline fs::perms Mode(const fs::path& path)
{
    return fs::status(path).permissions();
}

inline bool IsRoot()
{
    return ::geteuid() == 0;
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        dir = fs::temp_directory_path() / ("ry7-files-" + std::to_string(::getpid()) + "-" + test);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code error;
        fs::remove_all(dir, error);
    }
    fs::path dir;
};

} // namespace filestest
