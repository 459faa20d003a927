// Time from starting the real program to its main window on screen with the panel's artwork drawn, as a
// user sees it come up. Every start gets fresh home and runtime folders, so each is a first start.
// Needs an X display: run under xvfb-run.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <thread>

namespace
{
    using bench_support::Clock;
    using bench_support::mainWindowTitle;
    using bench_support::msSince;
    using bench_support::programExitTimeoutMs;

    // The centre of the window at its first-start size: dark panel background between the fader groups.
    const juce::Point<int> backgroundSpot (160, 145);
    constexpr auto startTimeout = std::chrono::seconds (30);

    // The window's own background is light grey and a window not drawn yet reads black: anything else
    // is the panel's artwork.
    bool showsArtwork (juce::Colour colour)
    {
        return colour != juce::Colours::lightgrey && colour != juce::Colours::black;
    }

    struct StartTimes
    {
        double mappedMs, paintedMs;
    };

    // Polls every millisecond; nothing if the program ended or the timeout passed first. The program
    // maps and drops a small window of the same title before its main window, so the mapping time is
    // that of the window which gets painted.
    std::optional<StartTimes> waitForPaintedWindow (launch::Display& display, launch::AppProcess& app, Clock::time_point start)
    {
        std::map<launch::WindowId, double> mappedMs;

        while (app.isRunning() && Clock::now() - start < startTimeout)
        {
            for (const auto window : display.findWindows (mainWindowTitle, app.pid()))
            {
                mappedMs.emplace (window, msSince (start));

                if (const auto colour = display.pixelAt (window, backgroundSpot); colour && showsArtwork (*colour))
                    return StartTimes { mappedMs[window], msSince (start) };
            }

            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }

        return std::nullopt;
    }
}

static void BM_StartupToFirstPaint (benchmark::State& state)
{
    if (std::getenv ("DISPLAY") == nullptr)
    {
        state.SkipWithError ("needs an X display (run under xvfb-run)");
        return;
    }

    auto& display = bench_support::sharedDisplay();
    double mappedMsTotal = 0;

    for (auto _ : state)
    {
        const bench_support::SessionFolders folders ("tolva-startbench");
        const auto start = Clock::now();
        const auto app = folders.start (juce::File (TOLVA_APP_PATH));
        const auto times = app->started() ? waitForPaintedWindow (display, *app, start) : std::nullopt;

        if (! times)
        {
            std::cerr << "program output:\n" << folders.log.loadFileAsString() << std::endl;
            state.SkipWithError ("the program showed no painted main window");
            break;
        }

        state.SetIterationTime (times->paintedMs / 1000.0);
        mappedMsTotal += times->mappedMs;

        app->interrupt();
        app->waitForExit (programExitTimeoutMs);
    }

    state.counters["mapped_ms"] = benchmark::Counter (mappedMsTotal, benchmark::Counter::kAvgIterations);
}
BENCHMARK (BM_StartupToFirstPaint)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (5);
