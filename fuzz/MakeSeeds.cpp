// Writes the seed corpora of the fuzz targets from the example bank: fuzz_seeds OUTPUT_DIR.
#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "codec/COComp.h"
#include "tools/example/CExampleBank.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void WriteSeed(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Blocks of each version and method over a piece of the bank.
void CodecSeeds(const std::filesystem::path& dir, const Bytes& bank)
{
    const Bytes source(bank.begin(),
                       bank.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(bank.size(), 2000)));
    const struct {
        uint8_t version, method;
    } forms[] = {{2, 0}, {3, 1}, {3, 2}};
    for (const auto& form : forms) {
        Bytes block(COComp::MaxBlockSize(source.size()));
        COComp codec;
        const int32_t n = codec.Compress(source.data(), static_cast<int32_t>(source.size()), block.data(),
                                         form.version, form.method);
        block.resize(static_cast<size_t>(n));
        WriteSeed(dir, "v" + std::to_string(form.version) + "m" + std::to_string(form.method), block);
    }
}

// One whole chord variation per example style, and one track alone from the first.
void SmfSeeds(const std::filesystem::path& dir, CStyleBank& bank)
{
    for (int k = 0; k < bank.StyleCount(); ++k) {
        const auto selection = bank.SelectStyle(k);
        CNstEditIfc style(selection->content.data(), selection->content.size());
        for (int element = 0; element < 12; ++element) {
            if (style.GetCvState(element, 0) != CNstEditIfc::StateFilled)
                continue;
            WriteSeed(dir, "style" + std::to_string(k),
                      style.ExportCvToSmf(element, 0, CNstEditIfc::AllTracks));
            if (k == 0) {
                WriteSeed(dir, "style0-bass", style.ExportCvToSmf(element, 0, 2));
                // A format 1 file of two tracks: the whole chord variation, then its bass again.
                Bytes format1 = style.ExportCvToSmf(element, 0, CNstEditIfc::AllTracks);
                const Bytes bass = style.ExportCvToSmf(element, 0, 2);
                format1[9] = 1;
                format1[11] = 2;
                format1.insert(format1.end(), bass.begin() + 14, bass.end());
                WriteSeed(dir, "format1", format1);
            }
            break;
        }
    }
}

// A steering byte, then a pattern record: length, stream size, stream (docs/formats/packed-pattern.md),
// trailer.
void PackedSeeds(const std::filesystem::path& dir)
{
    const Bytes streams[] = {
        {0x41, 0x09, 0x24, 0xE4, 0x81, 0x80, 0x40, 0x7F, 0x24, 0xC0, 0x09, 0x2F, 0x00, 0x00},
        {0x03, 0x07, 0xE4, 0xFF, 0x04, 0x85, 0x07, 0x3C, 0x64, 0x44, 0x00,
         0xC0, 0x0A, 0x00, 0x00, 0x01, 0xC1, 0x09, 0x2F, 0x00, 0x00},
        {0x43, 0x03, 0x01, 0x85, 0x09, 0x06, 0x00, 0x01, 0x41, 0x03, 0x01, 0x86, 0x09,
         0x01, 0x00, 0x05, 0x61, 0x62, 0x63, 0x64, 0x65, 0x09, 0x2F, 0x00, 0x00},
    };
    uint8_t steer = 0x00;
    int n = 0;
    for (const Bytes& stream : streams) {
        const uint32_t size = static_cast<uint32_t>(stream.size());
        Bytes record = {steer, 0x00, 0x00, 0x06, 0x00, 0, 0, 0, static_cast<uint8_t>(size)};
        record.insert(record.end(), stream.begin(), stream.end());
        record.insert(record.end(), {0x12, 0x34});
        WriteSeed(dir, "pattern" + std::to_string(n++), record);
        steer = static_cast<uint8_t>(steer + 0x23);
    }
}

// The note round trip reads a whole style from any bytes: a few fixed pseudo-random inputs.
void NotesSeeds(const std::filesystem::path& dir)
{
    for (uint32_t n = 0; n < 4; ++n) {
        std::mt19937 rng(n + 1);
        Bytes bytes(512u << n);
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(rng());
        WriteSeed(dir, "style" + std::to_string(n), bytes);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    Bytes image;
    CStyleBank bank;
    if (!CExampleBank::Build(0, image) || bank.OpenImage(image.data(), image.size()) != BankResult::Ok) {
        std::fprintf(stderr, "fuzz_seeds: the example bank could not be built\n");
        return 1;
    }
    WriteSeed(out / "fuzz_bank", "example.sty", image);
    CodecSeeds(out / "fuzz_codec", image);
    SmfSeeds(out / "fuzz_smf", bank);
    PackedSeeds(out / "fuzz_packed");
    NotesSeeds(out / "fuzz_notes");
    const std::string list = CExampleBank::ExtProgList();
    WriteSeed(out / "fuzz_extprog", "ExtProgList.txt", Bytes(list.begin(), list.end()));
    WriteSeed(
        out / "fuzz_extprog", "malformed.txt",
        Bytes{'1', ' ', '2', '\r', '-', '5', ' ', '+', '9', ' ', '0', ' ', '9', ' ', '1', '\n', 'x', '\n'});
    return 0;
}
