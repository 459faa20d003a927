// The panel's construction, layout, painting and teardown: every control, its images and its place at
// any window size, and the fixed order in which they are taken down.
#include "MainComponent.h"

#include "OXVBinaryData.h"

std::unique_ptr<juce::ApplicationCommandManager> applicationCommandManager;

namespace
{
    // Design size of a fader thumb, in pixels of the 380 by 290 background.
    constexpr int thumbDesignWidth = 15;
    constexpr int thumbDesignHeight = 19;

    const juce::Colour faderBackgroundColour { 0x00969798 };
    const juce::Colour faderTrackColour { 0x0016181a };

    // A child's bounds as fractions of the panel. Kept as 32-bit floats: the layout's products are
    // single precision and truncated, and the exact pixel results depend on it.
    struct LayoutFractions
    {
        float fx, fy, fw, fh;
    };

    // clang-format off
    constexpr LayoutFractions layoutMuteIn             { 0.24436799f, 0.882931f,   0.1034211f, 0.0798276f };
    constexpr LayoutFractions layoutMuteOut            { 0.53384197f, 0.882931f,   0.1034211f, 0.0798276f };
    constexpr LayoutFractions layoutLine               { 0.0463421f,  0.23565501f, 0.129079f,  0.0865517f };
    constexpr LayoutFractions layoutMic                { 0.0463421f,  0.335655f,   0.129079f,  0.0815517f };
    constexpr LayoutFractions layoutHIZ                { 0.0463421f,  0.432655f,   0.129079f,  0.0815517f };
    constexpr LayoutFractions layoutMicHIZ             { 0.0493421f,  0.530655f,   0.119079f,  0.0715517f };
    constexpr LayoutFractions layout44                 { 0.750658f,   0.239655f,   0.164474f,  0.0715517f };
    constexpr LayoutFractions layout48                 { 0.750658f,   0.336655f,   0.164474f,  0.0715517f };
    constexpr LayoutFractions layout96                 { 0.750658f,   0.433655f,   0.164474f,  0.0715517f };
    constexpr LayoutFractions layoutMonitoring         { 0.348684f,   0.115793f,   0.173684f,  0.0612069f };
    constexpr LayoutFractions layoutLink               { 0.847368f,   0.0137931f,  0.0710526f, 0.0586207f };
    constexpr LayoutFractions layoutDbInLeft           { 0.2422222f,  0.793552f,   0.114074f,  0.0586207f };
    constexpr LayoutFractions layoutDbInRight          { 0.241852f,   0.793552f,   0.114074f,  0.0586207f };
    constexpr LayoutFractions layoutDbOutLeft          { 0.527778f,   0.793552f,   0.114074f,  0.0586207f };
    constexpr LayoutFractions layoutDbOutRight         { 0.799259f,   0.793552f,   0.114074f,  0.0586207f };
    constexpr LayoutFractions layoutSampleRateLabel    { 0.735658f,   0.175655f,   0.204474f,  0.0715517f };
    constexpr LayoutFractions layoutSampleRatePanel    { 0.715658f,   0.229655f,   0.234474f,  0.2915517f };
    // clang-format on

    // One embedded PNG and its exact length.
    struct EmbeddedImage
    {
        const char* data;
        int size;

        juce::Image load() const { return juce::ImageCache::getFromMemory (data, size); }
    };

    const EmbeddedImage rate44Normal { OXVBIN::imageRate44Normal, OXVBIN::imageRate44NormalSize };
    const EmbeddedImage rate44Down { OXVBIN::imageRate44Down, OXVBIN::imageRate44DownSize };
    const EmbeddedImage rate48Normal { OXVBIN::imageRate48Normal, OXVBIN::imageRate48NormalSize };
    const EmbeddedImage rate48Down { OXVBIN::imageRate48Down, OXVBIN::imageRate48DownSize };
    const EmbeddedImage rate96Normal { OXVBIN::imageRate96Normal, OXVBIN::imageRate96NormalSize };
    const EmbeddedImage rate96Down { OXVBIN::imageRate96Down, OXVBIN::imageRate96DownSize };
    const EmbeddedImage muteNormal { OXVBIN::imageMuteNormal, OXVBIN::imageMuteNormalSize };
    const EmbeddedImage muteDown { OXVBIN::imageMuteDown, OXVBIN::imageMuteDownSize };
    const EmbeddedImage lineNormal { OXVBIN::imageLineNormal, OXVBIN::imageLineNormalSize };
    const EmbeddedImage lineDown { OXVBIN::imageLineDown, OXVBIN::imageLineDownSize };
    const EmbeddedImage micNormal { OXVBIN::imageMicNormal, OXVBIN::imageMicNormalSize };
    const EmbeddedImage micDown { OXVBIN::imageMicDown, OXVBIN::imageMicDownSize };
    const EmbeddedImage hizNormal { OXVBIN::imageHIZNormal, OXVBIN::imageHIZNormalSize };
    const EmbeddedImage hizDown { OXVBIN::imageHIZDown, OXVBIN::imageHIZDownSize };
    const EmbeddedImage micHizNormal { OXVBIN::imageMicHIZNormal, OXVBIN::imageMicHIZNormalSize };
    const EmbeddedImage micHizDown { OXVBIN::imageMicHIZDown, OXVBIN::imageMicHIZDownSize };
    const EmbeddedImage monitoringNormal { OXVBIN::imageMonitoringNormal, OXVBIN::imageMonitoringNormalSize };
    const EmbeddedImage monitoringDown { OXVBIN::imageMonitoringDown, OXVBIN::imageMonitoringDownSize };
    const EmbeddedImage linkNormal { OXVBIN::imageLinkNormal, OXVBIN::imageLinkNormalSize };
    const EmbeddedImage linkDown { OXVBIN::imageLinkDown, OXVBIN::imageLinkDownSize };

    // Unscaled images into the button's bounds, proportions kept, no overlay colours.
    void setButtonImages (juce::ImageButton& button, const EmbeddedImage& normal, const EmbeddedImage& over,
                          const EmbeddedImage& down, float overOpacity)
    {
        const juce::Colour noOverlay = juce::Colours::transparentBlack;
        button.setImages (false, true, true, normal.load(), 1.0f, noOverlay, over.load(), overOpacity, noOverlay,
                          down.load(), 1.0f, noOverlay, 0.0f);
    }

    void addToRadioGroup (juce::ImageButton& button, int groupId, MainComponent& panel)
    {
        button.setClickingTogglesState (true);
        panel.addAndMakeVisible (button);
        button.setRadioGroupId (groupId);
        button.addListener (&panel);
    }

    void addToggle (juce::ImageButton& button, MainComponent& panel)
    {
        button.setClickingTogglesState (true);
        panel.addAndMakeVisible (button);
        button.addListener (&panel);
    }

    void writeFaderPresets (SliderStereoGroup& group, int menuBarHeight)
    {
        group.leftDesign = { 162, 17, 0, 5 };
        group.rightDesign = { 162, 17, 17, 5 };
        group.leftSliderRect = { 0, 5, 162, 17 };
        group.rightSliderRect = { 17, 5, 162, 17 };
        group.groupYOffset = menuBarHeight;
    }

    void idleMeter (LevelMeter2& meter)
    {
        meter.levelSource = nullptr;
        meter.displayLevel = 0;
    }
}

MainComponent::MainComponent()
    : button44 (new juce::ImageButton ("44")),
      button48 (new juce::ImageButton ("48")),
      button96 (new juce::ImageButton ("96")),
      buttonLine (new juce::ImageButton ("Line")),
      buttonMic (new juce::ImageButton ("Mic")),
      buttonHIZ (new juce::ImageButton ("HIZ")),
      buttonMicHIZ (new juce::ImageButton ("MicHIZ")),
      buttonLink (new juce::ImageButton ("LINK")),
      buttonMuteIn (new juce::ImageButton ("MuteIn")),
      buttonMuteOut (new juce::ImageButton ("MuteOut")),
      buttonToggleMonitoring (new juce::ImageButton ("buttonToggleMonitoring")),
      sliderGroupIn (new SliderStereoGroup ("sliderGroupIn", 0)),
      sliderGroupOut (new SliderStereoGroup ("sliderGroupOut", 0)),
      labelDbInLeft (new juce::Label()),
      labelDbInRight (new juce::Label()),
      labelDbOutLeft (new juce::Label()),
      labelDbOutRight (new juce::Label()),
      labelSampleRate (new juce::Label ("SampleRate")),
      levelMeters { std::make_unique<LevelMeter2>(), std::make_unique<LevelMeter2>(), std::make_unique<LevelMeter2>(),
                    std::make_unique<LevelMeter2>() },
      menuBar (new juce::MenuBarComponent (this)),
      menuBarLookAndFeel (new PopupMenuLookandFeel()),
      backgroundData (OXVBIN::imagePanelBackground),
      backgroundDataSize (OXVBIN::imagePanelBackgroundSize)
{
    appProperties.setStorageParameters (settingsOptions());

    if (applicationCommandManager == nullptr)
        applicationCommandManager = std::make_unique<juce::ApplicationCommandManager>();
    addKeyListener (applicationCommandManager->getKeyMappings());
    setApplicationCommandManagerToWatch (applicationCommandManager.get());

    userEditing = false;
    addAndMakeVisible (menuBar.get());
    backgroundImage = juce::ImageCache::getFromMemory (backgroundData, backgroundDataSize).createCopy();

#if JUCE_MAC
    // The menus live in the system menu bar; the in-window bar stays empty and takes no height.
    menuBarHeight = 0;
    menuBar->setModel (nullptr);
    juce::MenuBarModel::setMacMainMenu (this, nullptr, {});
#else
    // No system menu bar here: the in-window bar shows the menus at JUCE's usual height.
    menuBarHeight = getLookAndFeel().getDefaultMenuBarHeight();
#endif

    createAboutBox (aboutWindow, aboutDialog);

    bgOrigWidth = backgroundImage.getWidth();
    bgOrigHeight = backgroundImage.getHeight();
    setSize ((int) bgOrigWidth, (int) (menuBarHeight + bgOrigHeight));

    for (auto* button : { button44.get(), button48.get(), button96.get() })
        addToRadioGroup (*button, radioGroupSampleRate, *this);
    for (auto* button : { buttonMuteOut.get(), buttonMuteIn.get() })
        addToggle (*button, *this);
    for (auto* button : { buttonLine.get(), buttonMic.get(), buttonHIZ.get(), buttonMicHIZ.get() })
        addToRadioGroup (*button, radioGroupInput, *this);

    for (auto* lookAndFeel : { &sliderLookAndFeelIn, &sliderLookAndFeelOut })
        lookAndFeel->setImagPathAndSize (OXVBIN::imageThumbNormal, OXVBIN::imageThumbNormalSize, OXVBIN::imageThumbHighlighted,
                                         OXVBIN::imageThumbHighlightedSize, thumbDesignWidth, thumbDesignHeight);

    addToggle (*buttonToggleMonitoring, *this);
    addToggle (*buttonLink, *this);
    buttonLink->setToggleState (true, juce::dontSendNotification);

    writeFaderPresets (*sliderGroupIn, menuBarHeight);
    writeFaderPresets (*sliderGroupOut, menuBarHeight);

    for (auto* group : { sliderGroupIn.get(), sliderGroupOut.get() })
    {
        group->leftSlider.addListener (this);
        group->rightSlider.addListener (this);
    }

    addFaderGroup (*sliderGroupIn, { -40.0, 12.0 }, sliderLookAndFeelIn, 95);
    addFaderGroup (*sliderGroupOut, { -55.0, 0.0 }, sliderLookAndFeelOut, 205);

    setUpLabels();
    enabledButtons (false);
    RegisterDeviceCallBacks (this, &MainComponent::OnApiCallback);
    resized();
}

void MainComponent::addFaderGroup (SliderStereoGroup& group, juce::Range<double> range,
                                   OxvSliderLookAndFeel& lookAndFeel, int designX)
{
    constexpr int designWidth = 65, designHeight = 195, designY = 58;

    addAndMakeVisible (group);
    group.configSliders (range, 0.0, 0.0, 0.0, lookAndFeel, faderBackgroundColour, faderTrackColour);
    group.addActionListener (this);
    // The design y is measured on the background, which starts below the menu bar: the bar's height
    // is added after scaling, as for every other child, so the faders stay on their artwork.
    group.groupDesign = { designHeight, designWidth, designX, designY };
    group.groupYOffset = menuBarHeight;
    group.setSize (designWidth, designHeight);
    group.setTopLeftPosition (designX, designY + menuBarHeight);
}

void MainComponent::setUpLabels()
{
    addAndMakeVisible (labelDbInLeft.get());
    addAndMakeVisible (labelDbOutLeft.get());
    addAndMakeVisible (labelSampleRate.get());

    labelDbInLeft->setColour (juce::Label::textColourId, juce::Colours::black);
    labelDbOutLeft->setColour (juce::Label::textColourId, juce::Colours::black);
    labelSampleRate->setColour (juce::Label::textColourId, juce::Colours::darkgrey);

    for (auto* label : { labelDbInLeft.get(), labelDbOutLeft.get(), labelDbInRight.get(), labelDbOutRight.get() })
        label->setText ({}, juce::dontSendNotification);
    labelSampleRate->setText ("SampleRate", juce::dontSendNotification);

    labelDbInLeft->setLookAndFeel (&labelLookAndFeelDb);
    labelDbInRight->setLookAndFeel (&labelLookAndFeelDb);

    labelLookAndFeelSampleRate.referenceText = "SampleRate";
    labelSampleRate->setLookAndFeel (&labelLookAndFeelSampleRate);
    auto captionFont = labelSampleRate->getFont();
    captionFont.setBold (true);
    captionFont.setHeight ((float) (captionFont.getHeight() * 1.2));
    labelSampleRate->setFont (captionFont);

    labelDbOutLeft->setLookAndFeel (&labelLookAndFeelDb);
    labelDbOutRight->setLookAndFeel (&labelLookAndFeelDb);

    labelDbInLeft->setJustificationType (juce::Justification::left);
    labelDbOutLeft->setJustificationType (juce::Justification::left);
}

MainComponent::~MainComponent()
{
    // No device event may reach a panel that is being torn down.
    UnregisterDeviceOwner (this);

#if JUCE_MAC
    juce::MenuBarModel::setMacMainMenu (nullptr, nullptr, {});
#endif

    if (hidDevice != nullptr)
    {
        saveProperties();
        closeHidInterface();
        hidDevice.reset();
    }

    juce::PopupMenu::dismissAllActiveMenus();
    menuBar->setLookAndFeel (nullptr);

    // No slider may refer to a slider look-and-feel when those die.
    sliderGroupIn->removeLookAndFeel();
    sliderGroupOut->removeLookAndFeel();

    sliderGroupIn.reset();
    sliderGroupOut.reset();
    menuBar.reset();
    // The About content before the dialog that also holds it.
    aboutWindow.reset();
    aboutDialog.reset();

    for (auto& meter : levelMeters)
        idleMeter (*meter);
    for (auto& meter : levelMeters)
        meter.reset();

    for (auto* button : { &button44, &button48, &button96, &buttonLine, &buttonMic, &buttonHIZ, &buttonMicHIZ, &buttonLink })
        button->reset();
    menuBarLookAndFeel.reset();

    for (auto* label : { &labelDbInLeft, &labelDbInRight, &labelDbOutLeft, &labelDbOutRight })
        (*label)->setLookAndFeel (nullptr);
    for (auto* label : { &labelDbInLeft, &labelDbInRight, &labelDbOutLeft, &labelDbOutRight })
        label->reset();

    buttonMuteIn.reset();
    buttonMuteOut.reset();
    buttonToggleMonitoring.reset();

    // The menu-bar model and the key listeners would otherwise still point into the deleted manager.
    setApplicationCommandManagerToWatch (nullptr);
    if (applicationCommandManager != nullptr)
        removeKeyListener (applicationCommandManager->getKeyMappings());
    applicationCommandManager.reset();
}

void MainComponent::visibilityChanged()
{}

void MainComponent::paint (juce::Graphics& g)
{
    if (backgroundImage.isValid())
        g.drawImageAt (backgroundImage, 0, menuBarHeight);

    g.setColour (juce::Colours::lightgrey);
    g.setOpacity (1.0f);
    g.fillRoundedRectangle (sampleRatePanelBounds.toFloat(), 7.0f);
}

void MainComponent::resized()
{
    const int width = getWidth();
    const int height = getHeight();
    const int barHeight = juce::jmin (menuBarHeight, height);
    const int areaHeight = height - barHeight;

    // Always scaled from the embedded image itself, never from the previous scaled one. A zero
    // size keeps the previous background (as does an area hidden entirely by the menu bar).
    if (width > 0 && height > 0 && height - menuBarHeight > 0)
        backgroundImage = juce::ImageCache::getFromMemory (backgroundData, backgroundDataSize)
                              .createCopy()
                              .rescaled (width, height - menuBarHeight, juce::Graphics::highResamplingQuality);

    menuBar->setBounds (0, 0, width, barHeight);

    const double scaleX = width / bgOrigWidth;
    const double scaleY = (height - menuBarHeight) / bgOrigHeight;

    const auto w = (float) width;
    const auto a = (float) areaHeight;
    const auto place = [w, a, this] (const LayoutFractions& f)
    {
        return juce::Rectangle<int> ((int) (f.fx * w), menuBarHeight + (int) (f.fy * a), (int) (f.fw * w), (int) (f.fh * a));
    };

    buttonMuteIn->setBounds (place (layoutMuteIn));
    buttonMuteOut->setBounds (place (layoutMuteOut));
    buttonLine->setBounds (place (layoutLine));
    buttonMic->setBounds (place (layoutMic));
    buttonHIZ->setBounds (place (layoutHIZ));
    buttonMicHIZ->setBounds (place (layoutMicHIZ));
    button44->setBounds (place (layout44));
    button48->setBounds (place (layout48));
    button96->setBounds (place (layout96));
    buttonToggleMonitoring->setBounds (place (layoutMonitoring));
    buttonLink->setBounds (place (layoutLink));
    labelDbInLeft->setBounds (place (layoutDbInLeft));
    labelDbInRight->setBounds (place (layoutDbInRight));
    labelDbOutLeft->setBounds (place (layoutDbOutLeft));
    labelDbOutRight->setBounds (place (layoutDbOutRight));
    labelSampleRate->setBounds (place (layoutSampleRateLabel));
    sampleRatePanelBounds = place (layoutSampleRatePanel);

    sliderGroupIn->setBounds (sliderGroupIn->getNewPos (scaleX, scaleY));
    sliderGroupOut->setBounds (sliderGroupOut->getNewPos (scaleX, scaleY));

    setButtonImages (*button44, rate44Normal, rate44Down, rate44Down, 0.5f);
    setButtonImages (*button48, rate48Normal, rate48Down, rate48Down, 0.5f);
    setButtonImages (*button96, rate96Normal, rate96Down, rate96Down, 0.5f);
    setButtonImages (*buttonMuteOut, muteNormal, muteNormal, muteDown, 1.0f);
    setButtonImages (*buttonMuteIn, muteNormal, muteNormal, muteDown, 1.0f);
    setButtonImages (*buttonLine, lineNormal, lineDown, lineDown, 0.5f);
    setButtonImages (*buttonMic, micNormal, micDown, micDown, 0.5f);
    setButtonImages (*buttonHIZ, hizNormal, hizDown, hizDown, 0.5f);
    setButtonImages (*buttonMicHIZ, micHizNormal, micHizDown, micHizDown, 0.5f);
    setButtonImages (*buttonToggleMonitoring, monitoringNormal, monitoringNormal, monitoringDown, 1.0f);
    setButtonImages (*buttonLink, linkNormal, linkNormal, linkDown, 1.0f);
}

void MainComponent::enabledButtons (bool enable)
{
    for (auto* button : { button44.get(), button48.get(), button96.get(), buttonMuteOut.get(), buttonMuteIn.get(),
                          buttonLine.get(), buttonMic.get(), buttonHIZ.get(), buttonMicHIZ.get() })
        button->setEnabled (enable);

    if (! enable)
    {
        aboutDialog->setVisible (false);

        // Monitoring and LINK keep their states.
        for (auto* button : { buttonLine.get(), buttonMic.get(), buttonHIZ.get(), buttonMicHIZ.get(), button44.get(),
                              button48.get(), button96.get(), buttonMuteOut.get(), buttonMuteIn.get() })
            button->setToggleState (false, juce::dontSendNotification);

        for (auto* label : { labelDbInLeft.get(), labelDbOutLeft.get(), labelDbInRight.get(), labelDbOutRight.get() })
            label->setText ({}, juce::dontSendNotification);

        for (auto& meter : levelMeters)
            idleMeter (*meter);
    }

    buttonMuteIn->setEnabled (enable);
    buttonMuteOut->setEnabled (enable);
    buttonToggleMonitoring->setEnabled (enable);

    buttonLink->setVisible (false);
    buttonLink->setEnabled (false);
    for (auto& meter : levelMeters)
    {
        meter->setEnabled (false);
        meter->setVisible (false);
    }
    buttonMicHIZ->setVisible (false);
    buttonMicHIZ->setEnabled (false);

    sliderGroupIn->setEnabled (enable);
    sliderGroupOut->setEnabled (enable);
    sliderGroupIn->setVisible (enable);
    sliderGroupOut->setVisible (enable);
}
