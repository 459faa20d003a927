// Cost of one panel layout at a size the panel did not have just before, as a window resize causes it:
// the background rescaled from the artwork, seventeen children placed, both fader groups rescaled with
// their thumbs, and the images of the eleven image buttons set again. Needs a display (the panel builds
// its About dialog): run under xvfb-run when there is none.
#include "MainComponent.h"

#include <benchmark/benchmark.h>

namespace
{
    // JUCE keeps its list of objects to delete at shutdown in a function-local static. Creating it
    // before main lets it outlive the benchmarks' static JUCE initialisers, whose destructors at exit
    // still walk it (the panel leaves such objects behind: the desktop, the image cache).
    [[maybe_unused]] const bool shutdownListFirst = (juce::DeletedAtShutdown::deleteAll(), true);

    void ensureJuceForPanel()
    {
        // Run as the program does: JUCE then installs its X error handlers, which ignore the
        // window-manager atoms that a bare X server lacks, instead of Xlib's default handler ending the
        // process when the panel builds its About dialog.
        if (juce::JUCEApplicationBase::createInstance == nullptr)
            juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };

        static juce::ScopedJuceInitialiser_GUI juce;
    }
}

static void BM_PanelResizedAtNewSize (benchmark::State& state)
{
    ensureJuceForPanel();
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
