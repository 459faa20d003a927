// The world as a whole: the singleton, its reset, and the default devices of the application.
#include "WorldState.h"

using sim::detail::WorldState;

namespace sim
{
    struct World::Impl
    {
        WorldState& state = WorldState::get();
    };

    World& World::get()
    {
        static World world;
        return world;
    }

    World::World() : impl (std::make_unique<Impl>()) {}

    World::~World()
    {
        impl->state.stopNotificationThread (false);
    }

    void World::reset()
    {
        impl->state.reset();
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

        AudioDeviceSpec tolva;
        tolva.name = "Tolva";
        tolva.manufacturer = "TARVIK, Inc.";
        tolva.uid = "TolvaUSB:0142";
        const auto tolvaObject = addAudioDevice (tolva);

        HidDeviceSpec hid;
        hid.vendorId = vendorId;
        hid.productId = 0x0142;
        hid.product = juce::String ("Tolva");
        hid.linkedAudioObject = tolvaObject;
        plugHid (hid);
    }

    void World::clearLogs()
    {
        auto& state = impl->state;
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.writes.clear();
        state.allowedPowerChanges.clear();
        state.scriptsRun.clear();
        state.reportAttempts = state.reportsRefused = 0;
        for (auto& device : state.hidDevices)
            device->reports.clear();
    }
}
