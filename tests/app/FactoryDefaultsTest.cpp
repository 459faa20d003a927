// The factory reset: the exact Core Audio writes, the HID reports, what the device ends with and the
// state of the controls, with and without a device.
#include "DeviceRoadFixture.h"

using namespace road_tests;

namespace
{
    std::vector<Write> factoryWrites (AudioObjectID in, AudioObjectID out)
    {
        return {
            { in, nsrt, wildcard, 0, 48000.0 }, { out, nsrt, wildcard, 0, 48000.0 },
            { out, vold, outp, 1, 0.0 }, { out, vold, outp, 2, 0.0 },
            { in, vold, inpt, 1, 0.0 }, { in, vold, inpt, 2, 0.0 },
            { out, vold, outp, 0, 224.0 }, { out, vold, outp, 1, 224.0 },
            { out, mute, outp, 0, 0.0 }, { in, mute, inpt, 0, 0.0 },
        };
    }

    class FactoryDefaults : public DeviceRoadTest
    {
    protected:
        // The user has moved everything away from the factory state.
        void moveAwayFromDefaults (bool monitoring, juce::Button* input)
        {
            world().externalSetVolumeDb (audio, outp, 0, -10.0f);
            panel->sliderGroupIn->rightSlider.setValue (-5.0, juce::dontSendNotification);
            panel->sliderGroupOut->rightSlider.setValue (-30.0, juce::dontSendNotification);
            panel->sliderGroupOut->leftSlider.setValue (-20.0, juce::dontSendNotification);
            panel->sliderGroupIn->leftSlider.setValue (-10.0, juce::sendNotificationSync);
            runPosted();
            click (*panel->buttonMuteOut);
            click (*panel->buttonMuteIn);
            if (monitoring)
                click (*panel->buttonToggleMonitoring);
            if (input != nullptr)
                click (*input);
            settle();

            ASSERT_FLOAT_EQ (world().volumeDb (audio, outp, 2), -30.0f);
            ASSERT_TRUE (world().mute (audio, outp));
            ASSERT_EQ (panel->buttonToggleMonitoring->getToggleState(), monitoring);

            world().clearLogs();
            mark = reportsReceived().size();
        }

        void expectFactoryControls()
        {
            for (auto* slider : { &panel->sliderGroupIn->leftSlider, &panel->sliderGroupIn->rightSlider,
                                  &panel->sliderGroupOut->leftSlider, &panel->sliderGroupOut->rightSlider })
                EXPECT_EQ (slider->getValue(), 0.0);
            EXPECT_FALSE (panel->buttonMuteOut->getToggleState());
            EXPECT_FALSE (panel->buttonMuteIn->getToggleState());
            EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
            EXPECT_TRUE (panel->buttonLine->getToggleState());
            EXPECT_FALSE (panel->buttonMic->getToggleState());
            EXPECT_FALSE (panel->buttonHIZ->getToggleState());
        }

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

        size_t mark = 0;
    };
}

TEST_F (FactoryDefaults, WithDeviceFromMicAndMonitoringOff)
{
    attachDevice();
    moveAwayFromDefaults (false, panel->buttonMic.get());

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (audio, audio));
    const auto reports = reportsSince (mark);
    ASSERT_EQ (reports.size(), 3u);
    EXPECT_EQ (reports[0], expectedReport (0x2c, 0x01));   // monitoring off, once
    EXPECT_EQ (reports[1], expectedReport (0x2a, 0x01));   // "Mic" switched off (mute already read back off)
    EXPECT_EQ (reports[2], expectedReport (0x2a, 0x04));   // "Line"
    expectFactoryControls();
    EXPECT_EQ (panel->labelDbInLeft->getText(), "0.0 dB  ");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "0.0 dB  ");

    settle();
    expectFactoryDevice();
    expectFactoryControls();
    EXPECT_EQ (writesOf (vold).size(), 6u);   // the refreshes that follow write nothing back
}

TEST_F (FactoryDefaults, WithMonitoringOnTheOffReportGoesOutTwice)
{
    attachDevice();
    moveAwayFromDefaults (true, panel->buttonHIZ.get());

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (audio, audio));
    const auto reports = reportsSince (mark);
    ASSERT_EQ (reports.size(), 4u);
    EXPECT_EQ (reports[0], expectedReport (0x2c, 0x01));
    EXPECT_EQ (reports[1], expectedReport (0x2c, 0x01));
    EXPECT_EQ (reports[2], expectedReport (0x2a, 0x02));
    EXPECT_EQ (reports[3], expectedReport (0x2a, 0x04));
    expectFactoryControls();
    settle();
    expectFactoryDevice();
}

TEST_F (FactoryDefaults, WithLineAlreadySelectedNoInputReport)
{
    attachDevice();
    moveAwayFromDefaults (false, nullptr);
    ASSERT_TRUE (panel->buttonLine->getToggleState());

    panel->setFactoryDefaults();

    const auto reports = reportsSince (mark);
    ASSERT_EQ (reports.size(), 1u);
    EXPECT_EQ (reports[0], expectedReport (0x2c, 0x01));
    expectFactoryControls();
    settle();
    expectFactoryDevice();
}

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
    createPanel();
    runPosted();
    ASSERT_EQ (panel->hidDevice, nullptr);

    panel->sliderGroupIn->leftSlider.setValue (-10.0, juce::dontSendNotification);
    panel->sliderGroupOut->rightSlider.setValue (-40.0, juce::dontSendNotification);
    panel->buttonMuteOut->setToggleState (true, juce::dontSendNotification);
    panel->buttonMuteIn->setToggleState (true, juce::dontSendNotification);
    panel->buttonToggleMonitoring->setToggleState (true, juce::dontSendNotification);
    panel->buttonHIZ->setToggleState (true, juce::dontSendNotification);

    panel->setFactoryDefaults();

    EXPECT_EQ (writesLogged(), factoryWrites (0, 0));
    EXPECT_EQ (world().hidReportAttempts(), 0);
    expectFactoryControls();
    // The read-outs stay empty while the fader groups are disabled.
    EXPECT_EQ (panel->labelDbInLeft->getText(), "");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "");
}

TEST_F (FactoryDefaults, BeforeTheDeviceArrivesTheArrivalRestoresTheSavedChoices)
{
    juce::StringPairArray saved;
    saved.set ("MON", "true");
    saved.set ("MON_INPUT", "1");
    writeSettings (saved);

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
