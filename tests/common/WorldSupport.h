// The simulated world as the test programs start and end a test with it.
#pragma once

#include "TestSupport.h"

#include <TestWorld.h>

#include <gtest/gtest.h>

namespace testing_support
{
    inline sim::TestWorld& world()
    {
        return sim::TestWorld::get();
    }

    // Lets what an earlier test left in flight reach its listeners, then empties the world: no device,
    // registration, log or switch is left and the platform clock runs in real time.
    inline void resetWorld()
    {
        pumpUntil ([] { return world().listenerIdle(); });
        world().reset();
    }

    // What the device refused and what the program did with handles the HID manager had let go: none
    // of it may happen. Device and panel fixtures check it as each test ends.
    inline void expectNoHidFaults()
    {
        const auto faults = world().hidFaults();
        EXPECT_EQ (faults.malformedReports, 0) << "reports the device refused as malformed";
        EXPECT_EQ (faults.reportsToClosedDevices, 0) << "reports sent to a closed device";
        EXPECT_EQ (faults.callsAfterRemoval, 0) << "calls on a HID handle after its removal callback";
    }
}
