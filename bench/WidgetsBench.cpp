// Benchmarks of the widget work done at every panel layout and label paint. This file also holds the
// one benchmark main of tolva_bench.
#include "OXVBinaryData.h"
#include "OXVLabel.h"
#include "SliderStereoGroup.h"

#include <benchmark/benchmark.h>
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    // JUCE needs its message manager (image cache timers, the label's message lock) on this thread.
    void ensureJuce()
    {
        static juce::ScopedJuceInitialiser_GUI juce;
    }

    struct LaidOutGroup
    {
        OxvSliderLookAndFeel lookAndFeel;
        SliderStereoGroup group { "sliderGroupIn", 0 };

        LaidOutGroup()
        {
            lookAndFeel.setImagPathAndSize (OXVBIN::imageThumbNormal, OXVBIN::imageThumbNormalSize,
                                            OXVBIN::imageThumbHighlighted, OXVBIN::imageThumbHighlightedSize, 15, 19);
            group.stopTimer();
            group.leftDesign = { 162, 17, 0, 5 };
            group.rightDesign = { 162, 17, 17, 5 };
            group.leftSliderRect = { 0, 5, 162, 17 };
            group.rightSliderRect = { 17, 5, 162, 17 };
            group.configSliders ({ -40.0, 12.0 }, 0.0, 0.0, 0.0, lookAndFeel, {}, {});
            group.groupDesign = { 195, 65, 95, 58 };
            group.setBounds (95, 58, 65, 195);
        }

        ~LaidOutGroup() { group.removeLookAndFeel(); }
    };
}

// One layout step of a fader group at a window size it has not had just before: scales the geometry
// and rescales the three thumbs (with the centre line), then places the faders.
static void BM_SliderGroupLayoutAtNewScale (benchmark::State& state)
{
    ensureJuce();
    LaidOutGroup g;
    const double widths[] = { 320.0, 347.0 };
    const double heights[] = { 290.0, 315.0 };
    int which = 0;

    for (auto _ : state)
    {
        which ^= 1;
        const auto bounds = g.group.getNewPos (widths[which] / 380.0, heights[which] / 290.0);
        g.group.setBounds (bounds);
        benchmark::DoNotOptimize (bounds);
    }
}
BENCHMARK (BM_SliderGroupLayoutAtNewScale);

// getNewPos alone, without the faders' own layout.
static void BM_SliderGroupGetNewPos (benchmark::State& state)
{
    ensureJuce();
    LaidOutGroup g;
    const double scales[] = { 320.0 / 380.0, 0.9 };
    int which = 0;

    for (auto _ : state)
    {
        which ^= 1;
        benchmark::DoNotOptimize (g.group.getNewPos (scales[which], scales[which]));
    }
}
BENCHMARK (BM_SliderGroupGetNewPos);

// The label font search at a given label width: 200 fits at once, 36 searches a few heights, 0 runs
// to the floor.
static void BM_LabelFontSearch (benchmark::State& state)
{
    ensureJuce();
    OXVdBLabelLookAndFeel look;
    juce::Label label;
    label.setSize (static_cast<int> (state.range (0)), 17);

    for (auto _ : state)
        benchmark::DoNotOptimize (look.getLabelFont (label));
}
BENCHMARK (BM_LabelFontSearch)->Arg (200)->Arg (36)->Arg (0);

BENCHMARK_MAIN();
