// Devices that don't do all they are asked, as a user meets them at the panel: an input whose volume
// range is narrower than the faders, and mutes that can't be read or can't be changed. The panel's
// timers run on the test clock.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    class DeviceFaults : public DeviceRoadTest
    {
    protected:
        ClockedPanel& clock() { return *refreshCounter; }

        // The panel takes up the device and its first refresh has run.
        void takeUp (AudioObjectID hidLinkedAudio)
        {
            hid = plugTolvaHid (hidLinkedAudio);
            createPanel();
            clock().useTestClock();
            ASSERT_TRUE (waitForArrival());
            clock().advanceClock (200);
            ASSERT_EQ (refreshCount(), 1);
            runPosted();
        }

        void waitForListener()
        {
            ASSERT_TRUE (testing_support::pumpUntil ([] { return world().listenerIdle(); }));
        }
    };
}

TEST_F (DeviceFaults, InputNarrowerThanTheFadersShowsTheClampedValueAfterTheNextRefresh)
{
    sim::AudioDeviceSpec spec;
    spec.name = "Tolva";
    spec.manufacturer = "TARVIK, Inc.";
    spec.uid = "tolva-narrow";
    spec.inputDbRange = { -20.0f, 6.0f };   // the faders go from -40 to +12 dB
    audio = world().addAudioDevice (spec);
    takeUp (audio);

    auto& in = *panel->sliderGroupIn;
    in.leftSlider.setValue (-35.0, juce::dontSendNotification);
    in.rightSlider.setValue (10.0, juce::dontSendNotification);
    in.sendActionMessage ("volume_update");
    runPosted();
    waitForListener();

    // The panel asked for what the user set; the device took what it can.
    const auto writes = writesOf (vold);
    ASSERT_EQ (writes.size(), 4u);
    EXPECT_EQ (writes[0], (Write { audio, vold, inpt, 1, -35.0 }));
    EXPECT_EQ (writes[1], (Write { audio, vold, inpt, 2, 10.0 }));
    EXPECT_EQ (world().volumeDb (audio, inpt, 1), -20.0f);
    EXPECT_EQ (world().volumeDb (audio, inpt, 2), 6.0f);
    EXPECT_EQ (in.leftSlider.getValue(), -35.0);   // the user's choice until the refresh

    // The hold ends and the refresh that the device's change started follows at the same moment.
    clock().advanceClock (49);
    EXPECT_EQ (in.leftSlider.getValue(), -35.0);
    clock().advanceClock (1);
    runPosted();

    EXPECT_FALSE (panel->userEditing);
    EXPECT_EQ (in.leftSlider.getValue(), -20.0);
    EXPECT_EQ (in.rightSlider.getValue(), 6.0);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "6.0 dB  ");   // the group's read-out follows the last channel set
    EXPECT_EQ (writesOf (vold).size(), 4u);                    // nothing written back

    // Settled: the faders stay where the device is.
    clock().advanceClock (1000);
    EXPECT_EQ (in.leftSlider.getValue(), -20.0);
}

// The factory reset reads both mutes into one holder: a failed input read leaves the output's value.
struct MuteReadCase
{
    const char* name;
    bool outputHeldMuted;   // the output mute is on and the device refuses to change it
    bool inputHeldMuted;    // the same on the input side
    bool inputReadFails;
    bool muteInBefore;
    bool muteOutAfter, muteInAfter;
};

void PrintTo (const MuteReadCase& c, std::ostream* os)
{
    *os << c.name;
}

class FactoryResetMuteRead : public DeviceFaults,
                             public ::testing::WithParamInterface<MuteReadCase>
{};

TEST_P (FactoryResetMuteRead, MuteButtonsShowWhatWasRead)
{
    const auto& c = GetParam();
    const auto in = addTolvaAudio (48000.0, true, false);
    const auto out = addTolvaAudio (48000.0, false, true);
    world().externalSetMute (out, outp, c.outputHeldMuted);
    world().externalSetMute (in, inpt, c.inputHeldMuted);
    waitForListener();
    takeUp (in);
    ASSERT_EQ (gOutAudioObjectID.load(), out);

    world().setFailSet (out, mute, c.outputHeldMuted);
    world().setFailSet (in, mute, c.inputHeldMuted);
    world().setFailGet (in, mute, c.inputReadFails);
    panel->buttonMuteIn->setToggleState (c.muteInBefore, juce::dontSendNotification);
    world().clearLogs();

    panel->menuItemSelected (MainComponent::menuIdFactoryDefaults, 0);

    // Both mutes were asked to go off, whatever the device made of it.
    EXPECT_EQ (writesOf (mute), (std::vector<Write> { { out, mute, outp, 0, 0.0 }, { in, mute, inpt, 0, 0.0 } }));
    EXPECT_EQ (world().mute (out, outp), c.outputHeldMuted);
    EXPECT_EQ (panel->buttonMuteOut->getToggleState(), c.muteOutAfter);
    EXPECT_EQ (panel->buttonMuteIn->getToggleState(), c.muteInAfter);
}

INSTANTIATE_TEST_SUITE_P (
    Cases, FactoryResetMuteRead,
    ::testing::Values (MuteReadCase { "InputReadFailsAfterAMutedOutput", true, false, true, false, true, true },
                       MuteReadCase { "InputReadFailsAfterAnUnmutedOutput", false, false, true, true, false, false },
                       MuteReadCase { "BothReadsGiveTheirOwnValues", false, true, false, false, false, true }),
    [] (const auto& info) { return std::string (info.param.name); });
