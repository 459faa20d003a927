// The device-road tests' fixture: the Tolva interface plugged in piece by piece, the panel with a
// counter of its device refreshes, and what the device received (HID reports, property writes).
#pragma once

#include "PanelClock.h"
#include "PanelTestSupport.h"
#include "ReportBytes.h"

#include <atomic>

namespace road_tests
{
    using namespace panel_tests;
    using Bytes = std::vector<UInt8>;

    inline Bytes expectedReport (UInt8 command, UInt8 value)
    {
        return testing_support::reportBytes (command, value);
    }

    // The panel with a count of its device refreshes: one tick of the refresh timer is one refresh. Its
    // timer starts are recorded, and a test may put its timers on a clock of the test's own.
    class CountingPanel : public ClockedPanel
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
        return os << "{obj " << w.object << " '" << code (w.selector) << "' '" << code (w.scope) << "' " << w.element
                  << " = " << w.value << "}";
    }

    constexpr auto vold = kAudioDevicePropertyVolumeDecibels;
    constexpr auto mute = kAudioDevicePropertyMute;
    constexpr auto nsrt = kAudioDevicePropertyNominalSampleRate;
    constexpr auto inpt = kAudioObjectPropertyScopeInput;
    constexpr auto outp = kAudioObjectPropertyScopeOutput;
    constexpr auto wildcard = kAudioObjectPropertyScopeWildcard;

    // The rate writes of one rate set: the same rate to the input object, then to the output object.
    inline std::vector<Write> rateSet (AudioObjectID in, AudioObjectID out, double rate)
    {
        return { { in, nsrt, wildcard, 0, rate }, { out, nsrt, wildcard, 0, rate } };
    }

    class DeviceRoadTest : public PanelWorldTest
    {
    protected:
        // The interface's audio side: one object for input and output unless told otherwise.
        AudioObjectID addTolvaAudio (double rate = 48000.0, bool hasInput = true, bool hasOutput = true)
        {
            auto spec = sim::tolvaAudioSpec();
            spec.uid = "tolva-" + juce::String (++serial);
            spec.hasInput = hasInput;
            spec.hasOutput = hasOutput;
            spec.nominalRate = rate;
            spec.offeredRates = { 44100.0, 48000.0, 88200.0, 96000.0 };
            return world().addAudioDevice (spec);
        }

        IOHIDDeviceRef plugTolvaHid (AudioObjectID linkedAudio)
        {
            static_assert (sim::tolvaProductId == tolvaProductId1, "the simulated interface is the one the panel looks for");
            return world().plugHid (sim::tolvaHidSpec (tolvaVendorId, linkedAudio));
        }

        void createPanel()
        {
            auto counting = std::make_unique<CountingPanel>();
            refreshCounter = counting.get();
            panel = std::move (counting);
        }

        // A panel that has found no device and has handled what its construction posted.
        void createPanelWithoutDevice()
        {
            createPanel();
            runPosted();
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

        // Arrival only: the first refresh is still to come, and comes only when the test moves the
        // panel's clock on (a slow machine must not run it before the test has looked).
        void arriveWithoutRefresh()
        {
            hid = plugTolvaHid (audio);
            createPanel();
            refreshCounter->useTestClock();
            ASSERT_TRUE (waitForArrival());
        }

        // After arriveWithoutRefresh: the first refresh, 200 ms after the arrival, and nothing before it.
        bool runFirstRefresh()
        {
            refreshCounter->advanceClock (199);
            if (refreshCount() != 0)
                return false;
            refreshCounter->advanceClock (1);
            return refreshCount() == 1;
        }

        bool waitForRefreshes (int count)
        {
            return testing_support::pumpUntil ([this, count] { return refreshCount() >= count; });
        }

        // Plugs the interface in again as the system shows a device that was unplugged: its audio side
        // comes back as a new object (the old one is gone), then its HID device is attached.
        void replugInterface()
        {
            world().removeAudioDevice (audio);
            audio = addTolvaAudio();
            hid = plugTolvaHid (audio);
        }

        bool unplugAndWaitForRemoval()
        {
            world().unplugHid (hid);
            return testing_support::pumpUntil ([this] { return panel->hidDevice == nullptr; });
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
                const double value = w.address.mSelector == nsrt   ? w.asFloat64()
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

        CountingPanel* refreshCounter = nullptr;
        AudioObjectID audio = 0;
        IOHIDDeviceRef hid = nullptr;
        int serial = 0;
    };
}
