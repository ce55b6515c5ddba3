// Running the programs under test.
#include "CliProgram.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace clitest {

namespace {

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

CRun RunProgram(const std::string& program, const std::vector<std::string>& args, const fs::path& cwd)
{
    const fs::path outPath = cwd / ".stdout";
    const fs::path errPath = cwd / ".stderr";
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        // Only async-signal-safe calls between fork and exec.
        if (chdir(cwd.c_str()) != 0)
            _exit(126);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    CRun run;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    run.out = ReadText(outPath);
    run.err = ReadText(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ElementBlock(const std::string& tree, const std::string& element)
{
    std::string block;
    bool inside = false;
    size_t start = 0;
    while (start < tree.size()) {
        const size_t end = std::min(tree.find('\n', start), tree.size());
        const std::string line = tree.substr(start, end - start);
        start = end + 1;
        const size_t indent = line.find_first_not_of(' ');
        if (indent == 2)
            inside = line.compare(2, element.size() + 1, element + " ") == 0;
        if (!inside || indent == std::string::npos || indent < 2)
            continue;
        // Node texts end where the info text's column begins.
        const size_t info = line.find("  ", indent);
        block += line.substr(2, (info == std::string::npos ? line.size() : info) - 2) + "\n";
    }
    return block;
}

fs::path ExampleBank()
{
    return fs::path(RY7_EXAMPLES_DIR) / "demo.sty";
}

fs::path ExampleExtProgList()
{
    return fs::path(RY7_EXAMPLES_DIR) / "ExtProgList.txt";
}

void CCliTest::SetUp()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / ("ry7cli-" + std::string(test->test_suite_name()) + "-" + test->name() +
                                       "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
}

void CCliTest::TearDown()
{
    if (!HasFailure())
        fs::remove_all(dir);
}

CRun CCliTest::Style(const std::vector<std::string>& args) const
{
    return RunProgram(RY7STYLE_PATH, args, dir);
}

void CCliTest::CopyExampleBank()
{
    fs::copy_file(ExampleBank(), dir / "demo.sty", fs::copy_options::overwrite_existing);
    original = ReadBytes(dir / "demo.sty");
}

void CCliTest::ExpectInputUntouched() const
{
    EXPECT_TRUE(ReadBytes(dir / "demo.sty") == original) << "demo.sty changed";
}

} // namespace clitest
