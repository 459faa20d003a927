// The process entry: JUCE's standard start-up around the application object.
#include "BrisvoApplication.h"
#include "RegisterDeviceCallBacksMac.h"

#if TOLVA_SIMULATED_DEVICES
 #include <SimulatedWorld.h>
#endif

#if JUCE_LINUX
 #include <BrokenPipeGuard.h>
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
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
#else
JUCE_MAIN_FUNCTION_DEFINITION
#endif
