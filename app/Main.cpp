// The process entry: JUCE's standard start-up around the application object.
#include "BrisvoApplication.h"
#include "RegisterDeviceCallBacksMac.h"

#if TOLVA_SIMULATED_DEVICES
 #include <SimulatedWorld.h>
#endif

#if JUCE_LINUX
 #include "native/XDisplayConnection.h"

 #include <BrokenPipeGuard.h>

 #include <cstdio>
#endif

juce::JUCEApplicationBase* juce_CreateApplication();

juce::JUCEApplicationBase* juce_CreateApplication()
{
#if TOLVA_SIMULATED_DEVICES
    // Without the system's device services the devices a user sees are simulated: give the world its
    // interface first.
    sim::World::get().installDefaultDevices (tolvaVendorId);
#endif
    return new BrisvoApplication();
}

#if JUCE_LINUX
// JUCE's own main, with the guard set before anything else runs.
int main (int argc, char* argv[])
{
    guardAgainstBrokenPipes();

    // Before JUCE starts, and before a launch would hand its command line to a running instance: a
    // launch from where no window can be shown says so, rather than raise a window somewhere else.
    // Held while the program runs: an X server started without -noreset (as xvfb-run starts one)
    // resets when its last client leaves, and drops a client that connects meanwhile: JUCE's.
    const XDisplayConnection display;
    if (! display.isOpen())
    {
        std::fprintf (stderr, "%s\n", display.whyNotOpen().c_str());
        return 1;
    }

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
#else
JUCE_MAIN_FUNCTION_DEFINITION
#endif
