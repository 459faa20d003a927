// Start-up shared by the benchmarks that build a panel, and by those that run the real program.
#pragma once

#include "LaunchSupport.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <chrono>
#include <filesystem>
#include <memory>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program to start"
#endif

namespace bench_support
{
    // JUCE keeps its list of objects to delete at shutdown in a function-local static. Creating it
    // before main lets it outlive the benchmarks' static JUCE initialiser, whose destructor at exit still
    // walks it (a panel leaves such objects behind: the desktop, the image cache).
    [[maybe_unused]] inline const bool shutdownListFirst = (juce::DeletedAtShutdown::deleteAll(), true);

    // Starts JUCE's GUI once, as the program does: with an application factory set, JUCE installs its X
    // error handlers, which ignore the window-manager atoms a bare X server lacks, instead of Xlib's
    // default handler ending the process when a panel builds its About dialog.
    inline void ensureJuceForPanel()
    {
        if (juce::JUCEApplicationBase::createInstance == nullptr)
            juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };

        static juce::ScopedJuceInitialiser_GUI juce;
    }

    inline const juce::String mainWindowTitle ("Tolva USB v2.0.0.0");
    constexpr int programExitTimeoutMs = 20000;

    using Clock = std::chrono::steady_clock;

    inline double msSince (Clock::time_point start)
    {
        return std::chrono::duration<double, std::milli> (Clock::now() - start).count();
    }

    // One connection for the whole run: a bare X server that loses its last client starts over.
    inline launch::Display& sharedDisplay()
    {
        static launch::Display display;
        return display;
    }

    // Home and runtime folders of one run of the program, removed with everything it left in them.
    struct SessionFolders
    {
        explicit SessionFolders (const char* name)
            : root (juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile (name, "", false))
        {
            launch::createSessionFolders (home, runtimeDir);
        }

        ~SessionFolders()
        {
            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        std::unique_ptr<launch::AppProcess> start (const juce::File& program, const juce::StringArray& arguments = {}) const
        {
            return std::make_unique<launch::AppProcess> (program, arguments, home, runtimeDir, log);
        }

        const juce::File root;
        const juce::File home = root.getChildFile ("home"), runtimeDir = root.getChildFile ("run");
        const juce::File log = root.getChildFile ("program.log");
    };
}
