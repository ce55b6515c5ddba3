// Runs the built programs as a user would and gives their exit code and output; a scratch folder per test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

struct CRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` in folder `cwd`, standard input empty.
CRun RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& cwd);

Bytes ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const Bytes& bytes);

// The lines of element `element` in the text of show: its own line and those of its chord variations and
// tracks, without their info texts ("Variation 1\n  Chord Var 1\n    Drum\n"); empty when it is absent.
std::string ElementBlock(const std::string& tree, const std::string& element);

// The committed example files.
fs::path ExampleBank();
fs::path ExampleExtProgList();

// A fresh, empty folder for each test, removed afterwards; ry7style runs inside it.
class CCliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    CRun Style(const std::vector<std::string>& args) const;
    // Copies the example bank into the folder as demo.sty, to check later that nothing wrote to it.
    void CopyExampleBank();
    void ExpectInputUntouched() const;
    fs::path dir;
    Bytes original;
};

} // namespace clitest
