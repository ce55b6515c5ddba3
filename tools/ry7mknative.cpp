// Writes the native-form test bank, the same bytes on every run:
//   ry7mknative examples/native.sty
#include "files/CFileWriter.h"
#include "tools/native/CNativeBank.h"

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    // One output file and nothing else: an option is never taken for a file name.
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: ry7mknative OUT.sty\n");
        return 2;
    }
    std::vector<uint8_t> bank;
    if (!CNativeBank::Build(bank)) {
        std::fprintf(stderr, "ry7mknative: the bank could not be built\n");
        return 1;
    }
    CFileWriter writer(argv[1]);
    if (!writer.Write(bank.data(), bank.size())) {
        std::fprintf(stderr, "ry7mknative: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
