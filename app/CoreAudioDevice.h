// Core Audio access: finding the device's input and output objects, the property listener that keeps
// their rates equal and reports changes, and setting the sample rate.
#pragma once

#include <CoreAudio.h>

// Looks through the system's devices for ones with the given name and manufacturer, installs the
// listener on each and takes them as gInAudioObjectID / gOutAudioObjectID.
void CreateInputDeviceArray (CFStringRef name, CFStringRef manufacturer, void* context);

// The listener installed on the device's objects; called on the Core Audio notification thread.
OSStatus myAudioObjectPropertyListenerProc (AudioObjectID objectID, UInt32 numberAddresses,
                                            const AudioObjectPropertyAddress* addresses, void* clientData);

// Sets the rate on both objects and returns whether input and output then agree on one nominal rate.
bool hw_setSampleRate (double rate);
