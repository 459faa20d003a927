// When the panel's two timers fire: the refresh 200 ms after an arrival and 50 ms after the last outside
// change, and the end of the hold 50 ms after the last user edit. The timers run on a clock that the
// test moves, so each interval is pinned from below and from above whatever the load of the machine.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    constexpr auto refreshId = MainComponent::timerIdDeviceRefresh;
    constexpr auto holdId = MainComponent::timerIdUserEdit;

    using Starts = std::vector<TimerStart>;

    class PanelTiming : public DeviceRoadTest
    {
    protected:
        ClockedPanel& clock() { return *refreshCounter; }

        // The interface taken up by a panel on the test clock; its first refresh is still to come.
        void arriveOnTestClock()
        {
            if (audio == 0)
                audio = addTolvaAudio();
            hid = plugTolvaHid (audio);
            createPanel();
            clock().useTestClock();
            ASSERT_TRUE (waitForArrival());
        }

        // Attached and loaded on the real clock, then moved to the test clock with no timer running.
        void attachOnTestClock()
        {
            attachDevice();
            ASSERT_FALSE (panel->isTimerRunning (refreshId));
            ASSERT_FALSE (panel->isTimerRunning (holdId));
            clock().useTestClock();
            clock().forgetStarts();
        }

        // A volume change as another program makes it, delivered by the listener thread while the
        // test clock stands still.
        void changeFromOutside (float db)
        {
            world().externalSetVolumeDb (audio, outp, 1, db);
            ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
        }

        Starts startsOf (int id) const
        {
            Starts result;
            for (const auto& s : refreshCounter->starts())
                if (s.id == id)
                    result.push_back (s);
            return result;
        }

        double outLeft() const { return panel->sliderGroupOut->leftSlider.getValue(); }
    };
}

// The refresh ----------------------------------------------------------------------------------------

TEST_F (PanelTiming, FirstRefreshComes200MillisecondsAfterTheArrival)
{
    audio = addTolvaAudio (96000.0);
    world().externalSetVolumeDb (audio, outp, 1, -20.0f);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
    arriveOnTestClock();

    EXPECT_EQ (clock().starts(), Starts { refreshStart (200) });

    clock().advanceClock (199);
    EXPECT_EQ (refreshCount(), 0);
    EXPECT_FALSE (panel->button96->getToggleState());
    EXPECT_EQ (outLeft(), 0.0);

    clock().advanceClock (1);
    EXPECT_EQ (refreshCount(), 1);
    EXPECT_TRUE (panel->button96->getToggleState());
    EXPECT_EQ (outLeft(), -20.0);

    // One tick per start.
    EXPECT_FALSE (clock().isPending (refreshId));
    clock().advanceClock (2000);
    EXPECT_EQ (refreshCount(), 1);
}

TEST_F (PanelTiming, RefreshComes50MillisecondsAfterAnOutsideChange)
{
    attachOnTestClock();
    const auto before = refreshCount();

    changeFromOutside (-12.0f);
    EXPECT_EQ (clock().starts(), Starts { refreshStart (50) });

    clock().advanceClock (49);
    EXPECT_EQ (refreshCount(), before);
    EXPECT_EQ (outLeft(), 0.0);

    clock().advanceClock (1);
    EXPECT_EQ (refreshCount(), before + 1);
    EXPECT_EQ (outLeft(), -12.0);
    EXPECT_FALSE (clock().isPending (refreshId));
}

TEST_F (PanelTiming, BurstOfDeviceChangesGivesOneRefresh)
{
    attachOnTestClock();
    const auto before = refreshCount();

    // Announced together; the listener thread delivers them one after the other.
    for (int i = 1; i <= 6; ++i)
        world().externalSetVolumeDb (audio, outp, 1, -2.0f * (float) i);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
    EXPECT_EQ (startsOf (refreshId), Starts (6, refreshStart (50)));

    clock().advanceClock (50);
    EXPECT_EQ (refreshCount(), before + 1);
    EXPECT_EQ (outLeft(), -12.0);

    // Nothing else comes: a fader set by hand now keeps its value.
    panel->sliderGroupOut->leftSlider.setValue (-33.0, juce::dontSendNotification);
    clock().advanceClock (1000);
    EXPECT_EQ (refreshCount(), before + 1);
    EXPECT_EQ (outLeft(), -33.0);
}

TEST_F (PanelTiming, ChangesCloserThan50MillisecondsRestartTheRefresh)
{
    attachOnTestClock();
    const auto before = refreshCount();

    // Changes at 0, 10, 20, 30 and 40 ms: the refresh waits for 50 ms after the last one.
    for (int i = 1; i <= 5; ++i)
    {
        if (i > 1)
            clock().advanceClock (10);
        changeFromOutside (-1.0f * (float) i);
    }
    EXPECT_EQ (clock().starts(), Starts (5, refreshStart (50)));

    clock().advanceClock (49);
    EXPECT_EQ (refreshCount(), before);
    clock().advanceClock (1);
    EXPECT_EQ (refreshCount(), before + 1);
    EXPECT_EQ (outLeft(), -5.0);

    clock().advanceClock (1000);
    EXPECT_EQ (refreshCount(), before + 1);
}

TEST_F (PanelTiming, ChangeTenMillisecondsAfterTheArrivalBringsTheFirstRefreshForward)
{
    arriveOnTestClock();
    clock().advanceClock (10);
    changeFromOutside (-7.0f);

    // The change restarts the arrival's countdown with its own interval.
    EXPECT_EQ (clock().starts(), (Starts { refreshStart (200), refreshStart (50) }));
    EXPECT_EQ (clock().msUntil (refreshId), 50);

    clock().advanceClock (49);
    EXPECT_EQ (refreshCount(), 0);
    clock().advanceClock (1);   // 60 ms after the arrival
    EXPECT_EQ (refreshCount(), 1);
    EXPECT_EQ (outLeft(), -7.0);

    // The arrival's own 200 ms tick never comes.
    clock().advanceClock (500);
    EXPECT_EQ (refreshCount(), 1);
}

// The user-edit hold ---------------------------------------------------------------------------------

struct EditCase
{
    const char* name;
    std::function<void (MainComponent&)> edit;
};

void PrintTo (const EditCase& c, std::ostream* os)
{
    *os << c.name;
}

class UserEditHold : public PanelTiming,
                     public ::testing::WithParamInterface<EditCase>
{
protected:
    // The edit as the user makes it, and the device's announcement of what it wrote, delivered.
    void edit()
    {
        GetParam().edit (*panel);
        runPosted();
        ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
    }
};

TEST_P (UserEditHold, EndsExactly50MillisecondsAfterTheLastEdit)
{
    attachOnTestClock();

    edit();
    EXPECT_TRUE (panel->userEditing);
    EXPECT_EQ (startsOf (holdId), Starts { holdStart (50) });

    // Restarted by every edit: still held 49 ms after a second edit, though 79 ms after the first.
    clock().advanceClock (30);
    edit();
    EXPECT_EQ (startsOf (holdId), Starts (2, holdStart (50)));
    clock().advanceClock (49);
    EXPECT_TRUE (panel->userEditing);

    clock().advanceClock (1);
    EXPECT_FALSE (panel->userEditing);
    EXPECT_FALSE (clock().isPending (holdId));
}

INSTANTIATE_TEST_SUITE_P (
    Edits, UserEditHold,
    ::testing::Values (EditCase { "FaderMove", [] (MainComponent& p)
                                  {
    p.sliderGroupOut->leftSlider.setValue (p.sliderGroupOut->leftSlider.getValue() - 1.0, juce::dontSendNotification);
    p.sliderGroupOut->sendActionMessage ("volume_update");
                                 } },
                       EditCase { "MuteOut", [] (MainComponent& p) { p.buttonMuteOut->triggerClick(); } },
                       EditCase { "MuteIn", [] (MainComponent& p) { p.buttonMuteIn->triggerClick(); } }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST_F (PanelTiming, RefreshThatFallsInTheHoldLeavesTheFadersAndTheNextOneLoadsThem)
{
    attachOnTestClock();
    panel->sliderGroupOut->leftSlider.setValue (-30.0, juce::dontSendNotification);
    panel->sliderGroupOut->sendActionMessage ("volume_update");
    runPosted();
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));

    // Another program changes the right channel 10 ms later; it is in the device before the hold ends.
    clock().advanceClock (10);
    world().externalSetVolumeDb (audio, outp, 2, -40.0f);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));

    // The hold ends at 50 ms, the refresh follows at 60 ms and loads both channels.
    clock().advanceClock (49);
    EXPECT_FALSE (panel->userEditing);
    EXPECT_EQ (panel->sliderGroupOut->rightSlider.getValue(), 0.0);
    clock().advanceClock (1);
    EXPECT_EQ (panel->sliderGroupOut->rightSlider.getValue(), -40.0);
    EXPECT_EQ (outLeft(), -30.0);
}

// The real clock ---------------------------------------------------------------------------------------

// The program's own timers are started with the same ids and intervals, and stopped by their ticks.
TEST_F (PanelTiming, RealTimersRunWithTheScheduledIntervals)
{
    audio = addTolvaAudio();
    createPanelWithoutDevice();
    gInAudioObjectID = audio;
    gOutAudioObjectID = audio;

    // Looked at right after each call, on the message thread: no tick can come in between.
    MainComponent::OnApiCallback (panel.get(), nullptr, deviceEventArrived);
    ASSERT_TRUE (panel->isTimerRunning (refreshId));
    EXPECT_EQ (panel->getTimerInterval (refreshId), 200);

    MainComponent::OnApiCallback (panel.get(), nullptr, deviceEventChanged);
    ASSERT_TRUE (panel->isTimerRunning (refreshId));
    EXPECT_EQ (panel->getTimerInterval (refreshId), 50);

    panel->buttonClicked (panel->buttonMuteIn.get());
    ASSERT_TRUE (panel->isTimerRunning (holdId));
    EXPECT_EQ (panel->getTimerInterval (holdId), 50);

    panel->timerCallback (holdId);
    EXPECT_FALSE (panel->isTimerRunning (holdId));
    EXPECT_FALSE (panel->userEditing);
    panel->timerCallback (refreshId);
    EXPECT_FALSE (panel->isTimerRunning (refreshId));

    EXPECT_EQ (clock().starts(), (Starts { refreshStart (200), refreshStart (50), holdStart (50) }));
}
