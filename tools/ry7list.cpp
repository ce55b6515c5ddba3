// Lists the styles of a style bank: index, name, slot, compressed and uncompressed size.
#include "bank/CStyleBank.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace {
// Names come from the file: anything unprintable is shown as '?'.
std::string Printable(const std::string& name)
{
    std::string shown = name;
    for (char& c : shown) {
        if (!std::isprint(static_cast<unsigned char>(c)))
            c = '?';
    }
    return shown;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: ry7list <bank.sty>\n");
        return 2;
    }
    CStyleBank bank;
    const BankResult result = bank.OpenFile(argv[1]);
    if (result != BankResult::Ok) {
        std::fprintf(stderr, "ry7list: %s: %s\n", argv[1], CStyleBank::Message(result));
        return 1;
    }
    const std::vector<std::string> names = bank.StyleNames();
    std::printf("%s: %d styles, %d bytes uncompressed\n", argv[1], bank.StyleCount(), bank.Used());
    std::printf("%3s  %-24s %4s %11s %13s\n", "#", "Name", "Slot", "Compressed", "Uncompressed");
    for (int k = 0; k < bank.StyleCount(); ++k) {
        const std::optional<CStyleSelection> style = bank.SelectStyle(k);
        const std::string name =
            k < static_cast<int>(names.size()) ? Printable(names[static_cast<size_t>(k)]) : "-";
        std::printf("%3d  %-24s %4d %11u %13u\n", k + 1, name.c_str(), bank.SlotOfStyle(k),
                    style->compressedSize, style->uncompressedSize);
    }
    return 0;
}
