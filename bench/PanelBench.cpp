// Cost of one panel layout at a size the panel did not have just before, as a window resize causes it:
// the background rescaled from the artwork, seventeen children placed, both fader groups rescaled with
// their thumbs, and the images of the eleven image buttons set again. Needs a display (the panel builds
// its About dialog): run under xvfb-run when there is none.
#include "BenchSupport.h"
#include "MainComponent.h"

#include <benchmark/benchmark.h>

static void BM_PanelResizedAtNewSize (benchmark::State& state)
{
    bench_support::ensureJuceForPanel();
    auto panel = std::make_unique<MainComponent>();
    const int bar = panel->menuBarHeight;

    // Two sizes on the window's 320 to 290 content ratio, alternated so that every layout is a new one.
    const juce::Rectangle<int> sizes[] { { 0, 0, 320, 290 + bar }, { 0, 0, 441, 400 + bar } };
    int which = 0;

    for (auto _ : state)
    {
        panel->setSize (sizes[which].getWidth(), sizes[which].getHeight());
        which ^= 1;
        benchmark::DoNotOptimize (panel->backgroundImage);
    }

    panel.reset();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (10);
}
BENCHMARK (BM_PanelResizedAtNewSize)->Unit (benchmark::kMicrosecond);
