// The panel's side of the device: what it does on a device event, and the two timers that hold off the
// refresh while the user edits and pull the device's rate, volumes and mutes into the controls.
#include "MainComponent.h"

#include "CoreAudioDevice.h"
#include "DeviceProperties.h"
#include "HidOutputReport.h"
#include "PanelChoices.h"

#include <MessageThreadLock.h>
#include <cstdlib>

namespace
{
    constexpr int firstRefreshDelayMs = 200;
    constexpr int changeRefreshDelayMs = 50;

    void handleArrival (MainComponent& panel)
    {
        panel.enabledButtons (true);
        panel.setLevelLabels();
        panel.hidDevice = std::make_unique<juce::uint8> (juce::uint8 (0));
        sendHidCommand (hidCmdAttach, 0x00);

        auto* settings = panel.appProperties.getUserSettings();
        const auto monitoring = settings->getValue ("MON", "false").toLowerCase();
        const int input = std::atoi (settings->getValue ("MON_INPUT", "0").toRawUTF8());

        if (monitoring == "true")
        {
            // A button that was off reports on the toggle and again on the direct call. Kept: the
            // direct call guarantees one report even when the button was already on, and a repeated
            // monitoring report is harmless to the device.
            panel.buttonToggleMonitoring->setToggleState (true, juce::sendNotification);
            panel.buttonClicked (panel.buttonToggleMonitoring.get());
        }

        buttonOf (panel, inputForStoredIndex (input)).setToggleState (true, juce::sendNotification);

        panel.startPanelTimer (MainComponent::timerIdDeviceRefresh, firstRefreshDelayMs);
        panel.repaint();
    }

    void handleRemoval (MainComponent& panel)
    {
        panel.saveProperties();
        panel.enabledButtons (false);

        // Without a handled arrival the handle is left to the discovery code, which clears it when it
        // names the removed device; either way no report goes to a released device.
        if (panel.hidDevice != nullptr)
        {
            closeHidInterface();
            panel.hidDevice.reset();
        }
    }

    // The input and output rates agreed on, or 0.0 when they can't be brought to agree.
    double settleSampleRate()
    {
        Float64 inputRate = 0.0, outputRate = 0.0;
        readDeviceProperty (gInAudioObjectID.load(), kAudioDevicePropertyNominalSampleRate,
                            kAudioObjectPropertyScopeWildcard, kAudioObjectPropertyElementMain, inputRate);
        const auto outputStatus =
            readDeviceProperty (gOutAudioObjectID.load(), kAudioDevicePropertyNominalSampleRate,
                                kAudioObjectPropertyScopeWildcard, kAudioObjectPropertyElementMain, outputRate);
        if (inputRate == outputRate)
            return inputRate;

        if (outputStatus != kAudioHardwareNoError)
            return 0.0;

        return hw_setSampleRate (outputRate) ? outputRate : 0.0;
    }

    void showSampleRate (MainComponent& panel, double rate)
    {
        // Any other rate leaves the lit button as it is.
        if (const auto* choice = sampleRateForRate (rate))
            buttonOf (panel, *choice).setToggleState (true, juce::dontSendNotification);
    }

    void loadLevels (SliderStereoGroup& group, AudioObjectID object, AudioObjectPropertyScope scope)
    {
        Float32 left = 0.0f, right = 0.0f;
        readDeviceProperty (object, kAudioDevicePropertyVolumeDecibels, scope, 1, left);
        readDeviceProperty (object, kAudioDevicePropertyVolumeDecibels, scope, 2, right);
        group.setLevels (double (left), double (right));
    }

    void loadMute (juce::Button& button, AudioObjectID object, AudioObjectPropertyScope scope)
    {
        UInt32 muted = 0;
        readDeviceProperty (object, kAudioDevicePropertyMute, scope, kAudioObjectPropertyElementMain, muted);
        button.setToggleState (muted != 0, juce::dontSendNotification);
    }

    // Pulls the device's state into the controls without notification, so nothing goes back to it;
    // the one device write is the rate correction.
    void refreshFromDevice (MainComponent& panel)
    {
        showSampleRate (panel, settleSampleRate());
        panel.menuItemsChanged();

        // While the user edits, the device still holds the old values: leave faders and mutes alone.
        if (! panel.userEditing)
        {
            loadLevels (*panel.sliderGroupIn, gInAudioObjectID.load(), kAudioObjectPropertyScopeInput);
            loadLevels (*panel.sliderGroupOut, gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput);
            loadMute (*panel.buttonMuteOut, gOutAudioObjectID.load(), kAudioObjectPropertyScopeOutput);
            loadMute (*panel.buttonMuteIn, gInAudioObjectID.load(), kAudioObjectPropertyScopeInput);
        }

        panel.stopPanelTimer (MainComponent::timerIdDeviceRefresh);
    }
}

// The unnamed pointer is part of the device-event function's signature, which the discovery code shares;
// it is always null.
void MainComponent::OnApiCallback (void* owner, void*, OXV_CallbackEvent event)
{
    if (owner == nullptr)
        return;

    // JUCE's message-thread lock, held until the event is handled. Once the program quits it is no
    // longer granted, and the message thread may be tearing the panel down meanwhile: the event is dropped.
    const MessageThreadLock lock;
    if (! lock.lockWasGained())
        return;

    // The panel unregisters first thing in its destructor, on the message thread. A Core Audio thread
    // that was already waiting here must not reach a panel that is gone by the time it gets the lock.
    if (mydeviceStruct.owner.load() != owner)
        return;

    auto& panel = *static_cast<MainComponent*> (owner);

    switch (event)
    {
        case deviceEventChanged:
            // Restarts a running countdown: a burst of changes gives one refresh.
            panel.startPanelTimer (timerIdDeviceRefresh, changeRefreshDelayMs);
            break;

        case deviceEventRemoved:
            handleRemoval (panel);
            break;

        case deviceEventArrived:
            handleArrival (panel);
            break;

        case deviceEventSystemWillSleep:
        case deviceEventSystemWillPowerOn:
        case deviceEventSystemHasPoweredOn:
        default:
            break;
    }
}

void MainComponent::timerCallback (int timerID)
{
    if (timerID == timerIdUserEdit)
    {
        stopPanelTimer (timerIdUserEdit);
        userEditing = false;
    }
    else if (timerID == timerIdDeviceRefresh)
    {
        refreshFromDevice (*this);
    }
}

void MainComponent::startPanelTimer (int timerId, int intervalMs)
{
    // A running timer starts its countdown again with the new interval.
    startTimer (timerId, intervalMs);
}

void MainComponent::stopPanelTimer (int timerId)
{
    stopTimer (timerId);
}
