// Exporting every chord variation of every style of a bank of about 3 MB, as `ry7style export
// --all-styles` does it: opening the bank, expanding and parsing each style, writing each file.
#include "bank/chunk/CStyleBank.h"
#include "cli/CCliCommands.h"
#include "cli/CCliSession.h"
#include "events/CGlobalObject.h"
#include "tools/example/CExampleBank.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The bank (60 generated styles) written once into a scratch folder.
struct CBenchBank {
    fs::path dir;
    fs::path bank;
    size_t fileSize = 0;
    int32_t used = 0;

    CBenchBank()
    {
        dir = fs::temp_directory_path() / ("ry7-bench-cli-" + std::to_string(getpid()));
        fs::create_directories(dir);
        bank = dir / "bench.sty";
        std::vector<uint8_t> image;
        if (!CExampleBank::Build(CExampleBank::MaxBenchStyles, image))
            return;
        std::ofstream(bank, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        fileSize = image.size();
        CStyleBank opened;
        if (opened.OpenFile(bank) == BankResult::Ok)
            used = opened.Used();
    }
    ~CBenchBank() { fs::remove_all(dir); }
};

// Built once for every run of the benchmark: the generator takes seconds.
const CBenchBank* benchBank = nullptr;

// `where` is the folder's parent: the scratch folder on disk, or a memory-backed folder, which leaves
// the file system's own cost out.
void ExportWholeBank(benchmark::State& state, const char* where)
{
    const CBenchBank& bank = *benchBank;
    if (bank.used == 0) {
        state.SkipWithError("the benchmark bank could not be built");
        return;
    }
    const fs::path parent = where ? fs::path(where) : bank.dir;
    if (!fs::is_directory(parent)) {
        state.SkipWithError("no such folder");
        return;
    }
    const fs::path outDir = parent / ("ry7-bench-cli-out-" + std::to_string(getpid()));
    const std::string out = outDir.string();
    std::string bankPath = bank.bank.string();
    char command[] = "ry7style";
    char verb[] = "export";
    char all[] = "--all-styles";
    char dashO[] = "-o";
    std::vector<char*> argv = {command, verb, bankPath.data(), all, dashO, const_cast<char*>(out.c_str())};
    int64_t files = 0;
    for (auto _ : state) {
        std::ostringstream listing;
        std::ostringstream messages;
        CCliSession session(listing, messages);
        if (CCliCommands::Main(session, static_cast<int>(argv.size()), argv.data()) != 0) {
            state.SkipWithError(messages.str().c_str());
            return;
        }
        const std::string written = listing.str();
        files = std::count(written.begin(), written.end(), '\n');
        // Each run writes into a new folder, as the demo does; replacing files costs the file system more.
        state.PauseTiming();
        fs::remove_all(outDir);
        state.ResumeTiming();
    }
    state.counters["files"] = static_cast<double>(files);
    state.counters["bank_bytes_uncompressed"] = bank.used;
    state.counters["bank_file_bytes"] = static_cast<double>(bank.fileSize);
    state.SetBytesProcessed(state.iterations() * bank.used);
    fs::remove_all(outDir);
}
BENCHMARK_CAPTURE(ExportWholeBank, to_disk, nullptr)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(ExportWholeBank, to_memory_folder, "/dev/shm")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    return RunWithGlobalObjects([] {
        const CBenchBank bank;
        benchBank = &bank;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    });
}
