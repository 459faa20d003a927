// The panel from construction to teardown: the controls as construction leaves them, the device
// controls switched off and on as a whole, the order of teardown, what teardown saves, and many panels
// built and torn down in one process.
#include "PanelTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

using namespace panel_tests;

namespace
{
    std::vector<juce::ImageButton*> allButtons (MainComponent& p)
    {
        return { p.button44.get(),
                 p.button48.get(),
                 p.button96.get(),
                 p.buttonLine.get(),
                 p.buttonMic.get(),
                 p.buttonHIZ.get(),
                 p.buttonMicHIZ.get(),
                 p.buttonLink.get(),
                 p.buttonMuteIn.get(),
                 p.buttonMuteOut.get(),
                 p.buttonToggleMonitoring.get() };
    }

    void expectAlwaysHiddenAndDisabled (MainComponent& p)
    {
        for (auto* c : { (juce::Component*) p.buttonLink.get(), (juce::Component*) p.buttonMicHIZ.get() })
        {
            EXPECT_FALSE (c->isVisible()) << c->getName();
            EXPECT_FALSE (c->isEnabled()) << c->getName();
        }
        for (auto& meter : p.levelMeters)
        {
            EXPECT_FALSE (meter->isVisible());
            EXPECT_FALSE (meter->isEnabled());
        }
    }
}

using PanelLifecycleTest = PanelTest;

TEST_F (PanelLifecycleTest, ButtonsCarryNamesGroupsAndStartOffAndDisabled)
{
    const juce::StringArray names {
        "44", "48", "96", "Line", "Mic", "HIZ", "MicHIZ", "LINK", "MuteIn", "MuteOut", "buttonToggleMonitoring"
    };
    const int groups[] = { 1001, 1001, 1001, 1101, 1101, 1101, 1101, 0, 0, 0, 0 };

    const auto buttons = allButtons (*panel);
    for (size_t i = 0; i < buttons.size(); ++i)
    {
        auto& b = *buttons[i];
        SCOPED_TRACE (names[(int) i]);
        EXPECT_EQ (b.getName(), names[(int) i]);
        EXPECT_EQ (b.getRadioGroupId(), groups[i]);
        EXPECT_TRUE (b.getClickingTogglesState());
        EXPECT_EQ (b.getParentComponent(), panel.get());
        EXPECT_FALSE (b.isEnabled());
        EXPECT_EQ (b.getToggleState(), &b == panel->buttonLink.get());   // only LINK starts on
    }

    for (auto* b : deviceButtons (*panel))
        EXPECT_TRUE (b->isVisible()) << b->getName();
    expectAlwaysHiddenAndDisabled (*panel);
}

TEST_F (PanelLifecycleTest, LabelsFaderGroupsAndHiddenObjectsAfterConstruction)
{
    auto& p = *panel;
    for (auto* label : { p.labelDbInLeft.get(), p.labelDbOutLeft.get() })
    {
        EXPECT_EQ (label->getParentComponent(), &p);
        EXPECT_TRUE (label->getName().isEmpty());
        EXPECT_TRUE (label->getText().isEmpty());
        EXPECT_EQ (label->findColour (juce::Label::textColourId), juce::Colours::black);
        EXPECT_EQ (label->getJustificationType(), juce::Justification (juce::Justification::left));
    }
    for (auto* label : { p.labelDbInRight.get(), p.labelDbOutRight.get() })
        EXPECT_EQ (label->getParentComponent(), nullptr);
    for (auto* label : levelLabels (p))
        EXPECT_EQ (&label->getLookAndFeel(), &p.labelLookAndFeelDb);

    EXPECT_EQ (p.labelSampleRate->getName(), "SampleRate");
    EXPECT_EQ (p.labelSampleRate->getText(), "SampleRate");
    EXPECT_EQ (p.labelSampleRate->getParentComponent(), &p);
    EXPECT_EQ (p.labelSampleRate->findColour (juce::Label::textColourId), juce::Colours::darkgrey);
    EXPECT_EQ (&p.labelSampleRate->getLookAndFeel(), &p.labelLookAndFeelSampleRate);
    EXPECT_EQ (p.labelLookAndFeelSampleRate.referenceText, "SampleRate");
    EXPECT_EQ (p.labelLookAndFeelDb.referenceText, "-63.5 dB");
    // A label's own font starts at 15: made bold and 1.2 times as high.
    EXPECT_TRUE (p.labelSampleRate->getFont().isBold());
    EXPECT_FLOAT_EQ (p.labelSampleRate->getFont().getHeight(), 18.0f);

    struct GroupCase
    {
        SliderStereoGroup* group;
        const char* name;
        double min, max;
        OxvSliderLookAndFeel* look;
    };
    for (const auto& c : { GroupCase { p.sliderGroupIn.get(), "sliderGroupIn", -40.0, 12.0, &p.sliderLookAndFeelIn },
                           GroupCase { p.sliderGroupOut.get(), "sliderGroupOut", -55.0, 0.0, &p.sliderLookAndFeelOut } })
    {
        auto& g = *c.group;
        EXPECT_EQ (g.getName(), c.name);
        EXPECT_EQ (g.getParentComponent(), &p);
        EXPECT_FALSE (g.isVisible());
        EXPECT_FALSE (g.isEnabled());
        for (auto* slider : { &g.leftSlider, &g.rightSlider })
        {
            EXPECT_EQ (slider->getMinimum(), c.min) << c.name;
            EXPECT_EQ (slider->getMaximum(), c.max) << c.name;
            EXPECT_EQ (slider->getInterval(), 0.25);
            EXPECT_EQ (slider->getValue(), 0.0);
            EXPECT_EQ (&slider->getLookAndFeel(), c.look);
            EXPECT_EQ (slider->findColour (juce::Slider::backgroundColourId), juce::Colour (0x00969798u));
            EXPECT_EQ (slider->findColour (juce::Slider::trackColourId), juce::Colour (0x0016181au));
        }
        // The faders' design geometry inside the group: height, width, x, y.
        EXPECT_EQ (std::make_tuple (g.leftDesign.height, g.leftDesign.width, g.leftDesign.x, g.leftDesign.y),
                   std::make_tuple (162, 17, 0, 5));
        EXPECT_EQ (g.rightDesign.x, 17);
    }
    EXPECT_EQ (p.sliderLookAndFeelIn.thumbWidth, 15);
    EXPECT_EQ (p.sliderLookAndFeelIn.thumbHeight, 19);
    EXPECT_EQ (p.sliderLookAndFeelOut.thumbHeight, 19);

    for (auto& meter : p.levelMeters)
    {
        ASSERT_NE (meter, nullptr);
        EXPECT_EQ (meter->getParentComponent(), nullptr);
    }
    EXPECT_EQ (p.textButton.getParentComponent(), nullptr);
    EXPECT_NE (p.menuBarLookAndFeel, nullptr);
    EXPECT_NE (&p.menuBar->getLookAndFeel(), p.menuBarLookAndFeel.get());
    EXPECT_EQ (p.hidDevice, nullptr);
    EXPECT_FALSE (p.userEditing);
}

TEST_F (PanelLifecycleTest, RegistersForDeviceEventsAndTheCommandManager)
{
    EXPECT_EQ (mydeviceStruct.owner.load(), panel.get());
    EXPECT_EQ (mydeviceStruct.callback.load(), &MainComponent::OnApiCallback);
    EXPECT_EQ (world().hidManagerCount(), 1);
    EXPECT_EQ (world().powerRegistrationCount(), 1);
    ASSERT_NE (applicationCommandManager, nullptr);

    // The menus are rebuilt when the watched manager's commands change.
    RebuildCounter rebuilds;
    panel->addListener (&rebuilds);
    applicationCommandManager->commandStatusChanged();
    EXPECT_TRUE (testing_support::pumpUntil ([&] { return rebuilds.count == 1; }, 2000));
    panel->removeListener (&rebuilds);
}

TEST_F (PanelLifecycleTest, EnablingKeepsEveryToggleAndLeavesTheNeverShownHidden)
{
    auto& p = *panel;
    p.button48->setToggleState (true, juce::dontSendNotification);
    p.buttonMic->setToggleState (true, juce::dontSendNotification);
    p.buttonMuteOut->setToggleState (true, juce::dontSendNotification);
    p.buttonToggleMonitoring->setToggleState (true, juce::dontSendNotification);
    p.labelDbInLeft->setText ("1.0 dB  ", juce::dontSendNotification);

    p.enabledButtons (true);

    for (auto* b : deviceButtons (p))
    {
        EXPECT_TRUE (b->isEnabled()) << b->getName();
        EXPECT_TRUE (b->isVisible()) << b->getName();
    }
    expectAlwaysHiddenAndDisabled (p);
    for (auto* g : { p.sliderGroupIn.get(), p.sliderGroupOut.get() })
    {
        EXPECT_TRUE (g->isEnabled());
        EXPECT_TRUE (g->isVisible());
    }

    std::vector<bool> expectedToggles { false, true, false, false, true, false, false, true, false, true, true };
    const auto buttons = allButtons (p);
    for (size_t i = 0; i < buttons.size(); ++i)
        EXPECT_EQ (buttons[i]->getToggleState(), expectedToggles[i]) << buttons[i]->getName();
    EXPECT_EQ (p.labelDbInLeft->getText(), "1.0 dB  ");
}

TEST_F (PanelLifecycleTest, DisablingSwitchesOffAllButMonitoringAndLinkAndEmptiesTheReadOuts)
{
    auto& p = *panel;
    p.enabledButtons (true);
    for (auto* b : { p.button96.get(), p.buttonHIZ.get(), p.buttonMuteIn.get(), p.buttonMuteOut.get(),
                     p.buttonToggleMonitoring.get() })
        b->setToggleState (true, juce::dontSendNotification);
    p.buttonLink->setToggleState (false, juce::dontSendNotification);
    for (auto* label : levelLabels (p))
        label->setText ("-3.0 dB ", juce::dontSendNotification);

    // A level source the meters don't own: disabling must drop it, not delete it.
    std::int8_t level = 64;
    for (auto& meter : p.levelMeters)
    {
        meter->levelSource = &level;
        meter->displayLevel = 100;
    }
    p.aboutDialog->setVisible (true);

    p.enabledButtons (false);

    for (auto* b : { p.button44.get(), p.button48.get(), p.button96.get(), p.buttonLine.get(), p.buttonMic.get(),
                     p.buttonHIZ.get(), p.buttonMicHIZ.get(), p.buttonMuteIn.get(), p.buttonMuteOut.get() })
    {
        EXPECT_FALSE (b->getToggleState()) << b->getName();
        EXPECT_FALSE (b->isEnabled()) << b->getName();
    }
    // Monitoring and LINK keep their states, whichever they are.
    EXPECT_TRUE (p.buttonToggleMonitoring->getToggleState());
    EXPECT_FALSE (p.buttonToggleMonitoring->isEnabled());
    EXPECT_FALSE (p.buttonLink->getToggleState());

    for (auto* label : levelLabels (p))
        EXPECT_TRUE (label->getText().isEmpty());
    for (auto& meter : p.levelMeters)
    {
        EXPECT_EQ (meter->levelSource, nullptr);
        EXPECT_EQ (meter->displayLevel, 0);
    }
    EXPECT_EQ (level, 64);
    EXPECT_FALSE (p.aboutDialog->isVisible());
    for (auto* g : { p.sliderGroupIn.get(), p.sliderGroupOut.get() })
    {
        EXPECT_FALSE (g->isEnabled());
        EXPECT_FALSE (g->isVisible());
    }
    expectAlwaysHiddenAndDisabled (p);
}

TEST_F (PanelLifecycleTest, TeardownDeletesInItsOrderWithEveryLookDetached)
{
    auto& p = *panel;
    DeletionLog log;
    log.watch (*p.sliderGroupIn, "sliderGroupIn");
    log.watch (p.sliderGroupIn->leftSlider, "In.Left");
    log.watch (*p.sliderGroupOut, "sliderGroupOut");
    log.watch (p.sliderGroupOut->rightSlider, "Out.Right");
    log.watch (*p.menuBar, "menuBar");
    log.watch (*p.aboutWindow->closeButton, "closeButton");
    log.watch (*p.aboutWindow->webLink, "webLink");
    log.watch (*p.aboutWindow, "aboutWindow");
    log.watch (*p.aboutDialog, "aboutDialog");
    for (size_t i = 0; i < p.levelMeters.size(); ++i)
        log.watch (*p.levelMeters[i], "meter" + juce::String ((int) i));
    for (auto* b : allButtons (p))
        log.watch (*b, b->getName());
    log.watch (*p.labelDbInLeft, "labelDbInLeft");
    log.watch (*p.labelDbInRight, "labelDbInRight");
    log.watch (*p.labelDbOutLeft, "labelDbOutLeft");
    log.watch (*p.labelDbOutRight, "labelDbOutRight");
    log.watch (*p.labelSampleRate, "labelSampleRate");

    // Whether a component still used one of the panel's looks when it went.
    juce::StringArray stillStyled;
    const std::vector<juce::LookAndFeel*> panelLooks { &p.labelLookAndFeelDb, &p.sliderLookAndFeelIn,
                                                       &p.sliderLookAndFeelOut, p.menuBarLookAndFeel.get() };
    log.onDeleted = [&] (juce::Component& c)
    {
        if (std::find (panelLooks.begin(), panelLooks.end(), &c.getLookAndFeel()) != panelLooks.end())
            stillStyled.add (log.names[&c]);
    };

    panel.reset();

    const juce::StringArray expected { "In.Left",
                                       "sliderGroupIn",
                                       "Out.Right",
                                       "sliderGroupOut",
                                       "menuBar",
                                       "closeButton",
                                       "webLink",
                                       "aboutWindow",
                                       "aboutDialog",
                                       "meter0",
                                       "meter1",
                                       "meter2",
                                       "meter3",
                                       "44",
                                       "48",
                                       "96",
                                       "Line",
                                       "Mic",
                                       "HIZ",
                                       "MicHIZ",
                                       "LINK",
                                       "labelDbInLeft",
                                       "labelDbInRight",
                                       "labelDbOutLeft",
                                       "labelDbOutRight",
                                       "MuteIn",
                                       "MuteOut",
                                       "buttonToggleMonitoring",
                                       "labelSampleRate" };
    EXPECT_EQ (log.order, expected);
    EXPECT_TRUE (stillStyled.isEmpty()) << stillStyled.joinIntoString (", ");
}

TEST_F (PanelLifecycleTest, TeardownEmptiesTheCommandManagerAndWithdrawsFromDeviceEvents)
{
    ASSERT_NE (applicationCommandManager, nullptr);
    panel.reset();
    EXPECT_EQ (applicationCommandManager, nullptr);
    EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);

    panel = std::make_unique<MainComponent>();
    EXPECT_NE (applicationCommandManager, nullptr);
}

TEST_F (PanelLifecycleTest, TeardownWithoutDeviceSavesNoDeviceChoicesButPendingSettings)
{
    panel.reset();
    settingsFile().deleteFile();

    panel = std::make_unique<MainComponent>();
    panel->buttonToggleMonitoring->setToggleState (true, juce::dontSendNotification);
    panel->appProperties.getUserSettings()->setValue ("WindowPosition", "10 20 320 290");
    panel.reset();

    EXPECT_EQ (readSettingsXml(), (Values { { "WindowPosition", "10 20 320 290" } }));
}

TEST_F (PanelLifecycleTest, TeardownWithDeviceSavesChoicesAndClosesTheDevice)
{
    attachDevice();
    const auto device = ghidInterface.load();
    ASSERT_NE (device, nullptr);
    ASSERT_TRUE (world().isHidOpen (device));

    panel->buttonMic->setToggleState (true, juce::dontSendNotification);
    panel->buttonToggleMonitoring->setToggleState (true, juce::dontSendNotification);
    panel.reset();

    EXPECT_FALSE (world().isHidOpen (device));
    EXPECT_EQ (ghidInterface.load(), nullptr);
    EXPECT_EQ (readSettingsXml(), (Values { { "MON", "true" }, { "MON_INPUT", "1" } }));

    // The device goes away after the panel: nothing may reach the deleted panel.
    world().unplugHid (device);
    testing_support::pumpFor (50);
    EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);
}

TEST_F (PanelLifecycleTest, ManyPanelsInOneProcess)
{
    panel.reset();
    for (int i = 0; i < 12; ++i)
    {
        resetWorld();
        panel = std::make_unique<MainComponent>();
        ASSERT_NE (applicationCommandManager, nullptr);
        EXPECT_EQ (mydeviceStruct.owner.load(), panel.get());

        // Every other panel sees a device come and stay until teardown.
        if (i % 2 == 1)
        {
            attachDevice();
            EXPECT_NE (panel->hidDevice, nullptr);
        }

        layOut (*panel, 320 + i, 290 + i);
        panel.reset();
        EXPECT_EQ (applicationCommandManager, nullptr);
        EXPECT_EQ (mydeviceStruct.owner.load(), nullptr);
        testing_support::pumpFor (5);
    }
}
