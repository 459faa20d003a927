// The panel's device road, end to end against the simulated interface:
// - a fader move (the group posts "volume_update") until the simulated device holds the new volume;
// - a volume changed by another program until the panel's fader shows it. This includes the 50 ms
//   that the refresh timer waits after a change, so it is dominated by that wait by design.
// Needs a display (the panel builds its About dialog): run under xvfb-run when there is none.
#include "BenchSupport.h"
#include "MainComponent.h"

#include <PlatformClock.h>
#include <DeviceWorldSupport.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <functional>

namespace
{
    using bench_support::ensureJuceForPanel;

    // Runs the message loop one message at a time until the condition holds (or 5 s have passed).
    bool pumpUntil (const std::function<bool()>& condition)
    {
        const auto giveUpAt = juce::Time::getMillisecondCounterHiRes() + 5000.0;
        while (! condition())
        {
            if (juce::Time::getMillisecondCounterHiRes() > giveUpAt)
                return false;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (0);
        }
        return true;
    }

    // The interface plugged in and the panel attached to it, with its settings kept out of the user's
    // home folder.
    class AttachedPanel
    {
    public:
        AttachedPanel()
        {
            ensureJuceForPanel();
            home.createDirectory();
            oldHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
            setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);

            resetWorld();
            PlatformClock::setSpeed (100.0);

            audio = world().addAudioDevice (sim::tolvaAudioSpec());
            world().plugHid (sim::tolvaHidSpec (tolvaVendorId, audio));

            panel = std::make_unique<MainComponent>();
            ready = pumpUntil ([this] { return panel->hidDevice != nullptr; })
                    && pumpUntil (
                        [this] {
                return ! panel->isTimerRunning (MainComponent::timerIdDeviceRefresh) && world().listenerIdle();
                       });
        }

        ~AttachedPanel()
        {
            panel.reset();
            resetWorld();
            setenv ("HOME", oldHome.toRawUTF8(), 1);
            home.deleteRecursively();
        }

        static sim::TestWorld& world() { return testing_support::world(); }

        std::unique_ptr<MainComponent> panel;
        AudioObjectID audio = 0;
        bool ready = false;

    private:
        static void resetWorld() { testing_support::resetWorldAndDeviceHandles(); }

        juce::File home { juce::File::createTempFile ("tolva-bench-home") };
        juce::String oldHome;
    };
}

// From the user's fader move (the group posts "volume_update", the panel writes the four volumes) to
// the new value held by the simulated device.
static void BM_FaderMoveToCoreAudioWrite (benchmark::State& state)
{
    AttachedPanel attached;
    if (! attached.ready)
    {
        state.SkipWithError ("the device never arrived");
        return;
    }

    auto& fader = attached.panel->sliderGroupOut->leftSlider;
    float target = -10.0f;

    for (auto _ : state)
    {
        target = target == -10.0f ? -20.0f : -10.0f;
        fader.setValue (target, juce::sendNotificationSync);
        if (! pumpUntil (
                [&] {
            return AttachedPanel::world().volumeDb (attached.audio, kAudioObjectPropertyScopeOutput, 1) == target;
            }))
        {
            state.SkipWithError ("the write never reached the device");
            break;
        }
    }
}
BENCHMARK (BM_FaderMoveToCoreAudioWrite)->Unit (benchmark::kMicrosecond)->UseRealTime();

// From a volume changed by another program to the panel's fader showing it: the listener thread's
// event, the 50 ms refresh timer, the read and the fader set. Expect 50 ms plus the road's own cost.
static void BM_OutsideChangeToRefreshedFader (benchmark::State& state)
{
    AttachedPanel attached;
    if (! attached.ready)
    {
        state.SkipWithError ("the device never arrived");
        return;
    }

    auto& fader = attached.panel->sliderGroupOut->rightSlider;
    float target = -10.0f;

    for (auto _ : state)
    {
        target = target == -10.0f ? -20.0f : -10.0f;
        AttachedPanel::world().externalSetVolumeDb (attached.audio, kAudioObjectPropertyScopeOutput, 2, target);
        if (! pumpUntil ([&] { return fader.getValue() == double (target); }))
        {
            state.SkipWithError ("the change never reached the fader");
            break;
        }
    }
    state.SetLabel ("includes the 50 ms refresh timer");
}
BENCHMARK (BM_OutsideChangeToRefreshedFader)->Unit (benchmark::kMillisecond)->UseRealTime()->Iterations (40);
