// The panel's controls as the device sees them: the HID reports of the input, mute and monitoring
// buttons, the rate writes of the rate buttons, and the volume writes of the fader messages.
#include "DeviceRoadFixture.h"

#include <tuple>

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
            world().clearLogs();
        }

        // Clears the device's logs (reports and property writes): what follows is the test's own.
        void startLogging() { world().clearLogs(); }
    };

    struct InputCase
    {
        const char* button;
        UInt8 code;
    };

    void PrintTo (const InputCase& c, std::ostream* os)
    {
        *os << c.button;
    }

    class InputReports : public HidActions,
                         public ::testing::WithParamInterface<std::tuple<InputCase, bool>>
    {};
}

TEST_P (InputReports, SelectingSendsLineOffThenTheInputWithTheMuteFlagWhileMuted)
{
    const auto [input, muted] = GetParam();
    if (muted)
    {
        click (*panel->buttonMuteOut);
        ASSERT_TRUE (panel->buttonMuteOut->getToggleState());
        startLogging();
    }
    const UInt8 flag = muted ? 0xc0 : 0x00;

    juce::Button* button = nullptr;
    for (auto* b : inputButtons (*panel))
        if (b->getName() == input.button)
            button = b;
    ASSERT_NE (button, nullptr);

    // "MicHIZ" is never shown and can't be clicked; it is reached the way the settings restore it.
    if (button->isEnabled() && button->isVisible())
        click (*button);
    else
        button->setToggleState (true, juce::sendNotification);

    // "Line" is lit from the start: any other input switches it off first; "Line" itself is sent again.
    std::vector<Bytes> expected { expectedReport (0x2a, UInt8 (flag | 0x04)) };
    if (button != panel->buttonLine.get())
        expected.push_back (expectedReport (0x2a, UInt8 (flag | input.code)));
    EXPECT_EQ (reportsReceived(), expected);
    EXPECT_TRUE (button->getToggleState());
}

INSTANTIATE_TEST_SUITE_P (EveryInput, InputReports,
                          ::testing::Combine (::testing::Values (InputCase { "Line", 0x04 }, InputCase { "Mic", 0x01 },
                                                                 InputCase { "HIZ", 0x02 }, InputCase { "MicHIZ", 0x08 }),
                                              ::testing::Bool()),
                          [] (const auto& info) {
    return std::string (std::get<0> (info.param).button) + (std::get<1> (info.param) ? "Muted" : "");
});

TEST_F (HidActions, MuteOutRepeatsTheLitInputWithAndWithoutTheFlag)
{
    // With no input lit, the combined input code stands in.
    struct Case
    {
        const char* lit;
        UInt8 code;
    };
    for (const auto& c : { Case { "Mic", 0x01 }, Case { nullptr, 0x08 } })
    {
        SCOPED_TRACE (c.lit != nullptr ? c.lit : "no input lit");
        if (c.lit != nullptr)
            click (*panel->buttonMic);
        else
            for (auto* button : inputButtons (*panel))
                button->setToggleState (false, juce::dontSendNotification);
        startLogging();

        click (*panel->buttonMuteOut);
        click (*panel->buttonMuteOut);

        EXPECT_EQ (reportsReceived(),
                   (std::vector<Bytes> { expectedReport (0x2a, UInt8 (0xc0 | c.code)), expectedReport (0x2a, c.code) }));
        EXPECT_EQ (writesOf (mute), (std::vector<Write> { { audio, mute, outp, 0, 1.0 }, { audio, mute, outp, 0, 0.0 } }));
    }
}

TEST_F (HidActions, MuteOutStartsTheUserEditHold)
{
    // On the test clock, so that the hold can't end before it is looked at.
    refreshCounter->useTestClock();
    click (*panel->buttonMuteOut);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (refreshCounter->isPending (MainComponent::timerIdUserEdit));
    EXPECT_TRUE (world().mute (audio, outp));

    refreshCounter->advanceClock (50);
    EXPECT_FALSE (panel->userEditing);
    EXPECT_FALSE (refreshCounter->isPending (MainComponent::timerIdUserEdit));
}

TEST_F (HidActions, MuteInWritesTheInputMuteAndSendsNoReport)
{
    refreshCounter->useTestClock();
    click (*panel->buttonMuteIn);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (reportsReceived().empty());
    EXPECT_EQ (writesOf (mute), (std::vector<Write> { { audio, mute, inpt, 0, 1.0 } }));
    EXPECT_TRUE (world().mute (audio, inpt));

    click (*panel->buttonMuteIn);
    EXPECT_EQ (writesOf (mute), (std::vector<Write> { { audio, mute, inpt, 0, 1.0 }, { audio, mute, inpt, 0, 0.0 } }));
}

TEST_F (HidActions, InputChangeSendsTheOldInputThenTheNew)
{
    click (*panel->buttonMic);
    click (*panel->buttonHIZ);
    click (*panel->buttonHIZ);   // the lit button: sent again

    EXPECT_EQ (reportsReceived(),
               (std::vector<Bytes> { expectedReport (0x2a, 0x04), expectedReport (0x2a, 0x01), expectedReport (0x2a, 0x01),
                                     expectedReport (0x2a, 0x02), expectedReport (0x2a, 0x02) }));
    EXPECT_EQ (world().dataSource (audio), sim::dataSourceHIZ);
}

TEST_F (HidActions, MonitoringOnAndOff)
{
    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonToggleMonitoring);

    EXPECT_EQ (reportsReceived(), (std::vector<Bytes> { expectedReport (0x2c, 0x05), expectedReport (0x2c, 0x01) }));
    EXPECT_FALSE (world().playThru (audio));
}

TEST_F (HidActions, RateClickSetsTheOldRateThenTheNewAndTheLitRateOnce)
{
    ASSERT_TRUE (panel->button48->getToggleState());

    struct Step
    {
        juce::Button* button;
        std::vector<double> rates;
        double deviceRate;
    };
    const Step steps[] {
        { panel->button48.get(), { 48000.0 }, 48000.0 },   // the lit rate: set again
        { panel->button96.get(), { 48000.0, 96000.0 }, 96000.0 },
        { panel->button44.get(), { 96000.0, 44100.0 }, 44100.0 },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.button->getName());
        startLogging();
        click (*step.button);

        std::vector<Write> expected;
        for (auto rate : step.rates)
            for (const auto& w : rateSet (audio, audio, rate))
                expected.push_back (w);
        EXPECT_EQ (writesOf (nsrt), expected);
        EXPECT_TRUE (step.button->getToggleState());
        EXPECT_EQ (world().nominalRate (audio), step.deviceRate);
        EXPECT_TRUE (reportsReceived().empty());
    }
}

TEST_F (HidActions, VolumeUpdateWritesAllFourVolumesFromTheFaders)
{
    refreshCounter->useTestClock();
    panel->sliderGroupIn->rightSlider.setValue (3.5, juce::dontSendNotification);
    panel->sliderGroupOut->leftSlider.setValue (-20.0, juce::dontSendNotification);
    panel->sliderGroupOut->rightSlider.setValue (-30.25, juce::dontSendNotification);

    // The user moves the left input fader: the group posts "volume_update".
    panel->sliderGroupIn->leftSlider.setValue (-6.0, juce::sendNotificationSync);
    EXPECT_TRUE (writesLogged().empty());   // the message is delivered later
    runPosted();

    const double inRight = panel->sliderGroupIn->rightSlider.getValue();
    const std::vector<Write> expected {
        { audio, vold, inpt, 1, -6.0 },
        { audio, vold, inpt, 2, inRight },
        { audio, vold, outp, 1, -20.0 },
        { audio, vold, outp, 2, -30.25 },
    };
    EXPECT_EQ (writesLogged(), expected);
    EXPECT_TRUE (panel->userEditing);
    EXPECT_FLOAT_EQ (world().volumeDb (audio, inpt, 1), -6.0f);
    EXPECT_FLOAT_EQ (world().volumeDb (audio, outp, 2), -30.25f);

    refreshCounter->advanceClock (50);
    EXPECT_FALSE (panel->userEditing);
}

TEST_F (HidActions, MessagesOtherThanVolumeUpdateWriteNothingAndHoldNothing)
{
    panel->sliderGroupIn->leftSlider.setValue (-7.0, juce::dontSendNotification);
    const auto inText = panel->labelDbInLeft->getText();

    // The linked step messages, and names in another letter case.
    for (auto* group : { panel->sliderGroupIn.get(), panel->sliderGroupOut.get() })
        for (const char* message : { "volume_update+", "volume_update-", "volume_updateleftslidergroupin", "Volume_update" })
            group->sendActionMessage (message);
    runPosted();

    EXPECT_EQ (panel->labelDbInLeft->getText(), inText);
    EXPECT_TRUE (writesLogged().empty());
    EXPECT_FALSE (panel->userEditing);
    EXPECT_FALSE (panel->isTimerRunning (MainComponent::timerIdUserEdit));
}

TEST_F (HidActions, SliderLevelMessagesRefreshTheirGroupsReadoutOnly)
{
    struct Case
    {
        SliderStereoGroup* group;
        juce::Slider* fader;
        double value;
        const char* message;
        juce::Label* label;
        const char* text;
        juce::Label* other;
    };
    auto& in = *panel->sliderGroupIn;
    auto& out = *panel->sliderGroupOut;
    const Case cases[] {
        { &out, &out.leftSlider, -12.5, "volume_updateLeftsliderGroupOut", panel->labelDbOutLeft.get(), "-12.5 dB",
          panel->labelDbInLeft.get() },
        { &out, &out.rightSlider, -3.0, "volume_updateRightsliderGroupOut", panel->labelDbOutLeft.get(), "-3.0 dB ",
          panel->labelDbInLeft.get() },
        { &in, &in.rightSlider, 10.0, "volume_updateRightsliderGroupIn", panel->labelDbInLeft.get(), "10.00 dB",
          panel->labelDbOutLeft.get() },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.message);
        const auto otherText = c.other->getText();
        c.fader->setValue (c.value, juce::dontSendNotification);

        c.group->sendActionMessage (c.message);
        runPosted();

        EXPECT_EQ (c.label->getText(), c.text);
        EXPECT_EQ (c.other->getText(), otherText);
    }
    EXPECT_TRUE (writesLogged().empty());
    EXPECT_FALSE (panel->userEditing);
}

// Without a device: no handle and no audio objects. The controls still act; nothing reaches a device.
using ActionsWithoutDevice = DeviceRoadTest;

TEST_F (ActionsWithoutDevice, VolumeUpdateStillHoldsTheRefreshAndWritesFailSilently)
{
    createPanelWithoutDevice();
    ASSERT_EQ (panel->hidDevice, nullptr);
    refreshCounter->useTestClock();

    panel->sliderGroupOut->sendActionMessage ("volume_update");
    runPosted();

    EXPECT_TRUE (panel->userEditing);
    EXPECT_TRUE (refreshCounter->isPending (MainComponent::timerIdUserEdit));
    const auto writes = writesLogged();
    ASSERT_EQ (writes.size(), 4u);
    for (const auto& w : writes)
        EXPECT_EQ (w.object, 0u);
    EXPECT_EQ (world().hidReportAttempts(), 0);
    refreshCounter->advanceClock (50);
    EXPECT_FALSE (panel->userEditing);
}

TEST_F (ActionsWithoutDevice, ButtonsSendNoReport)
{
    createPanelWithoutDevice();

    panel->buttonMic->setToggleState (true, juce::sendNotification);
    panel->buttonClicked (panel->buttonToggleMonitoring.get());
    panel->buttonClicked (panel->buttonMuteOut.get());

    EXPECT_EQ (world().hidReportAttempts(), 0);
}
