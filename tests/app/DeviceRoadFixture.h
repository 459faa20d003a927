// Shared pieces of the panel's device-road tests: a fresh simulated world and fresh device globals for
// every test, the Tolva interface as it is plugged in, the panel with a counter of its device refreshes,
// and helpers that read what the device received.
#pragma once

#include "MainComponent.h"
#include "TestSupport.h"

#include <PlatformClock.h>
#include <SimulatedWorld.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace road_tests
{
    using Bytes = std::vector<UInt8>;

    // The 27-byte output report as the device expects it, written out here independently of the program.
    inline Bytes expectedReport (UInt8 command, UInt8 value)
    {
        Bytes bytes (27, 0x00);
        bytes[0] = 0x12;
        bytes[1] = 0x34;
        bytes[2] = command;
        bytes[4] = 0x01;
        bytes[5] = value;
        bytes[21] = 0x80;
        return bytes;
    }

    // The panel with a count of its device refreshes: one tick of the refresh timer is one refresh.
    // (The menu rebuild requests that a refresh makes can't be counted: focus changes make them too.)
    class CountingPanel : public MainComponent
    {
    public:
        void timerCallback (int timerID) override
        {
            MainComponent::timerCallback (timerID);
            if (timerID == timerIdDeviceRefresh)
                ++refreshes;
        }

        std::atomic<int> refreshes { 0 };
    };

    // One program write as the tests compare them.
    struct Write
    {
        AudioObjectID object;
        AudioObjectPropertySelector selector;
        AudioObjectPropertyScope scope;
        AudioObjectPropertyElement element;
        double value;

        bool operator== (const Write& other) const
        {
            return object == other.object && selector == other.selector && scope == other.scope
                && element == other.element && value == other.value;
        }
    };

    inline std::ostream& operator<< (std::ostream& os, const Write& w)
    {
        auto code = [] (UInt32 c)
        {
            std::string s;
            for (int shift = 24; shift >= 0; shift -= 8)
                s += char ((c >> shift) & 0xff);
            return s;
        };
        return os << "{obj " << w.object << " '" << code (w.selector) << "' '" << code (w.scope) << "' "
                  << w.element << " = " << w.value << "}";
    }

    constexpr auto vold = kAudioDevicePropertyVolumeDecibels;
    constexpr auto mute = kAudioDevicePropertyMute;
    constexpr auto nsrt = kAudioDevicePropertyNominalSampleRate;
    constexpr auto inpt = kAudioObjectPropertyScopeInput;
    constexpr auto outp = kAudioObjectPropertyScopeOutput;
    constexpr auto wildcard = kAudioObjectPropertyScopeWildcard;

    class DeviceRoadTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            resetWorld();
            PlatformClock::setSpeed (clockSpeed);
            settingsFile().deleteFile();
        }

        void TearDown() override
        {
            destroyPanel();
            resetWorld();
        }

        static sim::World& world() { return sim::World::get(); }

        static juce::File settingsFile()
        {
            return juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", {}))
                       .getChildFile (".config/Tolva USB/Tolva USB.settings");
        }

        // Writes the settings file as an earlier run of the program would have left it.
        static void writeSettings (const juce::StringPairArray& values)
        {
            juce::PropertiesFile file (MainComponent::settingsOptions());
            for (const auto& key : values.getAllKeys())
                file.setValue (key, values[key]);
            ASSERT_TRUE (file.save());
        }

        // The interface's audio side: one object for input and output unless told otherwise.
        AudioObjectID addTolvaAudio (double rate = 48000.0, bool hasInput = true, bool hasOutput = true)
        {
            sim::AudioDeviceSpec spec;
            spec.name = "Tolva";
            spec.manufacturer = "TARVIK, Inc.";
            spec.uid = "tolva-" + juce::String (++serial);
            spec.hasInput = hasInput;
            spec.hasOutput = hasOutput;
            spec.nominalRate = rate;
            spec.offeredRates = { 44100.0, 48000.0, 88200.0, 96000.0 };
            return world().addAudioDevice (spec);
        }

        IOHIDDeviceRef plugTolvaHid (AudioObjectID linkedAudio)
        {
            sim::HidDeviceSpec spec;
            spec.vendorId = tolvaVendorId;
            spec.productId = tolvaProductId1;
            spec.product = juce::String ("Tolva");
            spec.linkedAudioObject = linkedAudio;
            return world().plugHid (spec);
        }

        void createPanel()
        {
            auto counting = std::make_unique<CountingPanel>();
            refreshCounter = counting.get();
            panel = std::move (counting);
        }

        void destroyPanel()
        {
            refreshCounter = nullptr;
            panel.reset();
        }

        int refreshCount() const { return refreshCounter != nullptr ? refreshCounter->refreshes.load() : 0; }

        // Plugs the interface in (audio first, as the system shows it), builds the panel and waits
        // until the arrival and the first refresh have been handled.
        void attachDevice (double rate = 48000.0)
        {
            audio = addTolvaAudio (rate);
            hid = plugTolvaHid (audio);
            createPanel();
            ASSERT_TRUE (waitForArrival());
            ASSERT_TRUE (waitForRefreshes (1));
            settle();
        }

        bool waitForArrival()
        {
            return testing_support::pumpUntil ([this] { return panel->hidDevice != nullptr; });
        }

        bool waitForRefreshes (int count)
        {
            return testing_support::pumpUntil ([this, count] { return refreshCount() >= count; });
        }

        // Runs the message loop until nothing is left in flight: no announcement queued or being
        // delivered, no refresh pending, twice in a row.
        void settle()
        {
            auto quiet = [this]
            {
                return world().listenerIdle()
                    && (panel == nullptr || ! panel->isTimerRunning (MainComponent::timerIdDeviceRefresh));
            };
            for (int i = 0; i < 200; ++i)
            {
                testing_support::pumpUntil (quiet);
                testing_support::pumpFor (20);
                if (quiet())
                    return;
            }
            ADD_FAILURE() << "the device road never came to rest";
        }

        // Runs everything already posted to the message queue (clicks, action messages).
        static void runPosted()
        {
            auto done = std::make_shared<bool> (false);
            juce::MessageManager::callAsync ([done] { *done = true; });
            testing_support::pumpUntil ([done] { return *done; }, 10000);
        }

        // A click as the user (or a menu) makes it: through the button's own click handling.
        static void click (juce::Button& button)
        {
            button.triggerClick();
            runPosted();
        }

        std::vector<Bytes> reportsReceived() const
        {
            std::vector<Bytes> result;
            for (const auto& report : world().hidReports (hid))
            {
                EXPECT_EQ (report.type, kIOHIDReportTypeOutput);
                EXPECT_EQ (report.reportId, 0);
                result.push_back (report.bytes);
            }
            return result;
        }

        // Reports received after the first `mark` ones.
        std::vector<Bytes> reportsSince (size_t mark) const
        {
            auto all = reportsReceived();
            return { all.begin() + (long) std::min (mark, all.size()), all.end() };
        }

        static std::vector<Write> writesLogged()
        {
            std::vector<Write> result;
            for (const auto& w : world().propertyWrites())
            {
                const double value = w.address.mSelector == nsrt ? w.asFloat64()
                                   : w.address.mSelector == mute ? double (w.asUInt32())
                                                                 : double (w.asFloat32());
                result.push_back ({ w.object, w.address.mSelector, w.address.mScope, w.address.mElement, value });
            }
            return result;
        }

        static std::vector<Write> writesOf (AudioObjectPropertySelector selector)
        {
            std::vector<Write> result;
            for (const auto& w : writesLogged())
                if (w.selector == selector)
                    result.push_back (w);
            return result;
        }

        static void resetWorld()
        {
            testing_support::pumpUntil ([] { return world().listenerIdle(); });
            world().reset();
            ghidInterface = nullptr;
            gInAudioObjectID = 0;
            gOutAudioObjectID = 0;
        }

        double clockSpeed = 100.0;
        std::unique_ptr<MainComponent> panel;
        CountingPanel* refreshCounter = nullptr;
        AudioObjectID audio = 0;
        IOHIDDeviceRef hid = nullptr;
        int serial = 0;
    };
}
