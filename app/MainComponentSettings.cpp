// The panel's settings store (where the file lives, what is saved) and the factory reset of the device
// and the controls.
#include "MainComponent.h"

#include "CoreAudioDevice.h"
#include "DeviceProperties.h"
#include "PanelChoices.h"

juce::PropertiesFile::Options MainComponent::settingsOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "Tolva USB";
    options.filenameSuffix = ".settings";
    // An absolute folder: it wins over the library subfolder, so the folder "Tolva USB" sits directly in
    // the user's application-data directory on every platform.
    options.folderName =
        juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("Tolva USB").getFullPathName();
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

void MainComponent::saveProperties()
{
    appProperties.getUserSettings()->setValue ("MON", buttonToggleMonitoring->getToggleState() ? "true" : "false");

    // With no input lit, "Line" is stored.
    const auto* lit = firstLitInput (*this);
    const auto input = juce::String (lit != nullptr ? lit->storedIndex : inputChoices[0].storedIndex);

    appProperties.getUserSettings()->setValue ("MON_INPUT", input);
}

void MainComponent::setFactoryDefaults()
{
    hw_setSampleRate (48000.0);

    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, 1, 0.0f);
    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, 2, 0.0f);
    writeVolumeDb (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, 1, 0.0f);
    writeVolumeDb (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, 2, 0.0f);

    // 224 dB on the main and left output volume, far above the faders' range: it goes out unchanged, and
    // the device clamps or refuses it. The refresh reads back only the left and right channels. Kept as
    // every release has sent it: the device clamps it rather than failing, and resets rely on this order.
    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, kAudioObjectPropertyElementMain, 224.0f);
    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, 1, 224.0f);

    writeMute (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, false);
    writeMute (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, false);

    sliderGroupIn->setLevels (0.0, 0.0);
    sliderGroupOut->setLevels (0.0, 0.0);

    // The mute buttons show what the device took. One holder for both reads: a failed read keeps the
    // value before it.
    UInt32 muted = 0;
    readDeviceProperty (gOutAudioObjectID.load(), kAudioDevicePropertyMute, kAudioObjectPropertyScopeOutput,
                        kAudioObjectPropertyElementMain, muted);
    buttonMuteOut->setToggleState (muted != 0, juce::dontSendNotification);
    readDeviceProperty (gInAudioObjectID.load(), kAudioDevicePropertyMute, kAudioObjectPropertyScopeInput,
                        kAudioObjectPropertyElementMain, muted);
    buttonMuteIn->setToggleState (muted != 0, juce::dontSendNotification);

    // Switching off notifies only when monitoring was on; the direct call sends the report in any case.
    buttonToggleMonitoring->setToggleState (false, juce::sendNotification);
    buttonClicked (buttonToggleMonitoring.get());

    buttonLine->setToggleState (true, juce::sendNotification);

    setLevelLabels();
}
