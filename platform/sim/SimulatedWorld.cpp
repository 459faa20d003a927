// The world as a whole: the singleton, the Tolva interface, and the default devices of the application.
#include "WorldState.h"

namespace sim
{
    AudioDeviceSpec tolvaAudioSpec()
    {
        AudioDeviceSpec spec;
        spec.name = "Tolva";
        spec.manufacturer = "TARVIK, Inc.";
        spec.uid = "TolvaUSB:0142";
        return spec;
    }

    HidDeviceSpec tolvaHidSpec (SInt32 vendorId, AudioObjectID linkedAudioObject)
    {
        HidDeviceSpec spec;
        spec.vendorId = vendorId;
        spec.productId = tolvaProductId;
        spec.product = juce::String ("Tolva");
        spec.linkedAudioObject = linkedAudioObject;
        return spec;
    }

    World& World::get()
    {
        static World world;
        return world;
    }

    void World::installDefaultDevices (SInt32 vendorId)
    {
        AudioDeviceSpec builtIn;
        builtIn.name = "Built-in Output";
        builtIn.manufacturer = "Apple Inc.";
        builtIn.uid = "BuiltInSpeakerDevice";
        builtIn.hasInput = false;
        builtIn.nominalRate = 44100.0;
        builtIn.outputDbRange = { -63.5f, 0.0f };
        addAudioDevice (builtIn);

        plugHid (tolvaHidSpec (vendorId, addAudioDevice (tolvaAudioSpec())));
    }
}
