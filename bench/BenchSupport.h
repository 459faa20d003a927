// Start-up shared by the benchmarks that build a panel.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

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
            juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };

        static juce::ScopedJuceInitialiser_GUI juce;
    }
}
