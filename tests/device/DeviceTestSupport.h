// Shared pieces of the device tests: a recording stand-in for the panel's device-event function and a
// fixture that gives every test a fresh simulated world and fresh device globals.
#pragma once

#include "RegisterDeviceCallBacksMac.h"
#include "CoreAudioDevice.h"
#include "HidOutputReport.h"
#include "DeviceWorldSupport.h"

#include <MessageThreadLock.h>
#include <PlatformClock.h>

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <mutex>
#include <utility>
#include <vector>

namespace device_tests
{
    // One device event as the panel would have seen it, with the device state at that moment.
    struct RecordedEvent
    {
        OXV_CallbackEvent event;
        bool onMessageThread;
        std::uint32_t platformTime;
        IOHIDDeviceRef hidInterface;
        AudioObjectID inObject;
        AudioObjectID outObject;
        std::size_t powerChangesAllowed;
    };

    // Behaves like the panel's device-event function: nothing for a null owner, then the message-manager
    // lock (nothing without it), then a second look at the owner, and only then the event is taken.
    class EventRecorder
    {
    public:
        static EventRecorder& get()
        {
            static EventRecorder recorder;
            return recorder;
        }

        static void callback (void* owner, void* unused, OXV_CallbackEvent event)
        {
            EXPECT_EQ (unused, nullptr);
            if (owner == nullptr)
                return;

            const MessageThreadLock lock;
            if (! lock.lockWasGained() || mydeviceStruct.owner.load() != owner)
                return;

            get().add ({ event, juce::MessageManager::getInstance()->isThisTheMessageThread(),
                         PlatformClock::getMillisecondCounter(), ghidInterface.load(), gInAudioObjectID.load(),
                         gOutAudioObjectID.load(), testing_support::world().allowedPowerChanges().size() });
        }

        std::vector<RecordedEvent> events() const
        {
            const std::lock_guard<std::mutex> guard (mutex);
            return recorded;
        }

        std::vector<OXV_CallbackEvent> kinds() const
        {
            std::vector<OXV_CallbackEvent> result;
            for (const auto& e : events())
                result.push_back (e.event);
            return result;
        }

        std::size_t count() const { return events().size(); }

        void clear()
        {
            const std::lock_guard<std::mutex> guard (mutex);
            recorded.clear();
        }

    private:
        void add (const RecordedEvent& e)
        {
            const std::lock_guard<std::mutex> guard (mutex);
            recorded.push_back (e);
        }

        mutable std::mutex mutex;
        std::vector<RecordedEvent> recorded;
    };

    inline sim::HidDeviceSpec tolvaHid (SInt32 productId = tolvaProductId1, const juce::String& product = "Tolva")
    {
        auto spec = sim::tolvaHidSpec (tolvaVendorId);
        spec.productId = productId;
        spec.product = product;
        return spec;
    }

    inline sim::AudioDeviceSpec audioDevice (const juce::String& name = "Tolva",
                                             const juce::String& manufacturer = "TARVIK, Inc.", bool hasInput = true,
                                             bool hasOutput = true)
    {
        static int serial = 0;
        auto spec = sim::tolvaAudioSpec();
        spec.name = name;
        spec.manufacturer = manufacturer;
        spec.uid = "uid-" + juce::String (++serial);
        spec.hasInput = hasInput;
        spec.hasOutput = hasOutput;
        return spec;
    }

    inline sim::AudioDeviceSpec inputOnly()
    {
        return audioDevice ("Tolva", "TARVIK, Inc.", true, false);
    }
    inline sim::AudioDeviceSpec outputOnly()
    {
        return audioDevice ("Tolva", "TARVIK, Inc.", false, true);
    }

    // A device that takes every rate the tests ask of it, starting from one none of them uses.
    inline sim::AudioDeviceSpec offeringEveryRate (sim::AudioDeviceSpec spec)
    {
        spec.offeredRates = { 8000.0, 11025.0, 22050.0, 32000.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0 };
        spec.nominalRate = 11025.0;
        return spec;
    }

    // The input and output objects the device code currently uses.
    using AudioIds = std::pair<AudioObjectID, AudioObjectID>;

    inline AudioIds audioIds()
    {
        return { gInAudioObjectID.load(), gOutAudioObjectID.load() };
    }

    inline void setAudioIds (AudioObjectID in, AudioObjectID out)
    {
        gInAudioObjectID = in;
        gOutAudioObjectID = out;
    }

    class DeviceTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            resetEverything();
            PlatformClock::setSpeed (clockSpeed);
        }

        void useClockSpeed (double speed)
        {
            clockSpeed = speed;
            PlatformClock::setSpeed (speed);
        }

        void TearDown() override
        {
            UnregisterDeviceOwner (panel());
            testing_support::expectNoHidFaults();
            resetEverything();
        }

        // The stand-in panel's address, the owner passed to every event.
        void* panel() { return &panelObject; }

        // Full registration with the platform, as the panel's constructor does it.
        void registerPanel() { RegisterDeviceCallBacks (panel(), EventRecorder::callback); }

        // Fills the device context but drops the platform's registrations again, so that the test's own
        // calls of the callbacks are the only ones.
        void fillContextOnly()
        {
            registerPanel();
            world().reset();
            PlatformClock::setSpeed (clockSpeed);
        }

        // Installs the listener on the matching audio devices the way the HID arrival does.
        static void lookUpAudioDevices()
        {
            CreateInputDeviceArray (CFSTR ("Tolva"), CFSTR ("TARVIK, Inc."), &mydeviceStruct);
        }

        static sim::TestWorld& world() { return testing_support::world(); }
        static EventRecorder& recorder() { return EventRecorder::get(); }

        static bool waitForEvents (std::size_t count)
        {
            return testing_support::pumpUntil ([count] { return recorder().count() >= count; });
        }

        // Runs the message loop until the listener thread has delivered everything queued.
        static bool waitForListenerIdle()
        {
            return testing_support::pumpUntil ([] { return world().listenerIdle(); });
        }

        static void resetEverything()
        {
            testing_support::resetWorldAndDeviceHandles();
            recorder().clear();
        }

        double clockSpeed = 200.0;

    private:
        int panelObject = 0;
    };
}
