// The process entry: JUCE's standard start-up around the application object.
#include <SimulatedWorld.h>

#include "BrisvoApplication.h"
#include "RegisterDeviceCallBacksMac.h"

juce::JUCEApplicationBase* juce_CreateApplication();

juce::JUCEApplicationBase* juce_CreateApplication()
{
    // On this platform the devices a user sees are simulated: give the world its interface first.
    sim::World::get().installDefaultDevices (tolvaVendorId);
    return new BrisvoApplication();
}

JUCE_MAIN_FUNCTION_DEFINITION
