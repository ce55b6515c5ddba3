// Export of every chord variation of a realistic style to MIDI file images, and import back.
#include "bank/facade/FacadeTestSupport.h"

#include <benchmark/benchmark.h>

using namespace facadetest;

namespace {

// Note density of the generated style: its normalised content chunk is about 60 KB.
constexpr int kDensity = 8;

// A style of 40 chord variations, stored and reopened as the window would open it from a bank.
struct CBenchStyle {
    std::vector<CStyleFile> files = StyleFiles(kDensity);
    Bytes chunk;
    std::vector<Bytes> images;

    CBenchStyle()
    {
        CNstEditIfc built(nullptr, 0);
        for (const CStyleFile& file : files)
            built.ImportSmfToCv(file.image.data(), file.image.size(), file.element, file.cv,
                                CNstEditIfc::AllTracks, false);
        chunk = built.BuildStyleChunk(true);
        CNstEditIfc reopened(chunk.data(), chunk.size());
        for (const CStyleFile& file : files)
            images.push_back(reopened.ExportCvToSmf(file.element, file.cv, CNstEditIfc::AllTracks));
    }
};

const CBenchStyle& Style()
{
    static const CBenchStyle style;
    return style;
}

void ExportEveryChordVariation(benchmark::State& state)
{
    const CBenchStyle& style = Style();
    CNstEditIfc facade(style.chunk.data(), style.chunk.size());
    size_t bytes = 0;
    for (auto _ : state)
        for (const CStyleFile& file : style.files) {
            const Bytes image = facade.ExportCvToSmf(file.element, file.cv, CNstEditIfc::AllTracks);
            bytes += image.size();
            benchmark::DoNotOptimize(image.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["style_bytes"] = static_cast<double>(style.chunk.size());
    state.counters["chord_variations"] = static_cast<double>(style.files.size());
}
BENCHMARK(ExportEveryChordVariation)->Unit(benchmark::kMillisecond);

void ImportEveryChordVariation(benchmark::State& state)
{
    const CBenchStyle& style = Style();
    CNstEditIfc facade(style.chunk.data(), style.chunk.size());
    size_t bytes = 0;
    for (auto _ : state)
        for (size_t i = 0; i < style.files.size(); ++i) {
            const Bytes& image = style.images[i];
            const bool ok = facade.ImportSmfToCv(image.data(), image.size(), style.files[i].element,
                                                 style.files[i].cv, CNstEditIfc::AllTracks, false);
            bytes += image.size();
            benchmark::DoNotOptimize(ok);
        }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["style_bytes"] = static_cast<double>(style.chunk.size());
}
BENCHMARK(ImportEveryChordVariation)->Unit(benchmark::kMillisecond);

// Reference in the same run: opening the style (expanding and parsing its content chunk).
void OpenStyle(benchmark::State& state)
{
    const CBenchStyle& style = Style();
    for (auto _ : state) {
        CNstEditIfc facade(style.chunk.data(), style.chunk.size());
        benchmark::DoNotOptimize(facade.IsLoaded());
    }
}
BENCHMARK(OpenStyle)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
