// The writer replaces exactly its target, keeps links and modes, and leaves nothing behind when a step fails.
#include "FilesTestSupport.h"
#include "files/CFileWriter.h"

#include <functional>
#include <sys/stat.h>

using namespace filestest;

namespace {

const Bytes kOld = {'o', 'l', 'd'};
const Bytes kMine = {'m', 'i', 'n', 'e'};

Bytes NewBytes()
{
    Bytes bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    return bytes;
}

struct CTargetCase {
    const char* name;
    // Puts what stands at dir/bank.sty before the write.
    std::function<void(const fs::path& dir)> arrange;
    bool written;
    // Checks the folder afterwards (the target's contents are checked by the test).
    std::function<void(const fs::path& dir)> check;
    bool asUserOnly = false; // root may write into every file
};

void OldFile(const fs::path& dir, fs::perms mode)
{
    Put(dir / "bank.sty", kOld);
    fs::permissions(dir / "bank.sty", mode);
}

const CTargetCase kTargets[] = {
    {"nothing", [](const fs::path&) {}, true,
     [](const fs::path& d) { EXPECT_EQ(Names(d), (std::set<std::string>{"bank.sty"})); }},
    {"a file and a neighbour named bank.sty.tmp",
     [](const fs::path& d) {
         OldFile(d, fs::perms(0644));
         Put(d / "bank.sty.tmp", kMine);
     },
     true,
     [](const fs::path& d) {
         EXPECT_EQ(ReadAll(d / "bank.sty.tmp"), kMine);
         EXPECT_EQ(Names(d), (std::set<std::string>{"bank.sty", "bank.sty.tmp"}));
     }},
    {"a file of mode 0640", [](const fs::path& d) { OldFile(d, fs::perms(0640)); }, true,
     [](const fs::path& d) { EXPECT_EQ(Mode(d / "bank.sty"), fs::perms(0640)); }},
    {"a link into another folder",
     [](const fs::path& d) {
         fs::create_directory(d / "real");
         Put(d / "real" / "mine.sty", kOld);
         fs::permissions(d / "real" / "mine.sty", fs::perms(0600));
         fs::create_symlink("real/mine.sty", d / "bank.sty");
     },
     true,
     [](const fs::path& d) {
         EXPECT_TRUE(fs::is_symlink(d / "bank.sty"));
         EXPECT_EQ(fs::read_symlink(d / "bank.sty"), "real/mine.sty");
         EXPECT_EQ(Mode(d / "real" / "mine.sty"), fs::perms(0600));
         EXPECT_EQ(Names(d / "real"), (std::set<std::string>{"mine.sty"}));
     }},
    {"a link to a link to no file yet",
     [](const fs::path& d) {
         fs::create_symlink("second", d / "bank.sty");
         fs::create_symlink(d / "made.sty", d / "second");
     },
     true,
     [](const fs::path& d) {
         EXPECT_TRUE(fs::is_symlink(d / "bank.sty"));
         EXPECT_EQ(Names(d), (std::set<std::string>{"bank.sty", "second", "made.sty"}));
     }},
    {"a folder",
     [](const fs::path& d) {
         fs::create_directory(d / "bank.sty");
         Put(d / "bank.sty" / "inside", kMine);
     },
     false,
     [](const fs::path& d) {
         EXPECT_EQ(ReadAll(d / "bank.sty" / "inside"), kMine);
         EXPECT_EQ(Names(d), (std::set<std::string>{"bank.sty"}));
     }},
    {"a named pipe", [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "bank.sty").c_str(), 0600), 0); }, false,
     [](const fs::path& d) {
         EXPECT_EQ(fs::status(d / "bank.sty").type(), fs::file_type::fifo);
         EXPECT_EQ(Names(d), (std::set<std::string>{"bank.sty"}));
     }},
    {"a read-only file", [](const fs::path& d) { OldFile(d, fs::perms(0444)); }, false,
     [](const fs::path& d) { EXPECT_EQ(ReadAll(d / "bank.sty"), kOld); }, true},
};

} // namespace

class FileWriter : public ScratchFolder {};

TEST_F(FileWriter, ReplacesOnlyItsTargetFollowingLinksAndKeepingModes)
{
    const Bytes bytes = NewBytes();
    for (const CTargetCase& c : kTargets) {
        SCOPED_TRACE(c.name);
        if (c.asUserOnly && IsRoot())
            continue;
        fs::remove_all(dir);
        fs::create_directories(dir);
        c.arrange(dir);
        CFileWriter writer((dir / "bank.sty").string());
        EXPECT_EQ(writer.Write(bytes.data(), bytes.size()), c.written);
        if (c.written) {
            EXPECT_EQ(ReadAll(dir / "bank.sty"), bytes);
        }
        c.check(dir);
    }
}

TEST_F(FileWriter, AFailingStepLeavesTheOldFileAndNoTemporaryFile)
{
    using Fault = CFileWriter::Fault;
    const Bytes bytes = NewBytes();
    const fs::path target = dir / "bank.sty";
    struct CStep {
        Fault fault;
        size_t byte;
    };
    // Every step of a write; each byte position is tried by the round-trip tests of banks and MIDI files.
    for (const CStep& step : {CStep{Fault::AtCreate, 0}, CStep{Fault::AtByte, 0}, CStep{Fault::AtByte, 4096},
                              CStep{Fault::AtByte, bytes.size()}, CStep{Fault::AtSync, 0},
                              CStep{Fault::AtClose, 0}, CStep{Fault::AtRename, 0}}) {
        SCOPED_TRACE("fault " + std::to_string(static_cast<int>(step.fault)) + " at byte " +
                     std::to_string(step.byte));
        OldFile(dir, fs::perms(0640));
        CFileWriter writer(target.string());
        writer.InjectFault(step.fault, step.byte);
        EXPECT_FALSE(writer.Write(bytes.data(), bytes.size()));
        EXPECT_EQ(ReadAll(target), kOld);
        EXPECT_EQ(Mode(target), fs::perms(0640));
        EXPECT_EQ(Names(dir), (std::set<std::string>{"bank.sty"}));
        // The fault struck once: the next write goes through.
        EXPECT_TRUE(writer.Write(bytes.data(), bytes.size()));
        EXPECT_EQ(ReadAll(target), bytes);
    }
    // A folder sync failing after the rename: the new file is in place, but not known to be safe.
    OldFile(dir, fs::perms(0640));
    CFileWriter writer(target.string());
    writer.InjectFault(Fault::AtFolderSync);
    EXPECT_FALSE(writer.Write(bytes.data(), bytes.size()));
    EXPECT_EQ(ReadAll(target), bytes);
    EXPECT_EQ(Names(dir), (std::set<std::string>{"bank.sty"}));
}
