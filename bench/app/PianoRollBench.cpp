// From selecting a chord variation of the example bank to the painted piano roll panel: the notes read
// through the facade, placed, and the offscreen panel rendered into an image.
#include "app/TPianoRoll.h"
#include "events/CGlobalObject.h"
#include "tests/app/CExampleStyles.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

// Every chord variation of the example bank, with the facade of its style.
struct CExampleNodes : CExampleStyles {
    struct CNode {
        CNstEditIfc* style;
        int element, cv;
    };
    std::vector<CNode> nodes;

    CExampleNodes()
    {
        for (const auto& style : styles)
            for (int e = 0; e < kStyleElements; ++e)
                for (int c = 0; c < kChordVars; ++c)
                    if (style->GetCvState(e, c) != CNstEditIfc::StateAbsent)
                        nodes.push_back({style.get(), e, c});
    }
};

const CExampleNodes* example = nullptr;

// One iteration: the next chord variation of the bank shown in a panel of the size the window gives it,
// and painted.
void SelectAndPaint(benchmark::State& state)
{
    if (example->nodes.empty()) {
        state.SkipWithError("examples/demo.sty could not be read");
        return;
    }
    TPianoRoll roll;
    roll.resize(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QImage image(roll.size(), QImage::Format_ARGB32_Premultiplied);
    size_t next = 0;
    size_t notes = 0;
    for (auto _ : state) {
        const CExampleNodes::CNode& node = example->nodes[next++ % example->nodes.size()];
        roll.ShowNode(*node.style, example->programs, node.element, node.cv, CNstEditIfc::AllTracks);
        roll.render(&image);
        notes += roll.Content() ? roll.Content()->notes.size() : 0;
    }
    state.counters["notes"] =
        benchmark::Counter(static_cast<double>(notes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(SelectAndPaint)->Args({800, 300})->Args({1600, 600})->Unit(benchmark::kMillisecond);

// The same without the painting: the facade's note list and the layout.
void SelectOnly(benchmark::State& state)
{
    if (example->nodes.empty()) {
        state.SkipWithError("examples/demo.sty could not be read");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        const CExampleNodes::CNode& node = example->nodes[next++ % example->nodes.size()];
        const std::optional<CRollContent> content =
            CRollNotes::Read(*node.style, example->programs, node.element, node.cv, CNstEditIfc::AllTracks);
        const CRollLayout layout(*content, 800, 300);
        benchmark::DoNotOptimize(layout.NoteBoxes().data());
    }
}
BENCHMARK(SelectOnly)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication application(argc, argv);
    return RunWithGlobalObjects([] {
        const CExampleNodes nodes;
        example = &nodes;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    });
}
