// Writes the example bank, the same bytes on every run. Regenerate with:
//   build/release/tools/ry7mkexample examples/demo.sty
#include "bank/CFileWriter.h"
#include "tools/bankbuilder/CBankBuilder.h"

#include <cstdio>

namespace {
using Bytes = CBankBuilder::Bytes;

// Pattern-like filler: a repeating figure with a slow drift, so the styles compress like real ones.
Bytes Filler(size_t length, uint8_t seed)
{
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<uint8_t>((i % 16) * 5 + (i / 64) + seed);
    return bytes;
}

Bytes Style(uint8_t version, uint8_t seed, size_t patternBytes)
{
    return CBankBuilder::StyleContent(version, {
                                                   CBankBuilder::Record(1, Filler(12, seed)),
                                                   CBankBuilder::Record(2, Filler(patternBytes, seed)),
                                                   CBankBuilder::Record(3, Filler(patternBytes / 2, seed)),
                                               });
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ry7mkexample <output.sty>\n");
        return 2;
    }
    CBankBuilder builder;
    builder.DataChunk(3, Filler(32, 0))
        .NameTable()
        .Style("Pop 8Beat", Style(1, 1, 1500), true)
        .Style("Swing Jazz", Style(0, 2, 900))
        .Container(7, CBankBuilder::Record(1, Filler(40, 3)), "User Area")
        .Style("Bossa Nova", Style(1, 4, 2400), true)
        .Style("Rock Shuffle", Style(0, 5, 600), true)
        .OffsetIndex();
    const Bytes bank = builder.Build();
    CFileWriter writer(argv[1]);
    if (!writer.Write(bank.data(), bank.size())) {
        std::fprintf(stderr, "ry7mkexample: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
