// What the panel does when the user works a control: button clicks become HID reports, rate changes and
// mute writes; the fader groups' messages become volume writes or read-out refreshes.
#include "MainComponent.h"

#include "CoreAudioDevice.h"
#include "DeviceProperties.h"
#include "HidOutputReport.h"
#include "PanelChoices.h"

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
    if (const auto* rate = sampleRateForButton (*this, button))
    {
        hw_setSampleRate (rate->rate);
    }
    else if (button == buttonMuteOut.get())
    {
        // The mute flag travels with the input selection, so the report repeats the lit input; with
        // none lit the device is told "MicHIZ".
        const auto* lit = firstLitInput (*this);
        const auto code = lit != nullptr ? lit->hidCode : std::uint8_t (inputCodeMicHIZ);

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
    else if (const auto* input = inputForButton (*this, button))
    {
        sendHidCommand (hidCmdInputSelect, inputSelectValue (input->hidCode, *buttonMuteOut));
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
