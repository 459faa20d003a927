// Shared pieces of the panel tests: a fresh simulated world for every panel, the Tolva interface
// plugged in on demand, and helpers that run posted messages and read bounds.
#pragma once

#include "MainComponent.h"
#include "TestSupport.h"

#include <PlatformClock.h>
#include <SimulatedWorld.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace panel_tests
{
    inline sim::World& world() { return sim::World::get(); }

    // Nothing of an earlier test may be in flight, and the new panel's registration starts clean.
    inline void resetWorld()
    {
        testing_support::pumpUntil ([] { return world().listenerIdle(); });
        world().reset();
        ghidInterface = nullptr;
        gInAudioObjectID = 0;
        gOutAudioObjectID = 0;
    }

    // Runs everything already posted to the message queue (clicks, action messages, menu updates).
    inline void runPosted()
    {
        auto done = std::make_shared<bool> (false);
        juce::MessageManager::callAsync ([done] { *done = true; });
        testing_support::pumpUntil ([done] { return *done; }, 10000);
    }

    // The layout as the system menu bar leaves it: no in-window bar, the groups placed without offset.
    inline void useMenuBarHeight (MainComponent& panel, int height)
    {
        panel.menuBarHeight = height;
        for (auto* group : { panel.sliderGroupIn.get(), panel.sliderGroupOut.get() })
            group->groupYOffset = height;
    }

    inline void layOut (MainComponent& panel, int width, int height)
    {
        panel.setSize (width, height);
        panel.resized();
    }

    // Acts once on a component as soon as it runs modally (the About box inside its modal loop). Should
    // the action fail to end the loop, the box is closed after a few seconds so that the test ends.
    class WhenModal : private juce::Timer
    {
    public:
        WhenModal (juce::Component& target, std::function<void()> actionToRun)
            : component (target), action (std::move (actionToRun))
        {
            startTimer (5);
        }

        ~WhenModal() override { stopTimer(); }

        bool acted = false;
        bool forcedExit = false;

    private:
        void timerCallback() override
        {
            if (! acted && component.isCurrentlyModal() && component.isShowing())
            {
                acted = true;
                action();
            }
            else if (acted && component.isCurrentlyModal() && ++ticksSinceAction > 600)
            {
                forcedExit = true;
                component.exitModalState (0);
            }
        }

        juce::Component& component;
        std::function<void()> action;
        int ticksSinceAction = 0;
    };

    // Records the order in which watched components are deleted.
    struct DeletionLog : juce::ComponentListener
    {
        void watch (juce::Component& component, const juce::String& name)
        {
            names[&component] = name;
            component.addComponentListener (this);
        }

        void componentBeingDeleted (juce::Component& component) override
        {
            order.add (names[&component]);
            if (onDeleted)
                onDeleted (component);
        }

        std::map<juce::Component*, juce::String> names;
        juce::StringArray order;
        std::function<void (juce::Component&)> onDeleted;
    };

    // A running application object, as the program has one; tests have none otherwise.
    struct StandInApplication : juce::JUCEApplication
    {
        const juce::String getApplicationName() override { return "Stand-in"; }
        const juce::String getApplicationVersion() override { return "9.8.7"; }
        void initialise (const juce::String&) override {}
        void shutdown() override {}
        void systemRequestedQuit() override { ++quitRequests; }

        int quitRequests = 0;
    };

    class PanelTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            resetWorld();
            // The device lookup and the rate check wait on the platform clock; let them pass quickly.
            PlatformClock::setSpeed (100.0);
            panel = std::make_unique<MainComponent>();
        }

        void TearDown() override
        {
            panel.reset();
            resetWorld();
        }

        // Plugs in the interface as the system shows it and waits until the panel has taken it and its
        // first refresh has run.
        void attachDevice()
        {
            world().installDefaultDevices (tolvaVendorId);
            ASSERT_TRUE (testing_support::pumpUntil ([this] { return panel->hidDevice != nullptr; }));
            ASSERT_TRUE (testing_support::pumpUntil ([this]
            {
                return world().listenerIdle() && ! panel->isTimerRunning (MainComponent::timerIdDeviceRefresh);
            }));
            runPosted();
        }

        std::unique_ptr<MainComponent> panel;
    };
}
