// Shared pieces of the panel tests: a fresh simulated world and no settings folder for every test, the
// waits for the device road to come to rest, the settings file as it lands on disk, the panel's
// controls in groups, and helpers for modal loops, deletion order and an application object.
#pragma once

#include "DeviceWorldSupport.h"
#include "MainComponent.h"

#include <PlatformClock.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace panel_tests
{
    using testing_support::world;

    // Nothing of an earlier test may be in flight, and the new panel's registration starts clean. The
    // platform refuses to install a listener that an object already carries, as a strict one may: a
    // device that comes back must be found the way it comes back.
    inline void resetWorld()
    {
        testing_support::resetWorldAndDeviceHandles();
        world().setRefuseDuplicateListener (true);
    }

    // Runs everything already posted to the message queue (clicks, action messages, menu updates).
    inline void runPosted()
    {
        auto done = std::make_shared<bool> (false);
        juce::MessageManager::callAsync ([done] { *done = true; });
        testing_support::pumpUntil ([done] { return *done; }, 10000);
    }

    // A click as the user (or a menu) makes it: through the button's own click handling.
    inline void click (juce::Button& button)
    {
        button.triggerClick();
        runPosted();
    }

    //==============================================================================
    using Values = std::map<juce::String, juce::String>;
    using testing_support::samePixels;

    // Written out here rather than asked of the program: ~/.config/Tolva USB/Tolva USB.settings.
    inline juce::File settingsFile()
    {
        return juce::File (juce::SystemStats::getEnvironmentVariable ("HOME", {})).getChildFile (".config/Tolva USB/Tolva USB.settings");
    }

    // Writes the settings file as an earlier run of the program would have left it.
    inline void writeSettings (const Values& values)
    {
        juce::PropertiesFile file (MainComponent::settingsOptions());
        for (const auto& [key, value] : values)
            file.setValue (key, value);
        ASSERT_TRUE (file.save());
    }

    // A settings file with exactly these bytes, as a crash or a full disk may leave it (JUCE deletes a
    // file it is to fill with nothing: an empty one is created afterwards).
    inline void writeRawSettings (const std::string& bytes)
    {
        ASSERT_TRUE (settingsFile().getParentDirectory().createDirectory());
        ASSERT_TRUE (settingsFile().replaceWithData (bytes.data(), bytes.size()));
        ASSERT_TRUE (settingsFile().create());
    }

    // The key/value pairs of a JUCE XML properties file; fails the test when the file is not one.
    inline Values readSettingsXml (const juce::File& file = settingsFile())
    {
        Values values;
        const auto xml = juce::parseXML (file);
        if (xml == nullptr)
        {
            ADD_FAILURE() << "not XML: " << file.loadFileAsString();
            return values;
        }
        EXPECT_EQ (xml->getTagName(), "PROPERTIES");
        for (auto* e : xml->getChildWithTagNameIterator ("VALUE"))
            values[e->getStringAttribute ("name")] = e->getStringAttribute ("val");
        return values;
    }

    //==============================================================================
    // Buttons the user may work while a device is attached.
    inline std::vector<juce::ImageButton*> deviceButtons (const MainComponent& p)
    {
        return { p.button44.get(),     p.button48.get(),      p.button96.get(),
                 p.buttonLine.get(),   p.buttonMic.get(),     p.buttonHIZ.get(),
                 p.buttonMuteIn.get(), p.buttonMuteOut.get(), p.buttonToggleMonitoring.get() };
    }

    inline std::vector<juce::ImageButton*> rateButtons (const MainComponent& p)
    {
        return { p.button44.get(), p.button48.get(), p.button96.get() };
    }

    inline std::vector<juce::ImageButton*> inputButtons (const MainComponent& p)
    {
        return { p.buttonLine.get(), p.buttonMic.get(), p.buttonHIZ.get(), p.buttonMicHIZ.get() };
    }

    inline std::vector<juce::Slider*> faders (const MainComponent& p)
    {
        return { &p.sliderGroupIn->leftSlider, &p.sliderGroupIn->rightSlider, &p.sliderGroupOut->leftSlider,
                 &p.sliderGroupOut->rightSlider };
    }

    inline std::vector<juce::Label*> levelLabels (const MainComponent& p)
    {
        return { p.labelDbInLeft.get(), p.labelDbInRight.get(), p.labelDbOutLeft.get(), p.labelDbOutRight.get() };
    }

    // The controls as a factory reset leaves them: faders at 0 dB, nothing muted, no monitoring, "Line".
    inline void expectFactoryControls (const MainComponent& p)
    {
        for (auto* fader : faders (p))
            EXPECT_EQ (fader->getValue(), 0.0);
        EXPECT_FALSE (p.buttonMuteOut->getToggleState());
        EXPECT_FALSE (p.buttonMuteIn->getToggleState());
        EXPECT_FALSE (p.buttonToggleMonitoring->getToggleState());
        EXPECT_TRUE (p.buttonLine->getToggleState());
        EXPECT_FALSE (p.buttonMic->getToggleState());
        EXPECT_FALSE (p.buttonHIZ->getToggleState());
    }

    //==============================================================================
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

    // Counts the menu model's rebuild requests (the menu bar is told the same way).
    struct RebuildCounter : juce::MenuBarModel::Listener
    {
        void menuBarItemsChanged (juce::MenuBarModel*) override { ++count; }
        void menuCommandInvoked (juce::MenuBarModel*, const juce::ApplicationCommandTarget::InvocationInfo&) override {}
        int count = 0;
    };

    // Acts once on a component as soon as it runs modally (the About box inside its modal loop). Should
    // the action fail to end the loop, the box is closed after a few seconds so that the test ends.
    class WhenModal : private juce::Timer
    {
    public:
        WhenModal (juce::Component& target, std::function<void()> actionToRun)
            : component (target),
              action (std::move (actionToRun))
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

    //==============================================================================
    // A fresh world and no settings folder; the test builds the panel when it needs one.
    class PanelWorldTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            resetWorld();
            // The device lookup and the rate check wait on the platform clock; let them pass quickly.
            PlatformClock::setSpeed (100.0);
            // The whole folder: files set aside or left by earlier tests go too.
            settingsFile().getParentDirectory().deleteRecursively();
        }

        void TearDown() override
        {
            panel.reset();
            runPosted();
            testing_support::expectNoHidFaults();
            resetWorld();
        }

        bool waitForArrival()
        {
            return testing_support::pumpUntil ([this] { return panel->hidDevice != nullptr; });
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

        std::unique_ptr<MainComponent> panel;
    };

    // The panel built for every test, no device plugged in until attachDevice().
    class PanelTest : public PanelWorldTest
    {
    protected:
        void SetUp() override
        {
            PanelWorldTest::SetUp();
            panel = std::make_unique<MainComponent>();
        }

        // Plugs in the interface among the system's other devices and waits until the panel has taken it
        // and its first refresh has run.
        void attachDevice()
        {
            world().installDefaultDevices (tolvaVendorId);
            ASSERT_TRUE (waitForArrival());
            settle();
        }
    };
}
