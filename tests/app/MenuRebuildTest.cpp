// The menus are rebuilt whenever their ticks may have changed: after the device refresh (so the rate
// ticks follow the device), with the first refresh after an arrival, and after every item picked.
// Rebuilds are counted through the model's listeners; the panel's timers run on the test clock, so no
// refresh comes unless a test moves the clock.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    // The ticks of the "Sample rate" submenu of "Config", in item order.
    std::vector<bool> rateTicks (MainComponent& panel)
    {
        std::vector<bool> ticks;
        const auto config = panel.getMenuForIndex (MainComponent::menuIndexConfig, "Config");
        for (juce::PopupMenu::MenuItemIterator it (config); it.next();)
            if (it.getItem().text == "Sample rate" && it.getItem().subMenu != nullptr)
                for (juce::PopupMenu::MenuItemIterator rate (*it.getItem().subMenu); rate.next();)
                    ticks.push_back (rate.getItem().isTicked);
        return ticks;
    }

    const std::vector<bool> noRateTicked { false, false, false };
    const std::vector<bool> ticked44 { true, false, false };
    const std::vector<bool> ticked96 { false, false, true };

    class MenuRebuilds : public DeviceRoadTest
    {
    protected:
        void TearDown() override
        {
            if (panel != nullptr)
                panel->removeListener (&rebuilds);
            DeviceRoadTest::TearDown();
        }

        ClockedPanel& clock() { return *refreshCounter; }

        // Counts the panel's own rebuild requests from here on. The command manager that the model
        // watches asks for rebuilds on focus changes as well; it is left out.
        void countRebuilds()
        {
            panel->setApplicationCommandManagerToWatch (nullptr);
            panel->addListener (&rebuilds);
            runPosted();
            rebuilds.count = 0;
        }

        void attachAndCount()
        {
            attachDevice();
            clock().useTestClock();
            countRebuilds();
        }

        void waitForListener()
        {
            ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
            runPosted();
        }

        RebuildCounter rebuilds;
    };
}

TEST_F (MenuRebuilds, RefreshRebuildsTheMenusSoTheRateTickFollowsTheDevice)
{
    attachAndCount();

    world().externalSetNominalRate (audio, 44100.0);
    waitForListener();
    EXPECT_EQ (rebuilds.count, 0);   // the change only schedules the refresh

    clock().advanceClock (50);
    runPosted();
    EXPECT_EQ (rebuilds.count, 1);
    EXPECT_EQ (rateTicks (*panel), ticked44);

    // While the user edits, the refresh still sets the rate and rebuilds the menus.
    panel->userEditing = true;
    world().externalSetNominalRate (audio, 96000.0);
    waitForListener();
    clock().advanceClock (50);
    runPosted();
    EXPECT_EQ (rebuilds.count, 2);
    EXPECT_EQ (rateTicks (*panel), ticked96);
}

TEST_F (MenuRebuilds, RefreshWithARateWithoutAButtonStillRebuilds)
{
    attachAndCount();

    world().externalSetNominalRate (audio, 88200.0);
    waitForListener();
    clock().advanceClock (50);
    runPosted();

    EXPECT_EQ (rebuilds.count, 1);
    EXPECT_EQ (rateTicks (*panel), (std::vector<bool> { false, true, false }));   // 48 kHz stays lit
}

TEST_F (MenuRebuilds, ArrivalRebuildsTheMenusWithItsFirstRefresh)
{
    audio = addTolvaAudio (96000.0);
    hid = plugTolvaHid (audio);
    createPanel();
    clock().useTestClock();
    countRebuilds();
    ASSERT_TRUE (waitForArrival());
    runPosted();
    const auto atArrival = rebuilds.count;
    EXPECT_EQ (rateTicks (*panel), noRateTicked);

    clock().advanceClock (200);
    runPosted();
    EXPECT_EQ (rebuilds.count, atArrival + 1);
    EXPECT_EQ (rateTicks (*panel), ticked96);
}

TEST_F (MenuRebuilds, EveryItemPickedEndsInOneRebuild)
{
    attachAndCount();
    auto window =
        std::make_unique<juce::DocumentWindow> ("Tolva USB", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
    window->setContentNonOwned (panel.get(), true);
    window->setVisible (true);

    const int ids[] { MainComponent::menuIdAlwaysOnTop,
                      MainComponent::menuIdAlwaysOnTop,
                      MainComponent::menuIdSystemAudioSettings,
                      MainComponent::menuIdClose,
                      MainComponent::menuIdFactoryDefaults,
                      MainComponent::menuIdRate44100,
                      MainComponent::menuIdRate96000,
                      MainComponent::menuIdRate48000,
                      MainComponent::menuIdAbout,
                      0x7777 };

    for (int id : ids)
    {
        SCOPED_TRACE (id);
        const auto before = rebuilds.count;
        std::unique_ptr<WhenModal> closer;
        if (id == MainComponent::menuIdAbout)
            closer = std::make_unique<WhenModal> (*panel->aboutDialog,
                                                  [this] { panel->aboutWindow->closeButton->triggerClick(); });

        panel->menuItemSelected (id, 0);
        runPosted();

        EXPECT_EQ (rebuilds.count, before + 1);
        if (closer != nullptr)
        {
            EXPECT_TRUE (closer->acted);
            EXPECT_FALSE (closer->forcedExit);
        }
    }

    // The rate picks reached the device; the last one is ticked.
    EXPECT_EQ (world().nominalRate (audio), 48000.0);
    EXPECT_EQ (rateTicks (*panel), (std::vector<bool> { false, true, false }));
    window->clearContentComponent();
}
