// Writes the example bank and its extended program list, the same bytes on every run:
//   ry7mkexample examples/demo.sty --ext-prog examples/ExtProgList.txt
// With --bench N it writes a bank of N longer styles instead (for the export benchmark).
#include "files/CFileWriter.h"
#include "tools/example/CExampleBank.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool WriteFile(const std::string& path, const uint8_t* bytes, size_t size)
{
    CFileWriter writer(path);
    if (writer.Write(bytes, size))
        return true;
    std::fprintf(stderr, "ry7mkexample: cannot write %s\n", path.c_str());
    return false;
}

int Usage()
{
    std::fprintf(stderr, "usage: ry7mkexample OUT.sty [--ext-prog OUT.txt | --bench STYLES]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // The output first, then at most one option with its value: an option is never taken for a file name.
    if ((argc != 2 && argc != 4) || argv[1][0] == '-')
        return Usage();
    std::string extProgPath;
    int benchStyles = 0;
    if (argc == 4 && std::strcmp(argv[2], "--ext-prog") == 0 && argv[3][0] != '-')
        extProgPath = argv[3];
    else if (argc == 4 && std::strcmp(argv[2], "--bench") == 0)
        benchStyles = std::atoi(argv[3]);
    else if (argc == 4)
        return Usage();
    if (argc == 4 && extProgPath.empty() && (benchStyles < 1 || benchStyles > CExampleBank::MaxBenchStyles))
        return Usage();
    std::vector<uint8_t> bank;
    if (!CExampleBank::Build(benchStyles, bank)) {
        std::fprintf(stderr, "ry7mkexample: a style could not be built\n");
        return 1;
    }
    if (!WriteFile(argv[1], bank.data(), bank.size()))
        return 1;
    const char* list = CExampleBank::ExtProgList();
    if (!extProgPath.empty() &&
        !WriteFile(extProgPath, reinterpret_cast<const uint8_t*>(list), std::strlen(list)))
        return 1;
    return 0;
}
