// The control panel: the main window's one content component. It owns every control the user sees,
// the looks that draw them, the settings store and the hidden About box, and it is the device-event
// function, menu-bar model, button, slider and action listener of the system.
//
// Where each concern lives:
//   MainComponent.cpp          construction, layout (resized), paint and teardown
//   MainComponentActions.cpp   button clicks and fader messages: HID reports and Core Audio writes
//   MainComponentEvents.cpp    device arrival, removal and changes; the hold and refresh timers
//   MainComponentMenus.cpp     the "File" and "Config" menus
//   MainComponentReadouts.cpp  the dB read-outs
//   MainComponentSettings.cpp  the settings store and the factory reset
//   PanelChoices.h             the input and sample-rate tables that all of the above read
#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

#include "AboutWindow.h"
#include "LevelMeter2.h"
#include "OXVLabel.h"
#include "PopupMenuLookAndFeel.h"
#include "RegisterDeviceCallBacksMac.h"
#include "SettingsStore.h"
#include "SliderLookAndFeel.h"
#include "SliderStereoGroup.h"

#include <array>
#include <memory>

// Shared by the panels of the process: created by the first panel that finds it empty, deleted by the
// panel's destructor.
extern std::unique_ptr<juce::ApplicationCommandManager> applicationCommandManager;

class MainComponent : public juce::Component,
                      public juce::Button::Listener,
                      public juce::MenuBarModel,
                      public juce::ChangeBroadcaster,
                      private juce::ActionListener,
                      public juce::MultiTimer,
                      public juce::Slider::Listener
{
public:
    // Timer ids of the panel's MultiTimer.
    static constexpr int timerIdUserEdit = 0x1000;        // 4096: ends the hold after a user edit
    static constexpr int timerIdDeviceRefresh = 0x1004;   // 4100: pulls rate, volumes and mutes

    static constexpr int radioGroupSampleRate = 1001;
    static constexpr int radioGroupInput = 1101;

    // Menus
    static constexpr int menuIndexFile = 0;
    static constexpr int menuIndexConfig = 1;
    static constexpr int menuIndexAbout = 2;
    static constexpr int menuIdAlwaysOnTop = 0x2000;
    static constexpr int menuIdSystemAudioSettings = 0x2001;
    static constexpr int menuIdClose = 0x2002;
    static constexpr int menuIdFactoryDefaults = 0x2003;
    static constexpr int menuIdAbout = 0x2005;
    static constexpr int menuIdRate44100 = 0x2100;
    static constexpr int menuIdRate48000 = 0x2101;
    static constexpr int menuIdRate96000 = 0x2102;

    MainComponent();
    ~MainComponent() override;

    void visibilityChanged() override;
    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;
    void sliderValueChanged (juce::Slider* slider) override;
    void timerCallback (int timerID) override;

    juce::StringArray getMenuBarNames() override;
    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuBarActivated (bool isActive) override;
    void menuItemSelected (int menuItemID, int topLevelMenuIndex) override;

    // Device controls on (a device is attached) or off.
    void enabledButtons (bool enable);
    // Writes "MON" and "MON_INPUT" from the buttons.
    void saveProperties();
    // Puts device and controls into the factory state.
    void setFactoryDefaults();
    // Rewrites all four dB read-outs from the faders.
    void setLevelLabels();
    // Where and how the settings store keeps its file.
    static juce::PropertiesFile::Options settingsOptions();

    // The device-event function handed to the device callbacks.
    static void OnApiCallback (void* owner, void* unused, OXV_CallbackEvent event);

    // Every start and stop of the panel's own timers goes through these two (on the message thread or
    // under its lock), so that what the panel schedules can be watched and run on another clock.
    virtual void startPanelTimer (int timerId, int intervalMs);
    virtual void stopPanelTimer (int timerId);

    // Members, in construction order. Other parts of the program (the shell, the device callbacks,
    // tests) reach the controls and the store directly.
    std::unique_ptr<juce::uint8> hidDevice;   // marker of an attached device
    OXVdBLabelLookAndFeel labelLookAndFeelDb;
    OXVdBLabelLookAndFeel labelLookAndFeelSampleRate;
    SettingsStore appProperties;

    std::unique_ptr<juce::ImageButton> button44, button48, button96;
    std::unique_ptr<juce::ImageButton> buttonLine, buttonMic, buttonHIZ, buttonMicHIZ;
    std::unique_ptr<juce::ImageButton> buttonLink;
    std::unique_ptr<juce::ImageButton> buttonMuteIn, buttonMuteOut;
    std::unique_ptr<juce::ImageButton> buttonToggleMonitoring;

    std::unique_ptr<SliderStereoGroup> sliderGroupIn, sliderGroupOut;

    std::unique_ptr<juce::Label> labelDbInLeft, labelDbInRight, labelDbOutLeft, labelDbOutRight;
    std::unique_ptr<juce::Label> labelSampleRate;

    std::array<std::unique_ptr<LevelMeter2>, 4> levelMeters;

    std::unique_ptr<juce::MenuBarComponent> menuBar;
    std::unique_ptr<PopupMenuLookandFeel> menuBarLookAndFeel;
    std::unique_ptr<juce::DialogWindow> aboutDialog;
    std::unique_ptr<AboutWindow> aboutWindow;
    // Height of the in-window menu bar: 0 where the menus live in the system menu bar. Every vertical
    // position of the layout is offset by it.
    int menuBarHeight = 0;
    juce::TextButton textButton;
    OxvSliderLookAndFeel sliderLookAndFeelIn;
    OxvSliderLookAndFeel sliderLookAndFeelOut;
    juce::Image backgroundImage;
    bool userEditing = false;
    double bgOrigWidth = 0.0, bgOrigHeight = 0.0;
    const char* backgroundData = nullptr;
    int backgroundDataSize = 0;
    juce::Rectangle<int> sampleRatePanelBounds;

private:
    void actionListenerCallback (const juce::String& message) override;

    // Constructor steps: one fader group added and configured at its design position; the labels.
    void addFaderGroup (SliderStereoGroup& group, juce::Range<double> range, OxvSliderLookAndFeel& lookAndFeel, int designX);
    void setUpLabels();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
