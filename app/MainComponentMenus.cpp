// The panel's menus: the bar's names, the items with their ticks read at the moment a menu opens, and
// what each item does.
#include "MainComponent.h"
#include "PanelChoices.h"

#include <AppleScript.h>

#include <cstdio>

namespace
{
    const char* const audioMidiSetupScript = "tell application \"Audio MIDI Setup\" to activate";

    // Runs the script synchronously; true when it gave a result.
    bool runAudioMidiSetupScript()
    {
        auto* script = NSAppleScriptInitWithSource (audioMidiSetupScript);
        id errorInfo = nullptr;
        const bool ok = NSAppleScriptExecuteAndReturnError (script, &errorInfo) != nullptr;
        NSAppleScriptRelease (script);
        return ok;
    }

    void reportAudioMidiSetupCall (bool ok)
    {
        const auto line = juce::String ("Call Audio MIDI Setup: ") + (ok ? "OK" : "not OK");
        std::fputs (line.toRawUTF8(), stderr);
        std::fputs ("\n", stderr);
        std::fflush (stderr);
    }

    // One item per rate, ticked while its button is lit.
    juce::PopupMenu sampleRateMenu (const MainComponent& panel)
    {
        juce::PopupMenu menu;
        for (const auto& choice : sampleRateChoices)
            menu.addItem (choice.menuId, choice.menuText, true, buttonOf (panel, choice).getToggleState());
        return menu;
    }
}

juce::StringArray MainComponent::getMenuBarNames()
{
    return { "File", "Config" };
}

// Ticks are read at the moment the menu is built, from the window and the rate buttons.
juce::PopupMenu MainComponent::getMenuForIndex (int topLevelMenuIndex, const juce::String&)
{
    juce::PopupMenu menu;

    if (topLevelMenuIndex == menuIndexFile)
    {
        auto* window = getParentComponent();
        menu.addItem (menuIdAlwaysOnTop, "Always on top", true, window != nullptr && window->isAlwaysOnTop());
        menu.addSeparator();
        menu.addItem (menuIdSystemAudioSettings, "macOS Audio Settings");
        menu.addSeparator();
        menu.addItem (menuIdClose, "Close");
    }
    else if (topLevelMenuIndex == menuIndexConfig)
    {
        juce::PopupMenu::Item factoryDefaults ("Factory Defaults");
        factoryDefaults.itemID = menuIdFactoryDefaults;
        menu.addItem (factoryDefaults);
        menu.addSeparator();
        menu.addSubMenu ("Sample rate", sampleRateMenu (*this));
    }
    else if (topLevelMenuIndex == menuIndexAbout)
    {
        menu.addItem (menuIdAbout, "About");
    }

    return menu;
}

void MainComponent::menuBarActivated (bool)
{}

// Item ids are unique across the menus, so the menu's index is not needed.
void MainComponent::menuItemSelected (int menuItemID, int)
{
    sendChangeMessage();

    switch (menuItemID)
    {
        case menuIdAlwaysOnTop:
            if (auto* window = getParentComponent())
                window->setAlwaysOnTop (! window->isAlwaysOnTop());
            break;

        case menuIdSystemAudioSettings:
            reportAudioMidiSetupCall (runAudioMidiSetupScript());
            break;

        case menuIdClose:
            if (auto* app = juce::JUCEApplication::getInstance())
                app->systemRequestedQuit();
            break;

        case menuIdFactoryDefaults:
            setFactoryDefaults();
            break;

        case menuIdAbout:
            // Each showing puts the box 50 pixels below the panel's top-left, whatever its last place.
            aboutDialog->setBounds (getScreenX(), getScreenY() + 50, aboutDialog->getWidth(), aboutDialog->getHeight());
            aboutDialog->setResizable (false, false);
            aboutDialog->runModalLoop();
            aboutDialog->setVisible (false);
            break;

        default:
            // A rate is delivered later through the message queue, like a mouse click; dropped while
            // the button is disabled.
            if (const auto* rate = sampleRateForMenuId (menuItemID))
                buttonOf (*this, *rate).triggerClick();
            break;
    }

    menuItemsChanged();
}
