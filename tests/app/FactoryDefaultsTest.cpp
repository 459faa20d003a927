// The factory reset: the exact Core Audio writes, the HID reports, what the device ends with and the
// state of the controls, with and without a device.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    std::vector<Write> factoryWrites (AudioObjectID in, AudioObjectID out)
    {
        return {
            { in, nsrt, wildcard, 0, 48000.0 }, { out, nsrt, wildcard, 0, 48000.0 }, { out, vold, outp, 1, 0.0 },
            { out, vold, outp, 2, 0.0 },        { in, vold, inpt, 1, 0.0 },          { in, vold, inpt, 2, 0.0 },
            { out, vold, outp, 0, 224.0 },      { out, vold, outp, 1, 224.0 },       { out, mute, outp, 0, 0.0 },
            { in, mute, inpt, 0, 0.0 },
        };
    }

    class FactoryDefaults : public DeviceRoadTest
    {
    protected:
        void expectFactoryDevice()
        {
            EXPECT_EQ (world().nominalRate (audio), 48000.0);
            for (AudioObjectPropertyElement element : { 0u, 1u, 2u })
                EXPECT_EQ (world().volumeDb (audio, outp, element), 0.0f) << "output element " << element;   // 224 clamped
            EXPECT_EQ (world().volumeDb (audio, inpt, 1), 0.0f);
            EXPECT_EQ (world().volumeDb (audio, inpt, 2), 0.0f);
            EXPECT_FALSE (world().mute (audio, outp));
            EXPECT_FALSE (world().mute (audio, inpt));
            EXPECT_FALSE (world().playThru (audio));
            EXPECT_EQ (world().dataSource (audio), sim::dataSourceLine);
        }
    };

    // The user has moved everything away from the factory state, monitoring and the input as given.
    struct ResetCase
    {
        const char* name;
        bool monitoring;
        const char* input;            // the input button clicked; nullptr leaves "Line"
        std::vector<Bytes> reports;   // what the reset sends
    };

    void PrintTo (const ResetCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class FactoryReset : public FactoryDefaults,
                         public ::testing::WithParamInterface<ResetCase>
    {
    protected:
        void moveAwayFromDefaults()
        {
            world().externalSetVolumeDb (audio, outp, 0, -10.0f);
            panel->sliderGroupIn->rightSlider.setValue (-5.0, juce::dontSendNotification);
            panel->sliderGroupOut->rightSlider.setValue (-30.0, juce::dontSendNotification);
            panel->sliderGroupOut->leftSlider.setValue (-20.0, juce::dontSendNotification);
            panel->sliderGroupIn->leftSlider.setValue (-10.0, juce::sendNotificationSync);
            runPosted();
            click (*panel->buttonMuteOut);
            click (*panel->buttonMuteIn);
            if (GetParam().monitoring)
                click (*panel->buttonToggleMonitoring);
            for (auto* button : inputButtons (*panel))
                if (GetParam().input != nullptr && button->getName() == GetParam().input)
                    click (*button);
            settle();

            ASSERT_FLOAT_EQ (world().volumeDb (audio, outp, 2), -30.0f);
            ASSERT_TRUE (world().mute (audio, outp));
            ASSERT_EQ (panel->buttonToggleMonitoring->getToggleState(), GetParam().monitoring);
            ASSERT_EQ (panel->buttonLine->getToggleState(), GetParam().input == nullptr);
        }
    };
}

TEST_P (FactoryReset, WithDeviceWritesSendsAndLeavesTheFactoryState)
{
    attachDevice();
    moveAwayFromDefaults();
    world().clearLogs();

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (audio, audio));
    EXPECT_EQ (reportsReceived(), GetParam().reports);
    expectFactoryControls (*panel);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "0.0 dB  ");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "0.0 dB  ");

    settle();
    expectFactoryDevice();
    expectFactoryControls (*panel);
    EXPECT_EQ (writesOf (vold).size(), 6u);   // the refreshes that follow write nothing back
}

INSTANTIATE_TEST_SUITE_P (Cases, FactoryReset,
                          ::testing::Values (
                              // Monitoring off, once; "Mic" switched off (the mute already read back off); "Line".
                              ResetCase { "FromMicAndMonitoringOff",
                                          false,
                                          "Mic",
                                          { expectedReport (0x2c, 0x01), expectedReport (0x2a, 0x01),
                                            expectedReport (0x2a, 0x04) } },
                              // With monitoring on the off report goes out twice.
                              ResetCase { "FromHizAndMonitoringOn",
                                          true,
                                          "HIZ",
                                          { expectedReport (0x2c, 0x01), expectedReport (0x2c, 0x01),
                                            expectedReport (0x2a, 0x02), expectedReport (0x2a, 0x04) } },
                              // "Line" already selected: no input report.
                              ResetCase { "FromLine", false, nullptr, { expectedReport (0x2c, 0x01) } }),
                          [] (const auto& info) { return std::string (info.param.name); });

TEST_F (FactoryDefaults, WithSeparateInputAndOutputObjects)
{
    const auto in = addTolvaAudio (48000.0, true, false);
    const auto out = addTolvaAudio (48000.0, false, true);
    world().externalSetVolumeDb (in, inpt, 2, 6.0f);
    world().externalSetVolumeDb (out, outp, 2, -6.0f);
    world().externalSetMute (out, outp, true);
    hid = plugTolvaHid (in);
    createPanel();
    ASSERT_TRUE (waitForArrival());
    settle();
    ASSERT_TRUE (panel->buttonMuteOut->getToggleState());
    world().clearLogs();

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (in, out));
    EXPECT_FALSE (panel->buttonMuteOut->getToggleState());
    settle();
    EXPECT_EQ (world().volumeDb (in, inpt, 2), 0.0f);
    EXPECT_EQ (world().volumeDb (out, outp, 2), 0.0f);
    EXPECT_FALSE (world().mute (out, outp));
}

TEST_F (FactoryDefaults, WithoutDeviceOnlyTheControlsChange)
{
    createPanelWithoutDevice();
    ASSERT_EQ (panel->hidDevice, nullptr);

    panel->sliderGroupIn->leftSlider.setValue (-10.0, juce::dontSendNotification);
    panel->sliderGroupOut->rightSlider.setValue (-40.0, juce::dontSendNotification);
    for (auto* button : { panel->buttonMuteOut.get(), panel->buttonMuteIn.get(), panel->buttonToggleMonitoring.get(),
                          panel->buttonHIZ.get() })
        button->setToggleState (true, juce::dontSendNotification);

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (0, 0));
    EXPECT_EQ (world().hidReportAttempts(), 0);
    expectFactoryControls (*panel);
    // The read-outs stay empty while the fader groups are disabled.
    EXPECT_EQ (panel->labelDbInLeft->getText(), "");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "");
}

TEST_F (FactoryDefaults, BeforeTheDeviceArrivesTheArrivalRestoresTheSavedChoices)
{
    writeSettings ({ { "MON", "true" }, { "MON_INPUT", "1" } });
    audio = addTolvaAudio (96000.0);
    world().externalSetVolumeDb (audio, outp, 1, -12.0f);
    createPanel();
    panel->setFactoryDefaults();   // as a "/default" start does, before the run loop delivers the arrival
    ASSERT_TRUE (panel->buttonLine->getToggleState());

    hid = plugTolvaHid (audio);
    ASSERT_TRUE (waitForArrival());
    settle();

    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonMic->getToggleState());
    EXPECT_TRUE (panel->button96->getToggleState());
    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -12.0);
}
