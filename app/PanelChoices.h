// The panel's two radio choices, each spelled out once for every code that reads it: the input source
// (its button, the code the device takes in the input-select report, the index stored under
// "MON_INPUT") and the sample rate (its button, the rate in hertz, the menu item that clicks it and that item's text).
// Both tables are in the order the panel tests the buttons; that order is behaviour.
#pragma once

#include "HidOutputReport.h"
#include "MainComponent.h"

struct InputChoice
{
    std::unique_ptr<juce::ImageButton> MainComponent::*button;
    std::uint8_t hidCode;
    int storedIndex;
};

inline constexpr InputChoice inputChoices[] = {
    { &MainComponent::buttonLine, inputCodeLine, 0 },
    { &MainComponent::buttonMic, inputCodeMic, 1 },
    { &MainComponent::buttonHIZ, inputCodeHIZ, 2 },
    { &MainComponent::buttonMicHIZ, inputCodeMicHIZ, 3 },
};

// The first input whose button is on, in table order; null when none is.
const InputChoice* firstLitInput (const MainComponent& panel);
// The input stored under the given index; any index that names none gives "Line".
const InputChoice& inputForStoredIndex (int storedIndex);
// The input whose button this is, or null.
const InputChoice* inputForButton (const MainComponent& panel, const juce::Button* button);

struct SampleRateChoice
{
    std::unique_ptr<juce::ImageButton> MainComponent::*button;
    double rate;
    int menuId;
    const char* menuText;
};

inline constexpr SampleRateChoice sampleRateChoices[] = {
    { &MainComponent::button44, 44100.0, MainComponent::menuIdRate44100, "44100  Hz" },
    { &MainComponent::button48, 48000.0, MainComponent::menuIdRate48000, "48000  Hz" },
    { &MainComponent::button96, 96000.0, MainComponent::menuIdRate96000, "96000  Hz" },
};

// The rate whose button this is, or null.
const SampleRateChoice* sampleRateForButton (const MainComponent& panel, const juce::Button* button);
// The choice for exactly this rate, or null for any other rate.
const SampleRateChoice* sampleRateForRate (double rate);
// The rate whose menu item this is, or null.
const SampleRateChoice* sampleRateForMenuId (int menuId);

// The choice's button on this panel.
template <typename Choice>
juce::ImageButton& buttonOf (const MainComponent& panel, const Choice& choice)
{
    return *(panel.*(choice.button));
}
