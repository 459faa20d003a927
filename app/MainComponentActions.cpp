// What the panel does when the user works a control: button clicks become HID reports, rate changes and
// mute writes; the fader groups' messages become volume writes or read-out refreshes.
#include "MainComponent.h"

#include "CoreAudioDevice.h"
#include "DeviceProperties.h"
#include "HidOutputReport.h"

#include <utility>

namespace
{
    constexpr int userEditHoldMs = 50;

    // The input code with the output-mute flag while "MuteOut" is on: the device takes both in one report.
    std::uint8_t inputSelectValue (std::uint8_t code, const juce::Button& muteOut)
    {
        return muteOut.getToggleState() ? std::uint8_t (code | inputFlagMuteOut) : code;
    }
}

void MainComponent::buttonClicked (juce::Button* button)
{
    if (button == button44.get())
    {
        hw_setSampleRate (44100.0);
    }
    else if (button == button48.get())
    {
        hw_setSampleRate (48000.0);
    }
    else if (button == button96.get())
    {
        hw_setSampleRate (96000.0);
    }
    else if (button == buttonMuteOut.get())
    {
        // The mute flag travels with the input selection, so the report repeats the lit input.
        std::uint8_t code = inputCodeMicHIZ;
        if (buttonLine->getToggleState())      code = inputCodeLine;
        else if (buttonMic->getToggleState())  code = inputCodeMic;
        else if (buttonHIZ->getToggleState())  code = inputCodeHIZ;

        sendHidCommand (hidCmdInputSelect, inputSelectValue (code, *buttonMuteOut));
        userEditing = true;
        writeMute (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, buttonMuteOut->getToggleState());
        startPanelTimer (timerIdUserEdit, userEditHoldMs);
    }
    else if (button == buttonMuteIn.get())
    {
        userEditing = true;
        writeMute (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, buttonMuteIn->getToggleState());
        startPanelTimer (timerIdUserEdit, userEditHoldMs);
    }
    else if (button == buttonLine.get())
    {
        sendHidCommand (hidCmdInputSelect, inputSelectValue (inputCodeLine, *buttonMuteOut));
    }
    else if (button == buttonMic.get())
    {
        sendHidCommand (hidCmdInputSelect, inputSelectValue (inputCodeMic, *buttonMuteOut));
    }
    else if (button == buttonHIZ.get())
    {
        sendHidCommand (hidCmdInputSelect, inputSelectValue (inputCodeHIZ, *buttonMuteOut));
    }
    else if (button == buttonMicHIZ.get())
    {
        sendHidCommand (hidCmdInputSelect, inputSelectValue (inputCodeMicHIZ, *buttonMuteOut));
    }
    else if (button == buttonToggleMonitoring.get())
    {
        sendHidCommand (hidCmdMonitor, buttonToggleMonitoring->getToggleState() ? monitorValueOn : monitorValueOff);
    }
}

void MainComponent::actionListenerCallback (const juce::String& message)
{
    const juce::String volumeUpdate ("volume_update");

    // A level set by the device refresh: only that fader's read-out follows. The texts are built from
    // the current component names, as the groups build them.
    const std::pair<juce::Slider*, SliderStereoGroup*> faders[] = {
        { &sliderGroupIn->leftSlider, sliderGroupIn.get() },
        { &sliderGroupIn->rightSlider, sliderGroupIn.get() },
        { &sliderGroupOut->leftSlider, sliderGroupOut.get() },
        { &sliderGroupOut->rightSlider, sliderGroupOut.get() },
    };

    for (const auto& [slider, group] : faders)
    {
        if (message == volumeUpdate + slider->getName() + group->getName())
        {
            sliderValueChanged (slider);
            break;
        }
    }

    if (message != volumeUpdate)
        return;

    // A user move: all four volumes go out from the faders' current values, whichever one moved.
    userEditing = true;

    const auto inLeft = sliderGroupIn->leftSlider.getValue();
    const auto inRight = sliderGroupIn->rightSlider.getValue();
    const auto outLeft = sliderGroupOut->leftSlider.getValue();
    const auto outRight = sliderGroupOut->rightSlider.getValue();

    writeVolumeDb (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, 1, Float32 (inLeft));
    writeVolumeDb (gInAudioObjectID.load(), kAudioObjectPropertyScopeInput, 2, Float32 (inRight));
    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, 1, Float32 (outLeft));
    writeVolumeDb (gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput, 2, Float32 (outRight));

    startPanelTimer (timerIdUserEdit, userEditHoldMs);
}
