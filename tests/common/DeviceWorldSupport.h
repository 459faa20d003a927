// The simulated world and the device code's globals, reset together for tests of the device road.
#pragma once

#include "WorldSupport.h"

#include "RegisterDeviceCallBacksMac.h"

namespace testing_support
{
    // An empty world, and device handles that point at nothing, as before the panel's first registration.
    inline void resetWorldAndDeviceHandles()
    {
        resetWorld();
        ghidInterface = nullptr;
        gInAudioObjectID = 0;
        gOutAudioObjectID = 0;
    }
}
