// The tests' side of the simulated world: reset, logs, counters and fault switches.
#include "TestWorld.h"
#include "WorldState.h"

#include <algorithm>

using sim::detail::WorldState;

namespace sim
{
    TestWorld& TestWorld::get()
    {
        static TestWorld world;
        return world;
    }

    TestWorld::TestWorld()
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.keepLogs = true;
    }

    TestWorld::~TestWorld() = default;

    void TestWorld::reset()
    {
        WorldState::get().reset();
    }

    // Logs ---------------------------------------------------------------------------------------------

    std::vector<HidReport> TestWorld::hidReports (IOHIDDeviceRef device) const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        auto* d = state.findHid (device);
        return d != nullptr ? d->reports : std::vector<HidReport>();
    }

    std::vector<PropertyWrite> TestWorld::propertyWrites() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.writes;
    }

    juce::StringArray TestWorld::appleScriptsRun() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.scriptsRun;
    }

    std::vector<intptr_t> TestWorld::allowedPowerChanges() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.allowedPowerChanges;
    }

    juce::StringArray TestWorld::lastManagerCriteria() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.lastCriteria;
    }

    void TestWorld::clearLogs()
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.writes.clear();
        state.allowedPowerChanges.clear();
        state.scriptsRun.clear();
        state.reportAttempts = state.reportsRefused = 0;
        for (auto& device : state.hidDevices)
            device->reports.clear();
    }

    // Counters -----------------------------------------------------------------------------------------

    int TestWorld::hidReportAttempts() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.reportAttempts;
    }

    int TestWorld::hidReportsRefused() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.reportsRefused;
    }

    int TestWorld::listenerCount (AudioObjectID object) const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        const auto found = state.listeners.find (object);
        return found != state.listeners.end() ? static_cast<int> (found->second.size()) : 0;
    }

    int TestWorld::listenerCallsDelivered() const
    {
        return WorldState::get().listenerCalls.load();
    }

    bool TestWorld::listenerIdle() const
    {
        return WorldState::get().listenerIdle();
    }

    int TestWorld::hidManagerCount() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return static_cast<int> (state.managers.size());
    }

    int TestWorld::powerRegistrationCount() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.powerRegistrations;
    }

    int TestWorld::serviceNotificationCount() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return state.serviceRegistrations;
    }

    TestWorld::HidFaults TestWorld::hidFaults() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        return { state.malformedReports, state.reportsToClosedDevices, state.callsAfterRemoval };
    }

    namespace
    {
        juce::StringArray describe (const RunLoopSchedule& schedule)
        {
            juce::StringArray entries;
            for (auto& entry : schedule.entries)
                entries.add ((entry.runLoop == &WorldState::mainRunLoop() ? "main " : "other ") + entry.mode);
            return entries;
        }

        std::vector<juce::StringArray> portSchedules (bool powerPorts)
        {
            auto& state = WorldState::get();
            const std::lock_guard<std::mutex> guard (state.mutex);
            std::vector<juce::StringArray> result;
            for (auto& port : state.ports)
                if (port->isPowerPort == powerPorts)
                    result.push_back (describe (port->source.schedule));
            return result;
        }
    }

    std::vector<juce::StringArray> TestWorld::hidManagerSchedules() const
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        std::vector<juce::StringArray> result;
        for (auto& manager : state.managers)
            result.push_back (describe (manager->schedule));
        return result;
    }

    std::vector<juce::StringArray> TestWorld::powerSourceSchedules() const
    {
        return portSchedules (true);
    }
    std::vector<juce::StringArray> TestWorld::serviceSourceSchedules() const
    {
        return portSchedules (false);
    }

    // Switches -----------------------------------------------------------------------------------------

    void TestWorld::setRefuseDuplicateListener (bool refuse)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.refuseDuplicateListener = refuse;
    }

    void TestWorld::setRateSettleDelay (AudioObjectID object, int milliseconds)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        if (auto* device = state.findAudio (object))
            device->settleDelayMs = std::max (0, milliseconds);
    }

    namespace
    {
        // Adds the selector to, or takes it from, one of the device's lists of failing properties.
        void setFailing (AudioObjectID object, std::vector<AudioObjectPropertySelector> detail::AudioDevice::*list,
                         AudioObjectPropertySelector selector, bool fail)
        {
            auto& state = WorldState::get();
            const std::lock_guard<std::mutex> guard (state.mutex);
            auto* device = state.findAudio (object);
            if (device == nullptr)
                return;

            auto& failing = device->*list;
            failing.erase (std::remove (failing.begin(), failing.end(), selector), failing.end());
            if (fail)
                failing.push_back (selector);
        }
    }

    void TestWorld::setFailGet (AudioObjectID object, AudioObjectPropertySelector selector, bool fail)
    {
        setFailing (object, &detail::AudioDevice::failingGets, selector, fail);
    }

    void TestWorld::setFailSet (AudioObjectID object, AudioObjectPropertySelector selector, bool fail)
    {
        setFailing (object, &detail::AudioDevice::failingSets, selector, fail);
    }

    void TestWorld::setDeviceListFails (bool fail)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.deviceListFails = fail;
    }

    void TestWorld::setPowerRegistrationFails (bool fail)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.powerRegistrationFails = fail;
    }

    void TestWorld::setAudioMidiSetupAvailable (bool available)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.audioMidiSetupAvailable = available;
    }

    void TestWorld::setMainRunLoopMode (CFRunLoopMode mode)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        state.setMainRunLoopMode (mode != nullptr ? mode : "");
    }
}
