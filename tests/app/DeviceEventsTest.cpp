// Device events as the panel lives through them: the arrival with its restored choices, the removal,
// the power messages, the refresh that pulls rate, volumes and mutes from the device, and events that
// come once the program quits.
#include "DeviceRoadFixture.h"

#include <cstdlib>
#include <future>
#include <thread>

using namespace road_tests;

namespace
{
    class DeviceEvents : public DeviceRoadTest
    {
    protected:
        void expectDeviceControlsEnabled (bool enabled)
        {
            for (auto* button : deviceButtons (*panel))
                EXPECT_EQ (button->isEnabled(), enabled) << button->getName();
            EXPECT_EQ (panel->sliderGroupIn->isVisible(), enabled);
            EXPECT_EQ (panel->sliderGroupOut->isVisible(), enabled);
        }

        juce::ImageButton* litRateButton() const
        {
            for (auto* button : rateButtons (*panel))
                if (button->getToggleState())
                    return button;
            return nullptr;
        }
    };
}

// Arrival ----------------------------------------------------------------------------------------------

TEST_F (DeviceEvents, ArrivalEnablesTheControlsAndTheFirstRefreshLoadsTheDevice)
{
    audio = addTolvaAudio (96000.0);
    world().externalSetVolumeDb (audio, inpt, 1, -3.0f);
    world().externalSetVolumeDb (audio, inpt, 2, -4.5f);
    world().externalSetVolumeDb (audio, outp, 1, -20.0f);
    world().externalSetVolumeDb (audio, outp, 2, -25.5f);
    world().externalSetMute (audio, outp, true);
    testing_support::pumpUntil ([] { return world().listenerIdle(); });

    arriveWithoutRefresh();

    expectDeviceControlsEnabled (true);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "0.0 dB  ");   // the faders as they are, until the refresh
    const std::vector<Bytes> arrivalReports { expectedReport (0x1a, 0x00), expectedReport (0x2a, 0x04) };
    EXPECT_EQ (reportsReceived(), arrivalReports);
    EXPECT_EQ (refreshCount(), 0);
    EXPECT_EQ (litRateButton(), nullptr);

    EXPECT_EQ (refreshCounter->starts(), (std::vector<TimerStart> { refreshStart (200) }));   // 200 ms after the arrival

    ASSERT_TRUE (runFirstRefresh());
    runPosted();

    EXPECT_EQ (litRateButton(), panel->button96.get());
    EXPECT_EQ (panel->sliderGroupIn->leftSlider.getValue(), -3.0);
    EXPECT_EQ (panel->sliderGroupIn->rightSlider.getValue(), -4.5);
    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -20.0);
    EXPECT_EQ (panel->sliderGroupOut->rightSlider.getValue(), -25.5);
    EXPECT_TRUE (panel->buttonMuteOut->getToggleState());
    EXPECT_FALSE (panel->buttonMuteIn->getToggleState());
    // The read-out follows the fader that the refresh moved last, the right one.
    EXPECT_EQ (panel->labelDbInLeft->getText(), "-4.5 dB ");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-25.5 dB");
    // Nothing of the refresh went back to the device.
    EXPECT_EQ (reportsReceived(), arrivalReports);
    EXPECT_TRUE (writesLogged().empty());
}

struct MonitoringCase
{
    const char* saved;
    bool on;
};

void PrintTo (const MonitoringCase& c, std::ostream* os)
{
    *os << "MON \"" << c.saved << "\" turns monitoring " << (c.on ? "on" : "off");
}

class RestoredMonitoring : public DeviceEvents,
                           public ::testing::WithParamInterface<MonitoringCase>
{};

TEST_P (RestoredMonitoring, OnlyTrueInAnyLetterCaseTurnsItOn)
{
    writeSettings ({ { "MON", GetParam().saved }, { "MON_INPUT", "0" } });
    audio = addTolvaAudio();
    arriveWithoutRefresh();

    EXPECT_EQ (panel->buttonToggleMonitoring->getToggleState(), GetParam().on);
    std::vector<Bytes> expected { expectedReport (0x1a, 0x00) };
    if (GetParam().on)
    {
        // Off before: once for the toggle, once for the direct call.
        expected.push_back (expectedReport (0x2c, 0x05));
        expected.push_back (expectedReport (0x2c, 0x05));
    }
    expected.push_back (expectedReport (0x2a, 0x04));
    EXPECT_EQ (reportsReceived(), expected);
    settle();
    EXPECT_EQ (world().playThru (audio), GetParam().on);
}

INSTANTIATE_TEST_SUITE_P (SavedValues, RestoredMonitoring,
                          ::testing::Values (MonitoringCase { "true", true }, MonitoringCase { "TRUE", true },
                                             MonitoringCase { "True", true }, MonitoringCase { "1", false },
                                             MonitoringCase { "yes", false }, MonitoringCase { "false", false },
                                             MonitoringCase { " true", false }),
                          [] (const auto& info) { return "case" + std::to_string (info.index); });

struct InputChoiceCase
{
    const char* saved;
    const char* button;
    UInt8 code;
};

void PrintTo (const InputChoiceCase& c, std::ostream* os)
{
    *os << "MON_INPUT \"" << c.saved << "\" lights " << c.button << " (code " << (int) c.code << ")";
}

class RestoredInput : public DeviceEvents,
                      public ::testing::WithParamInterface<InputChoiceCase>
{};

TEST_P (RestoredInput, ConvertedLikeAtoi)
{
    writeSettings ({ { "MON", "false" }, { "MON_INPUT", GetParam().saved } });
    audio = addTolvaAudio();
    arriveWithoutRefresh();

    for (auto* button : inputButtons (*panel))
        EXPECT_EQ (button->getToggleState(), button->getName() == GetParam().button) << button->getName();
    EXPECT_EQ (reportsReceived(),
               (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2a, GetParam().code) }));
    EXPECT_FALSE (panel->buttonToggleMonitoring->getToggleState());
}

INSTANTIATE_TEST_SUITE_P (SavedValues, RestoredInput,
                          ::testing::Values (InputChoiceCase { "0", "Line", 0x04 }, InputChoiceCase { "1", "Mic", 0x01 },
                                             InputChoiceCase { "2", "HIZ", 0x02 }, InputChoiceCase { "3", "MicHIZ", 0x08 },
                                             InputChoiceCase { " 1", "Mic", 0x01 }, InputChoiceCase { "1x", "Mic", 0x01 },
                                             InputChoiceCase { "+2", "HIZ", 0x02 }, InputChoiceCase { "7", "Line", 0x04 },
                                             InputChoiceCase { "-1", "Line", 0x04 }, InputChoiceCase { "abc", "Line", 0x04 },
                                             InputChoiceCase { "", "Line", 0x04 }, InputChoiceCase { "x1", "Line", 0x04 }),
                          [] (const auto& info) { return "case" + std::to_string (info.index); });

TEST_F (DeviceEvents, MonitoringStillOnFromBeforeTheRemovalIsReportedOnce)
{
    writeSettings ({ { "MON", "true" }, { "MON_INPUT", "2" } });
    attachDevice();
    ASSERT_TRUE (panel->buttonToggleMonitoring->getToggleState());

    ASSERT_TRUE (unplugAndWaitForRemoval());
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());   // kept across the removal

    replugInterface();
    ASSERT_TRUE (waitForArrival());
    EXPECT_EQ (reportsReceived(), (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2c, 0x05),
                                                        expectedReport (0x2a, 0x02) }));
}

// The HID device comes back while its audio object never left, so the object still carries the listener
// of the earlier arrival. Where the platform refuses to install it again the object is taken in neither
// direction: the lookup gives up and the panel stays without a device; where it installs it again the
// device is taken up as before.
TEST_F (DeviceEvents, HidBackOnTheSameAudioObjectIsNotTakenWhenTheListenerIsRefused)
{
    attachDevice();
    ASSERT_TRUE (unplugAndWaitForRemoval());

    hid = plugTolvaHid (audio);
    runPosted();   // the arrival with the whole lookup, five attempts
    runPosted();

    EXPECT_EQ (panel->hidDevice, nullptr);
    EXPECT_FALSE (panel->button48->isEnabled());
    EXPECT_EQ (gInAudioObjectID.load(), 0u);
    EXPECT_EQ (gOutAudioObjectID.load(), 0u);
    EXPECT_EQ (ghidInterface.load(), hid);
    EXPECT_TRUE (world().hidReports (hid).empty());
}

TEST_F (DeviceEvents, HidBackOnTheSameAudioObjectIsTakenWhereTheListenerGoesOnAgain)
{
    world().setRefuseDuplicateListener (false);
    attachDevice();
    ASSERT_TRUE (unplugAndWaitForRemoval());

    hid = plugTolvaHid (audio);
    ASSERT_TRUE (waitForArrival());
    EXPECT_EQ (gInAudioObjectID.load(), audio);
    EXPECT_EQ (gOutAudioObjectID.load(), audio);
    EXPECT_EQ (reportsReceived(), (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2a, 0x04) }));
}

TEST_F (DeviceEvents, ArrivalWithoutHandleSendsNothingButRestoresTheChoices)
{
    writeSettings ({ { "MON", "true" }, { "MON_INPUT", "1" } });
    audio = addTolvaAudio();
    createPanelWithoutDevice();
    gInAudioObjectID = audio;
    gOutAudioObjectID = audio;

    MainComponent::OnApiCallback (panel.get(), nullptr, deviceEventArrived);

    EXPECT_NE (panel->hidDevice, nullptr);
    expectDeviceControlsEnabled (true);
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonMic->getToggleState());
    EXPECT_EQ (world().hidReportAttempts(), 0);
    EXPECT_TRUE (panel->isTimerRunning (MainComponent::timerIdDeviceRefresh));
}

TEST_F (DeviceEvents, SecondArrivalRunsTheWholeArrivalAgain)
{
    attachDevice();
    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonMic);
    const auto mark = reportsReceived().size();

    MainComponent::OnApiCallback (panel.get(), nullptr, deviceEventArrived);

    // Nothing saved: monitoring stays as it is, the input goes back to "Line".
    EXPECT_EQ (reportsSince (mark), (std::vector<Bytes> { expectedReport (0x1a, 0x00), expectedReport (0x2a, 0x01),
                                                          expectedReport (0x2a, 0x04) }));
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_TRUE (panel->buttonLine->getToggleState());
}

TEST_F (DeviceEvents, EventsForNoOwnerOrAnotherOwnerDoNothing)
{
    audio = addTolvaAudio();
    createPanelWithoutDevice();
    juce::Component other;

    for (auto* owner : { (juce::Component*) nullptr, &other })
    {
        SCOPED_TRACE (owner == nullptr ? "no owner" : "another owner");
        MainComponent::OnApiCallback (owner, nullptr, deviceEventArrived);
        MainComponent::OnApiCallback (owner, nullptr, deviceEventChanged);

        EXPECT_EQ (panel->hidDevice, nullptr);
        expectDeviceControlsEnabled (false);
        EXPECT_FALSE (panel->isTimerRunning (MainComponent::timerIdDeviceRefresh));
    }
}

TEST_F (DeviceEvents, PowerMessagesChangeNothing)
{
    attachDevice();
    const auto before = refreshCount();
    const auto reports = reportsReceived().size();

    world().sendPowerMessage (kIOMessageCanSystemSleep, 11);
    world().sendPowerMessage (kIOMessageSystemWillSleep, 12);
    world().sendPowerMessage (kIOMessageSystemWillPowerOn, 13);
    world().sendPowerMessage (kIOMessageSystemHasPoweredOn, 14);
    testing_support::pumpFor (150);

    EXPECT_EQ (world().allowedPowerChanges(), (std::vector<intptr_t> { 11, 12 }));
    EXPECT_EQ (refreshCount(), before);
    EXPECT_EQ (reportsReceived().size(), reports);
    EXPECT_NE (panel->hidDevice, nullptr);
    EXPECT_TRUE (world().isHidOpen (hid));
    expectDeviceControlsEnabled (true);
}

// Removal ----------------------------------------------------------------------------------------------

TEST_F (DeviceEvents, RemovalSavesDisablesAndClosesTheHandle)
{
    attachDevice();
    click (*panel->buttonToggleMonitoring);
    click (*panel->buttonHIZ);
    click (*panel->button96);
    settle();
    ASSERT_TRUE (world().isHidOpen (hid));

    ASSERT_TRUE (unplugAndWaitForRemoval());

    auto* store = panel->appProperties.getUserSettings();
    EXPECT_EQ (store->getValue ("MON"), "true");
    EXPECT_EQ (store->getValue ("MON_INPUT"), "2");
    expectDeviceControlsEnabled (false);
    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_FALSE (world().isHidOpen (hid));
    EXPECT_EQ (gInAudioObjectID.load(), 0u);
    EXPECT_EQ (gOutAudioObjectID.load(), 0u);

    // Monitoring keeps its state; the rest is switched off and the read-outs emptied.
    EXPECT_TRUE (panel->buttonToggleMonitoring->getToggleState());
    EXPECT_FALSE (panel->buttonHIZ->getToggleState());
    EXPECT_EQ (litRateButton(), nullptr);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "");

    // A factory reset now reaches no device.
    const auto attempts = world().hidReportAttempts();
    panel->setFactoryDefaults();
    EXPECT_EQ (world().hidReportAttempts(), attempts);
}

TEST_F (DeviceEvents, RemovalWithoutAHandledArrivalLeavesNoHandleToTheReleasedDevice)
{
    PlatformClock::setSpeed (1000.0);   // the lookup gives up after five platform seconds
    createPanelWithoutDevice();
    hid = plugTolvaHid (0);   // no audio side: the arrival is never raised
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() != nullptr; }));
    runPosted();
    ASSERT_EQ (panel->hidDevice, nullptr);

    world().unplugHid (hid);
    ASSERT_TRUE (testing_support::pumpUntil ([] { return ghidInterface.load() == nullptr; }));
    runPosted();
    expectDeviceControlsEnabled (false);

    panel->setFactoryDefaults();
    panel->buttonClicked (panel->buttonToggleMonitoring.get());
    EXPECT_EQ (world().hidReportAttempts(), 0);
}

TEST_F (DeviceEvents, RefreshAfterRemovalFindsNoDevice)
{
    audio = addTolvaAudio();
    world().externalSetVolumeDb (audio, outp, 1, -9.0f);
    world().externalSetMute (audio, inpt, true);
    arriveWithoutRefresh();
    ASSERT_TRUE (runFirstRefresh());
    settle();
    ASSERT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -9.0);

    ASSERT_TRUE (unplugAndWaitForRemoval());
    ASSERT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -9.0);
    panel->buttonMuteIn->setToggleState (true, juce::dontSendNotification);

    const auto before = refreshCount();
    MainComponent::OnApiCallback (panel.get(), nullptr, deviceEventChanged);
    refreshCounter->advanceClock (50);
    ASSERT_EQ (refreshCount(), before + 1);

    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), 0.0);
    EXPECT_FALSE (panel->buttonMuteIn->getToggleState());
    EXPECT_EQ (litRateButton(), nullptr);
    EXPECT_TRUE (writesLogged().empty());
}

// Refresh ----------------------------------------------------------------------------------------------

// Separate input and output objects, the output at 48 kHz: the input's rate and which rate read fails,
// the rate button lit before the first refresh, and what that refresh does.
struct RateCheckCase
{
    const char* name;
    double inRate;
    bool failInRead, failOutRead;
    int litBefore;   // index into 44.1, 48, 96 kHz; -1 for none
    bool setsOutputRate;
    int litAfter;
};

void PrintTo (const RateCheckCase& c, std::ostream* os)
{
    *os << c.name;
}

class RateCheck : public DeviceEvents,
                  public ::testing::WithParamInterface<RateCheckCase>
{};

TEST_P (RateCheck, FirstRefreshSetsBothObjectsToTheOutputRateWhenTheyDiffer)
{
    const auto& c = GetParam();
    const auto in = addTolvaAudio (c.inRate, true, false);
    const auto out = addTolvaAudio (48000.0, false, true);
    world().setFailGet (in, nsrt, c.failInRead);
    world().setFailGet (out, nsrt, c.failOutRead);
    audio = in;
    arriveWithoutRefresh();
    ASSERT_EQ (gInAudioObjectID.load(), in);
    ASSERT_EQ (gOutAudioObjectID.load(), out);
    if (c.litBefore >= 0)
        rateButtons (*panel)[(size_t) c.litBefore]->setToggleState (true, juce::dontSendNotification);

    ASSERT_TRUE (runFirstRefresh());
    EXPECT_EQ (writesOf (nsrt), c.setsOutputRate ? rateSet (in, out, 48000.0) : std::vector<Write> {});
    EXPECT_EQ (litRateButton(), rateButtons (*panel)[(size_t) c.litAfter]);
    EXPECT_EQ (world().nominalRate (in), 48000.0);
}

INSTANTIATE_TEST_SUITE_P (
    Cases, RateCheck,
    ::testing::Values (RateCheckCase { "DifferingRates", 44100.0, false, false, -1, true, 1 },
                       // The rate check still fails on the input side: the lit button stays.
                       RateCheckCase { "FailedInputReadCountsAsDiffering", 48000.0, true, false, 0, true, 0 },
                       RateCheckCase { "FailedOutputReadSetsNothing", 48000.0, false, true, 2, false, 2 }),
    [] (const auto& info) { return std::string (info.param.name); });

TEST_F (DeviceEvents, RateWithoutAButtonChangesNoButton)
{
    audio = addTolvaAudio (88200.0);
    arriveWithoutRefresh();
    panel->button44->setToggleState (true, juce::dontSendNotification);

    ASSERT_TRUE (runFirstRefresh());
    EXPECT_EQ (litRateButton(), panel->button44.get());
    EXPECT_TRUE (writesOf (nsrt).empty());
    EXPECT_EQ (world().nominalRate (audio), 88200.0);
}

TEST_F (DeviceEvents, OutsideRateChangeLightsItsButton)
{
    attachDevice();
    ASSERT_EQ (litRateButton(), panel->button48.get());
    const auto before = refreshCount();

    world().externalSetNominalRate (audio, 44100.0);
    ASSERT_TRUE (waitForRefreshes (before + 1));
    EXPECT_EQ (litRateButton(), panel->button44.get());
    EXPECT_TRUE (writesLogged().empty());
}

TEST_F (DeviceEvents, WhileTheUserEditsOnlyTheRateFollows)
{
    attachDevice();
    panel->userEditing = true;
    const auto before = refreshCount();

    world().externalSetVolumeDb (audio, outp, 1, -20.0f);
    world().externalSetMute (audio, outp, true);
    world().externalSetNominalRate (audio, 96000.0);
    ASSERT_TRUE (waitForRefreshes (before + 1));
    settle();

    EXPECT_EQ (litRateButton(), panel->button96.get());
    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), 0.0);
    EXPECT_FALSE (panel->buttonMuteOut->getToggleState());

    panel->userEditing = false;
    const auto after = refreshCount();
    world().externalSetVolumeDb (audio, inpt, 1, -3.0f);
    ASSERT_TRUE (waitForRefreshes (after + 1));

    EXPECT_EQ (panel->sliderGroupOut->leftSlider.getValue(), -20.0);
    EXPECT_EQ (panel->sliderGroupIn->leftSlider.getValue(), -3.0);
    EXPECT_TRUE (panel->buttonMuteOut->getToggleState());
}

// Quit -------------------------------------------------------------------------------------------------

// Once the quit message is posted, the message thread grants its lock to nobody and goes on to destroy the
// panel: an event from a Core Audio thread must then leave the panel alone, and return. A quit cannot be
// taken back, so it runs in a process of its own, whose status tells whether the panel was left alone.
TEST_F (DeviceEvents, EventsAfterTheQuitBeganLeaveThePanelAlone)
{
    GTEST_FLAG_SET (death_test_style, "threadsafe");

    auto eventsAfterTheQuitBegan = [this]
    {
        attachDevice();
        if (HasFailure())
            std::_Exit (3);
        refreshCounter->forgetStarts();
        const auto reports = reportsReceived();
        const auto stored = panel->appProperties.getUserSettings()->getAllProperties();

        juce::MessageManager::getInstance()->stopDispatchLoop();

        std::promise<void> returned;
        std::thread coreAudio (
            [&]
            {
            for (auto event : { deviceEventChanged, deviceEventRemoved, deviceEventArrived })
                MainComponent::OnApiCallback (panel.get(), nullptr, event);
            returned.set_value();
        });
        if (returned.get_future().wait_for (std::chrono::seconds (10)) != std::future_status::ready)
        {
            std::cerr << "the events never returned";
            std::_Exit (2);
        }
        coreAudio.join();

        juce::StringArray touched;
        if (! refreshCounter->starts().empty())
            touched.add ("a refresh was scheduled");
        if (reportsReceived() != reports)
            touched.add ("reports went to the device");
        if (panel->appProperties.getUserSettings()->getAllProperties() != stored)
            touched.add ("the settings changed");
        if (panel->hidDevice == nullptr || ! world().isHidOpen (hid))
            touched.add ("the device was released");
        std::cerr << touched.joinIntoString ("; ");
        std::_Exit (touched.isEmpty() ? 0 : 1);
    };

    EXPECT_EXIT (eventsAfterTheQuitBegan(), ::testing::ExitedWithCode (0), "");
}
