// The panel's controls as the device sees them: the HID reports of the input, mute and monitoring
// buttons, the rate writes of the rate buttons, and the volume writes of the fader messages.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    class HidActions : public DeviceRoadTest
    {
    protected:
        void SetUp() override
        {
            DeviceRoadTest::SetUp();
            attachDevice();
            arrivalReports = reportsReceived();
            startLogging();
        }

        // Clears the device's logs (reports and property writes): what follows is the test's own.
        void startLogging()
        {
            world().clearLogs();
            mark = 0;
        }

        std::vector<Bytes> newReports() const { return reportsSince (mark); }

        std::vector<Bytes> arrivalReports;
        size_t mark = 0;
    };

    struct InputCase
    {
        const char* button;
        UInt8 code;
    };

    class InputReports : public HidActions, public ::testing::WithParamInterface<InputCase>
    {
    protected:
        juce::Button& inputButton()
        {
            const juce::String name (GetParam().button);
            if (name == "Mic")    return *panel->buttonMic;
            if (name == "HIZ")    return *panel->buttonHIZ;
            if (name == "MicHIZ") return *panel->buttonMicHIZ;
            return *panel->buttonLine;
        }

        // "MicHIZ" is never shown and can't be clicked; it is reached the way the settings restore it.
        void select (juce::Button& button)
        {
            if (button.isEnabled() && button.isVisible())
                click (button);
            else
                button.setToggleState (true, juce::sendNotification);
        }
    };
}

TEST_P (InputReports, SelectingSendsTheInputCodeWithoutMuteFlag)
{
    // Leave "Line" lit only when it is the one under test, so the switched-off button's report is known.
    if (juce::String (GetParam().button) != "Line")
    {
        select (inputButton());
        const auto reports = newReports();
        ASSERT_EQ (reports.size(), 2u);
        EXPECT_EQ (reports[0], expectedReport (0x2a, 0x04));   // "Line" switched off first
        EXPECT_EQ (reports[1], expectedReport (0x2a, GetParam().code));
    }
    else
    {
        click (inputButton());   // already lit: the click sends again
        ASSERT_EQ (newReports().size(), 1u);
        EXPECT_EQ (newReports()[0], expectedReport (0x2a, GetParam().code));
    }
    EXPECT_TRUE (inputButton().getToggleState());
}

TEST_P (InputReports, SelectingWhileOutputMutedCarriesTheMuteFlag)
{
    click (*panel->buttonMuteOut);
    ASSERT_TRUE (panel->buttonMuteOut->getToggleState());
    mark = reportsReceived().size();

    select (inputButton());
    const auto reports = newReports();
    ASSERT_FALSE (reports.empty());
    EXPECT_EQ (reports.back(), expectedReport (0x2a, UInt8 (0xc0 | GetParam().code)));
    for (const auto& report : reports)
        EXPECT_EQ (report[5] & 0xc0, 0xc0);
}

INSTANTIATE_TEST_SUITE_P (EveryInput, InputReports,
                          ::testing::Values (InputCase { "Line", 0x04 }, InputCase { "Mic", 0x01 },
                                             InputCase { "HIZ", 0x02 }, InputCase { "MicHIZ", 0x08 }),
                          [] (const auto& info) { return std::string (info.param.button); });

TEST_F (HidActions, ArrivalSentTheAttachReport)
{
    ASSERT_FALSE (arrivalReports.empty());
    EXPECT_EQ (arrivalReports.front(), expectedReport (0x1a, 0x00));
}

TEST_F (HidActions, MuteOutRepeatsTheLitInputWithAndWithoutTheFlag)
{
    click (*panel->buttonMic);
    startLogging();

    click (*panel->buttonMuteOut);
    click (*panel->buttonMuteOut);

    const auto reports = newReports();
    ASSERT_EQ (reports.size(), 2u);
    EXPECT_EQ (reports[0], expectedReport (0x2a, 0xc1));
    EXPECT_EQ (reports[1], expectedReport (0x2a, 0x01));

    const auto mutes = writesOf (mute);
    ASSERT_EQ (mutes.size(), 2u);
    EXPECT_EQ (mutes[0], (Write { audio, mute, outp, 0, 1.0 }));
    EXPECT_EQ (mutes[1], (Write { audio, mute, outp, 0, 0.0 }));
}

TEST_F (HidActions, MuteOutWithNoInputLitUsesTheCombinedInputCode)
{
    for (auto* button : { panel->buttonLine.get(), panel->buttonMic.get(), panel->buttonHIZ.get(), panel->buttonMicHIZ.get() })
        button->setToggleState (false, juce::dontSendNotification);

    click (*panel->buttonMuteOut);
    click (*panel->buttonMuteOut);

    const auto reports = newReports();
    ASSERT_EQ (reports.size(), 2u);
    EXPECT_EQ (reports[0], expectedReport (0x2a, 0xc8));
    EXPECT_EQ (reports[1], expectedReport (0x2a, 0x08));
}

TEST_F (HidActions, MuteOutStartsTheUserEditHold)
{
    click (*panel->buttonMuteOut);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (panel->isTimerRunning (MainComponent::timerIdUserEdit));
    EXPECT_TRUE (world().mute (audio, outp));

    ASSERT_TRUE (testing_support::pumpUntil ([this] { return ! panel->userEditing; }));
    EXPECT_FALSE (panel->isTimerRunning (MainComponent::timerIdUserEdit));
}

TEST_F (HidActions, MuteInWritesTheInputMuteAndSendsNoReport)
{
    click (*panel->buttonMuteIn);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (newReports().empty());
    ASSERT_EQ (writesOf (mute).size(), 1u);
    EXPECT_EQ (writesOf (mute)[0], (Write { audio, mute, inpt, 0, 1.0 }));
    EXPECT_TRUE (world().mute (audio, inpt));

    click (*panel->buttonMuteIn);
    ASSERT_EQ (writesOf (mute).size(), 2u);
    EXPECT_EQ (writesOf (mute)[1], (Write { audio, mute, inpt, 0, 0.0 }));
}

TEST_F (HidActions, HizWhileMutedSendsLineThenHizWithTheFlag)
{
    click (*panel->buttonMuteOut);
    mark = reportsReceived().size();

    click (*panel->buttonHIZ);
    const auto reports = newReports();
    ASSERT_EQ (reports.size(), 2u);
    EXPECT_EQ (reports[0], expectedReport (0x2a, 0xc4));
    EXPECT_EQ (reports[1], expectedReport (0x2a, 0xc2));
}

TEST_F (HidActions, InputChangeSendsTheOldInputThenTheNew)
{
    click (*panel->buttonMic);
    click (*panel->buttonHIZ);
    click (*panel->buttonHIZ);   // the lit button: sent again

    const auto reports = newReports();
    ASSERT_EQ (reports.size(), 5u);
    EXPECT_EQ (reports[0], expectedReport (0x2a, 0x04));
    EXPECT_EQ (reports[1], expectedReport (0x2a, 0x01));
    EXPECT_EQ (reports[2], expectedReport (0x2a, 0x01));
    EXPECT_EQ (reports[3], expectedReport (0x2a, 0x02));
    EXPECT_EQ (reports[4], expectedReport (0x2a, 0x02));
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceHIZ);
}

TEST_F (HidActions, MonitoringOnAndOff)
{
    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonToggleMonitoring);

    const auto reports = newReports();
    ASSERT_EQ (reports.size(), 2u);
    EXPECT_EQ (reports[0], expectedReport (0x2c, 0x05));
    EXPECT_EQ (reports[1], expectedReport (0x2c, 0x01));
    EXPECT_FALSE (world().playThru (audio));
}

TEST_F (HidActions, RateChangeSetsTheOldRateThenTheNew)
{
    ASSERT_TRUE (panel->button48->getToggleState());

    click (*panel->button96);
    click (*panel->button44);

    const auto rates = writesOf (nsrt);
    const std::vector<Write> expected {
        { audio, nsrt, wildcard, 0, 48000.0 }, { audio, nsrt, wildcard, 0, 48000.0 },
        { audio, nsrt, wildcard, 0, 96000.0 }, { audio, nsrt, wildcard, 0, 96000.0 },
        { audio, nsrt, wildcard, 0, 96000.0 }, { audio, nsrt, wildcard, 0, 96000.0 },
        { audio, nsrt, wildcard, 0, 44100.0 }, { audio, nsrt, wildcard, 0, 44100.0 },
    };
    EXPECT_EQ (rates, expected);
    EXPECT_TRUE (panel->button44->getToggleState());
    EXPECT_EQ (world().nominalRate (audio), 44100.0);
    EXPECT_TRUE (newReports().empty());
}

TEST_F (HidActions, ClickingTheLitRateSetsItAgain)
{
    click (*panel->button48);
    const std::vector<Write> expected { { audio, nsrt, wildcard, 0, 48000.0 }, { audio, nsrt, wildcard, 0, 48000.0 } };
    EXPECT_EQ (writesOf (nsrt), expected);
    EXPECT_TRUE (panel->button48->getToggleState());
}

TEST_F (HidActions, VolumeUpdateWritesAllFourVolumesFromTheFaders)
{
    panel->sliderGroupIn->rightSlider.setValue (3.5, juce::dontSendNotification);
    panel->sliderGroupOut->leftSlider.setValue (-20.0, juce::dontSendNotification);
    panel->sliderGroupOut->rightSlider.setValue (-30.25, juce::dontSendNotification);

    // The user moves the left input fader: the group posts "volume_update".
    panel->sliderGroupIn->leftSlider.setValue (-6.0, juce::sendNotificationSync);
    EXPECT_TRUE (writesLogged().empty());   // the message is delivered later
    runPosted();

    const double inRight = panel->sliderGroupIn->rightSlider.getValue();
    const std::vector<Write> expected {
        { audio, vold, inpt, 1, -6.0 }, { audio, vold, inpt, 2, inRight },
        { audio, vold, outp, 1, -20.0 }, { audio, vold, outp, 2, -30.25 },
    };
    EXPECT_EQ (writesLogged(), expected);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_FLOAT_EQ (world().volumeDb (audio, inpt, 1), -6.0f);
    EXPECT_FLOAT_EQ (world().volumeDb (audio, outp, 2), -30.25f);

    ASSERT_TRUE (testing_support::pumpUntil ([this] { return ! panel->userEditing; }));
}

TEST_F (HidActions, LinkedStepMessagesWriteNothing)
{
    panel->sliderGroupIn->sendActionMessage ("volume_update+");
    panel->sliderGroupOut->sendActionMessage ("volume_update-");
    runPosted();

    EXPECT_TRUE (writesLogged().empty());
    EXPECT_FALSE (panel->userEditing);
    EXPECT_FALSE (panel->isTimerRunning (MainComponent::timerIdUserEdit));
}

TEST_F (HidActions, SliderLevelMessagesRefreshOneReadoutOnly)
{
    const auto inText = panel->labelDbInLeft->getText();
    panel->sliderGroupOut->leftSlider.setValue (-12.5, juce::dontSendNotification);
    panel->sliderGroupOut->rightSlider.setValue (-3.0, juce::dontSendNotification);

    panel->sliderGroupOut->sendActionMessage ("volume_updateLeftsliderGroupOut");
    runPosted();
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-12.5 dB");
    EXPECT_EQ (panel->labelDbInLeft->getText(), inText);

    panel->sliderGroupOut->sendActionMessage ("volume_updateRightsliderGroupOut");
    runPosted();
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-3.0 dB ");

    EXPECT_TRUE (writesLogged().empty());
    EXPECT_FALSE (panel->userEditing);
}

TEST_F (HidActions, SliderLevelMessageOfTheInputGroup)
{
    const auto outText = panel->labelDbOutLeft->getText();
    panel->sliderGroupIn->rightSlider.setValue (10.0, juce::dontSendNotification);

    panel->sliderGroupIn->sendActionMessage ("volume_updateRightsliderGroupIn");
    runPosted();
    EXPECT_EQ (panel->labelDbInLeft->getText(), "10.00 dB");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), outText);
    EXPECT_TRUE (writesLogged().empty());
}

TEST_F (HidActions, UnknownMessagesDoNothing)
{
    const auto inText = panel->labelDbInLeft->getText();
    panel->sliderGroupIn->leftSlider.setValue (-7.0, juce::dontSendNotification);
    panel->sliderGroupIn->sendActionMessage ("volume_updateleftslidergroupin");   // letter case counts
    panel->sliderGroupIn->sendActionMessage ("Volume_update");
    runPosted();

    EXPECT_EQ (panel->labelDbInLeft->getText(), inText);
    EXPECT_TRUE (writesLogged().empty());
    EXPECT_FALSE (panel->userEditing);
}

// Without a device: no handle and no audio objects. The controls still act; nothing reaches a device.
class ActionsWithoutDevice : public DeviceRoadTest
{
};

TEST_F (ActionsWithoutDevice, VolumeUpdateStillHoldsTheRefreshAndWritesFailSilently)
{
    createPanel();
    runPosted();
    ASSERT_EQ (panel->hidDevice, nullptr);

    panel->sliderGroupOut->sendActionMessage ("volume_update");
    runPosted();

    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (panel->isTimerRunning (MainComponent::timerIdUserEdit));
    const auto writes = writesLogged();
    ASSERT_EQ (writes.size(), 4u);
    for (const auto& w : writes)
        EXPECT_EQ (w.object, 0u);
    EXPECT_EQ (world().hidReportAttempts(), 0);
    ASSERT_TRUE (testing_support::pumpUntil ([this] { return ! panel->userEditing; }));
}

TEST_F (ActionsWithoutDevice, ButtonsSendNoReport)
{
    createPanel();
    runPosted();

    panel->buttonMic->setToggleState (true, juce::sendNotification);
    panel->buttonClicked (panel->buttonToggleMonitoring.get());
    panel->buttonClicked (panel->buttonMuteOut.get());

    EXPECT_EQ (world().hidReportAttempts(), 0);
}
