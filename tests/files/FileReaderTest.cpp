// The reader takes regular files only, up to the caller's limit, and never blocks or throws.
#include "FilesTestSupport.h"
#include "files/CFileReader.h"

#include <chrono>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

using namespace filestest;

namespace {

constexpr size_t kLimit = 100;

struct CReadCase {
    const char* name;
    // Makes what the name leads to in `dir`; returns the path to read.
    std::function<fs::path(const fs::path& dir)> arrange;
    FileReadResult expected;
    size_t size;             // bytes read when Ok
    bool asUserOnly = false; // root reads every file
};

fs::path File(const fs::path& dir, size_t size)
{
    Put(dir / "file", Bytes(size, 0x42));
    return dir / "file";
}

// A socket's name in the folder (the name stays after the socket is closed).
fs::path Socket(const fs::path& dir)
{
    const fs::path path = dir / "socket";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    return path;
}

const CReadCase kCases[] = {
    {"regular file", [](const fs::path& d) { return File(d, 10); }, FileReadResult::Ok, 10},
    {"empty file", [](const fs::path& d) { return File(d, 0); }, FileReadResult::Ok, 0},
    {"file of exactly the limit", [](const fs::path& d) { return File(d, kLimit); }, FileReadResult::Ok,
     kLimit},
    {"file one byte over the limit", [](const fs::path& d) { return File(d, kLimit + 1); },
     FileReadResult::TooLarge, 0},
    {"link to a file",
     [](const fs::path& d) {
         File(d, 7);
         fs::create_symlink("file", d / "link");
         return d / "link";
     },
     FileReadResult::Ok, 7},
    {"missing file", [](const fs::path& d) { return d / "absent"; }, FileReadResult::NotFound, 0},
    {"folder",
     [](const fs::path& d) {
         fs::create_directory(d / "dir_v1cv1.mid");
         return d / "dir_v1cv1.mid";
     },
     FileReadResult::NotAFile, 0},
    {"link to /dev/zero",
     [](const fs::path& d) {
         fs::create_symlink("/dev/zero", d / "zero");
         return d / "zero";
     },
     FileReadResult::NotAFile, 0},
    {"named pipe without a writer",
     [](const fs::path& d) {
         EXPECT_EQ(::mkfifo((d / "pipe").c_str(), 0600), 0);
         return d / "pipe";
     },
     FileReadResult::NotAFile, 0},
    {"socket", Socket, FileReadResult::NotAFile, 0},
    {"file without read permission",
     [](const fs::path& d) {
         const fs::path path = File(d, 5);
         fs::permissions(path, fs::perms::none);
         return path;
     },
     FileReadResult::Failed, 0, true},
};

} // namespace

class FileReader : public ScratchFolder {};

TEST_F(FileReader, ReadsRegularFilesOnlyAndRefusesTheRestAtOnce)
{
    for (const CReadCase& c : kCases) {
        SCOPED_TRACE(c.name);
        if (c.asUserOnly && IsRoot())
            continue;
        fs::remove_all(dir);
        fs::create_directories(dir);
        const fs::path path = c.arrange(dir);
        std::vector<uint8_t> bytes{1, 2, 3};
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(CFileReader::Read(path.string(), kLimit, bytes), c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)); // never waits
        EXPECT_EQ(bytes.size(), c.size);
        if (c.expected == FileReadResult::Ok) {
            EXPECT_EQ(bytes, Bytes(c.size, 0x42));
        }
    }
}
