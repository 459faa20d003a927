// The simulated world as the test programs start and end a test with it.
#pragma once

#include "TestSupport.h"

#include <TestWorld.h>

namespace testing_support
{
    inline sim::TestWorld& world() { return sim::TestWorld::get(); }

    // Lets what an earlier test left in flight reach its listeners, then empties the world: no device,
    // registration, log or switch is left and the platform clock runs in real time.
    inline void resetWorld()
    {
        pumpUntil ([] { return world().listenerIdle(); });
        world().reset();
    }
}
