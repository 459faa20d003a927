// Time from starting the real program to its main window on screen with the panel's artwork drawn, as a
// user sees it come up. Every start gets fresh home and runtime folders, so each is a first start.
// Needs an X display: run under xvfb-run.
#include "LaunchSupport.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <thread>

#include <sys/stat.h>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program to start"
#endif

namespace
{
    using Clock = std::chrono::steady_clock;

    const juce::String windowTitle ("Tolva USB v2.0.0.0");
    // The centre of the window at its first-start size: dark panel background between the fader groups.
    const juce::Point<int> backgroundSpot (160, 145);
    constexpr auto startTimeout = std::chrono::seconds (30);
    constexpr int exitTimeoutMs = 20000;

    double msSince (Clock::time_point start)
    {
        return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
    }

    // The window's own background is light grey and a window not drawn yet reads black: anything else
    // is the panel's artwork.
    bool showsArtwork (juce::Colour colour)
    {
        return colour != juce::Colours::lightgrey && colour != juce::Colours::black;
    }

    // One connection for the whole run: a bare X server that loses its last client starts over.
    launch::Display& sharedDisplay()
    {
        static launch::Display display;
        return display;
    }

    // Home and runtime folders of one start, removed with everything the program left in them.
    struct Folders
    {
        Folders()
        {
            home.createDirectory();
            runtimeDir.createDirectory();
            ::chmod (runtimeDir.getFullPathName().toRawUTF8(), 0700);
        }

        ~Folders()
        {
            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        const juce::File root = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                    .getNonexistentChildFile ("tolva-startbench", "", false);
        const juce::File home = root.getChildFile ("home"), runtimeDir = root.getChildFile ("run");
        const juce::File log = root.getChildFile ("program.log");
    };

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
            for (const auto window : display.findWindows (windowTitle, app.pid()))
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

    auto& display = sharedDisplay();
    double mappedMsTotal = 0;

    for (auto _ : state)
    {
        const Folders folders;
        const auto start = Clock::now();
        launch::AppProcess app (juce::File (TOLVA_APP_PATH), {}, folders.home, folders.runtimeDir, folders.log);
        const auto times = app.started() ? waitForPaintedWindow (display, app, start) : std::nullopt;

        if (! times)
        {
            std::cerr << "program output:\n" << folders.log.loadFileAsString() << std::endl;
            state.SkipWithError ("the program showed no painted main window");
            break;
        }

        state.SetIterationTime (times->paintedMs / 1000.0);
        mappedMsTotal += times->mappedMs;

        app.interrupt();
        app.waitForExit (exitTimeoutMs);
    }

    state.counters["mapped_ms"] = benchmark::Counter (mappedMsTotal, benchmark::Counter::kAvgIterations);
}
BENCHMARK (BM_StartupToFirstPaint)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (5);
