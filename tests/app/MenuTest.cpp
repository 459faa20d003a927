// The menus: names, items, ids, texts and ticks as they are built, and what picking each item does.
#include "PanelTestSupport.h"

#include <vector>

using namespace panel_tests;

namespace
{
    struct ItemView
    {
        int id;
        juce::String text;
        bool separator, ticked, enabled, hasSubMenu;

        bool operator== (const ItemView& o) const
        {
            return id == o.id && text == o.text && separator == o.separator && ticked == o.ticked
                   && enabled == o.enabled && hasSubMenu == o.hasSubMenu;
        }
    };

    std::ostream& operator<< (std::ostream& os, const ItemView& i)
    {
        return os << "{" << i.id << " \"" << i.text << "\"" << (i.separator ? " sep" : "") << (i.ticked ? " ticked" : "")
                  << (i.enabled ? "" : " disabled") << (i.hasSubMenu ? " sub" : "") << "}";
    }

    ItemView item (int id, const char* text, bool ticked = false)
    {
        return { id, text, false, ticked, true, false };
    }
    ItemView separator()
    {
        return { 0, {}, true, false, true, false };
    }

    // The top level of a menu, without descending into submenus.
    std::vector<ItemView> itemsOf (const juce::PopupMenu& menu)
    {
        std::vector<ItemView> items;
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& i = it.getItem();
            items.push_back ({ i.itemID, i.text, i.isSeparator, i.isTicked, i.isEnabled, i.subMenu != nullptr });
        }
        return items;
    }

    const juce::PopupMenu* subMenuOf (const juce::PopupMenu& menu, const juce::String& name)
    {
        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
            if (it.getItem().text == name)
                return it.getItem().subMenu.get();
        return nullptr;
    }

    std::vector<ItemView> rateItems (MainComponent& panel)
    {
        const auto config = panel.getMenuForIndex (MainComponent::menuIndexConfig, "Config");
        const auto* rates = subMenuOf (config, "Sample rate");
        return rates != nullptr ? itemsOf (*rates) : std::vector<ItemView> {};
    }

    bool alwaysOnTopTicked (MainComponent& panel)
    {
        return itemsOf (panel.getMenuForIndex (MainComponent::menuIndexFile, "File")).front().ticked;
    }

    struct ChangeCounter : juce::ChangeListener
    {
        void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
        int count = 0;
    };

    std::vector<double> rateWritesOn (AudioObjectID object)
    {
        std::vector<double> rates;
        for (const auto& w : world().propertyWrites())
            if (w.object == object && w.address.mSelector == kAudioDevicePropertyNominalSampleRate)
                rates.push_back (w.asFloat64());
        return rates;
    }

    // Consecutive equal entries folded: one rate set may write it to input and output alike.
    std::vector<double> folded (const std::vector<double>& values)
    {
        std::vector<double> result;
        for (auto v : values)
            if (result.empty() || result.back() != v)
                result.push_back (v);
        return result;
    }
}

class MenuTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        panel->addListener (&rebuilds);
        panel->addChangeListener (&changes);
        // Whatever construction left pending is not an action's.
        runPosted();
        rebuilds.count = changes.count = 0;
    }

    void TearDown() override
    {
        if (panel != nullptr)
        {
            panel->removeListener (&rebuilds);
            panel->removeChangeListener (&changes);
        }
        window.reset();
        PanelTest::TearDown();
    }

    // The panel as the window's content, as the program shows it. The window gets the panel back
    // before it goes, so that the fixture deletes the panel itself.
    void putPanelInWindow()
    {
        window = std::make_unique<juce::DocumentWindow> ("Tolva USB", juce::Colours::lightgrey, juce::DocumentWindow::allButtons);
        window->setContentNonOwned (panel.get(), true);
        window->setTopLeftPosition (60, 40);
        window->setVisible (true);
    }

    // Picks an item and lets everything it posted run.
    void pick (int id)
    {
        panel->menuItemSelected (id, 0);
        runPosted();
    }

    RebuildCounter rebuilds;
    ChangeCounter changes;
    std::unique_ptr<juce::DocumentWindow> window;
};

TEST_F (MenuTest, NamesAndItemsOfEveryMenu)
{
    EXPECT_EQ (panel->getMenuBarNames(), juce::StringArray ({ "File", "Config" }));

    EXPECT_EQ (itemsOf (panel->getMenuForIndex (0, "File")),
               (std::vector<ItemView> { item (0x2000, "Always on top"), separator(),
                                        item (0x2001, "macOS Audio Settings"), separator(), item (0x2002, "Close") }));

    EXPECT_EQ (itemsOf (panel->getMenuForIndex (1, "Config")),
               (std::vector<ItemView> { item (0x2003, "Factory Defaults"),
                                        separator(),
                                        { 0, "Sample rate", false, false, true, true } }));
    EXPECT_EQ (rateItems (*panel), (std::vector<ItemView> { item (0x2100, "44100  Hz"), item (0x2101, "48000  Hz"),
                                                            item (0x2102, "96000  Hz") }));

    EXPECT_EQ (itemsOf (panel->getMenuForIndex (2, {})), (std::vector<ItemView> { item (0x2005, "About") }));

    // The name is not read; an unknown index gives an empty menu.
    EXPECT_EQ (itemsOf (panel->getMenuForIndex (1, "Something else")).size(), 3u);
    EXPECT_EQ (panel->getMenuForIndex (3, {}).getNumItems(), 0);
    EXPECT_EQ (panel->getMenuForIndex (-2, {}).getNumItems(), 0);
}

TEST_F (MenuTest, RateTicksFollowTheButtons)
{
    const auto buttons = rateButtons (*panel);
    for (size_t lit = 0; lit < buttons.size(); ++lit)
    {
        SCOPED_TRACE (buttons[lit]->getName());
        for (auto* b : buttons)
            b->setToggleState (b == buttons[lit], juce::dontSendNotification);
        EXPECT_EQ (rateItems (*panel),
                   (std::vector<ItemView> { item (0x2100, "44100  Hz", lit == 0), item (0x2101, "48000  Hz", lit == 1),
                                            item (0x2102, "96000  Hz", lit == 2) }));
    }
}

TEST_F (MenuTest, AlwaysOnTopTogglesTheWindowAndItsTickFollows)
{
    EXPECT_FALSE (alwaysOnTopTicked (*panel));
    pick (MainComponent::menuIdAlwaysOnTop);   // no window: nothing to do
    EXPECT_FALSE (alwaysOnTopTicked (*panel));

    putPanelInWindow();
    auto* parent = panel->getParentComponent();
    ASSERT_NE (parent, nullptr);

    pick (MainComponent::menuIdAlwaysOnTop);
    EXPECT_TRUE (parent->isAlwaysOnTop());
    EXPECT_TRUE (alwaysOnTopTicked (*panel));

    pick (MainComponent::menuIdAlwaysOnTop);
    EXPECT_FALSE (parent->isAlwaysOnTop());
    EXPECT_FALSE (alwaysOnTopTicked (*panel));

    window->clearContentComponent();
}

TEST_F (MenuTest, EveryPickBroadcastsAndEndsInAMenuRebuild)
{
    int expected = 0;
    for (int id : { 12345, (int) MainComponent::menuIdRate44100, (int) MainComponent::menuIdAlwaysOnTop, 0 })
    {
        pick (id);
        ++expected;
        EXPECT_EQ (rebuilds.count, expected) << id;
        EXPECT_EQ (changes.count, expected) << id;
    }
}

TEST_F (MenuTest, FactoryDefaultsPutTheControlsInTheFactoryState)
{
    auto& p = *panel;
    p.enabledButtons (true);
    p.buttonMic->setToggleState (true, juce::dontSendNotification);
    p.buttonMuteIn->setToggleState (true, juce::dontSendNotification);
    p.buttonToggleMonitoring->setToggleState (true, juce::dontSendNotification);
    for (auto* s : { &p.sliderGroupIn->leftSlider, &p.sliderGroupIn->rightSlider, &p.sliderGroupOut->leftSlider })
        s->setValue (-5.0, juce::dontSendNotification);

    pick (MainComponent::menuIdFactoryDefaults);

    expectFactoryControls (p);
    EXPECT_EQ (p.labelDbInLeft->getText(), "0.0 dB  ");
    EXPECT_EQ (p.labelDbOutRight->getText(), "0.0 dB  ");
}

TEST_F (MenuTest, FactoryDefaultsSetTheDevicesRate)
{
    attachDevice();
    const auto audio = gOutAudioObjectID.load();
    ASSERT_EQ (world().externalSetNominalRate (audio, 96000.0), 0);
    ASSERT_TRUE (testing_support::pumpUntil ([this] { return panel->button96->getToggleState(); }));

    pick (MainComponent::menuIdFactoryDefaults);

    EXPECT_EQ (world().nominalRate (audio), 48000.0);
}

TEST_F (MenuTest, RateItemsDoNothingWithoutADevice)
{
    for (int id : { (int) MainComponent::menuIdRate44100, (int) MainComponent::menuIdRate48000,
                    (int) MainComponent::menuIdRate96000 })
        pick (id);

    for (auto* b : rateButtons (*panel))
        EXPECT_FALSE (b->getToggleState()) << b->getName();
    EXPECT_TRUE (world().propertyWrites().empty());
}

TEST_F (MenuTest, RateItemClicksItsButtonOldRateThenNew)
{
    attachDevice();
    const auto audio = gOutAudioObjectID.load();
    ASSERT_TRUE (panel->button48->getToggleState());
    world().clearLogs();

    pick (MainComponent::menuIdRate96000);

    EXPECT_TRUE (panel->button96->getToggleState());
    EXPECT_FALSE (panel->button48->getToggleState());
    EXPECT_EQ (folded (rateWritesOn (audio)), (std::vector<double> { 48000.0, 96000.0 }));
    EXPECT_EQ (world().nominalRate (audio), 96000.0);
    EXPECT_TRUE (rateItems (*panel)[2].ticked);

    // The ticked rate again: its button is clicked again, so the device is set to it again.
    world().clearLogs();
    pick (MainComponent::menuIdRate96000);
    EXPECT_TRUE (panel->button96->getToggleState());
    EXPECT_EQ (folded (rateWritesOn (audio)), (std::vector<double> { 96000.0 }));
}

TEST_F (MenuTest, AboutShowsTheBoxModallyBelowThePanelUntilItsCloseButton)
{
    putPanelInWindow();
    auto& dialog = *panel->aboutDialog;
    dialog.setTopLeftPosition (3, 3);

    juce::Rectangle<int> shownAt;
    bool wasVisible = false;
    WhenModal closer (dialog,
                      [&]
                      {
        shownAt = dialog.getBounds();
        wasVisible = dialog.isVisible();
        panel->aboutWindow->closeButton->triggerClick();
    });

    pick (MainComponent::menuIdAbout);

    EXPECT_TRUE (closer.acted);
    EXPECT_FALSE (closer.forcedExit);
    EXPECT_TRUE (wasVisible);
    EXPECT_EQ (shownAt.getPosition(), panel->getScreenPosition() + juce::Point<int> (0, 50));
    EXPECT_FALSE (dialog.isVisible());
    EXPECT_FALSE (dialog.isCurrentlyModal());
    EXPECT_FALSE (dialog.isResizable());
    EXPECT_GE (rebuilds.count, 1);
    EXPECT_EQ (changes.count, 1);

    window->clearContentComponent();
}

TEST_F (MenuTest, CloseAsksTheRunningApplicationToQuit)
{
    pick (MainComponent::menuIdClose);   // no application object: nothing to ask

    StandInApplication app;
    pick (MainComponent::menuIdClose);
    EXPECT_EQ (app.quitRequests, 1);
}

TEST_F (MenuTest, AudioSettingsRunsTheScriptAndReportsOnStandardError)
{
    const juce::String script ("tell application \"Audio MIDI Setup\" to activate");
    juce::StringArray scriptsRun;
    struct Case
    {
        bool available;
        std::string message;
    };
    for (const auto& c : { Case { true, "Call Audio MIDI Setup: OK\n" }, Case { false, "Call Audio MIDI Setup: not OK\n" } })
    {
        SCOPED_TRACE (c.message);
        world().setAudioMidiSetupAvailable (c.available);
        ::testing::internal::CaptureStderr();   // the standard error stream, as bytes
        pick (MainComponent::menuIdSystemAudioSettings);
        EXPECT_EQ (::testing::internal::GetCapturedStderr(), c.message);
        scriptsRun.add (script);
        EXPECT_EQ (world().appleScriptsRun(), scriptsRun);
    }
}
