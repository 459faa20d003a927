// The clock behind the platform's blocking waits: sleep() of the device lookup and the wait of the
// sample-rate check. The program runs it in real time; tests may speed it up, so that a five-second
// lookup costs a few milliseconds while every wait keeps its order and its proportions.
#pragma once

#include <cstdint>

namespace PlatformClock
{
    // Blocks the calling thread for the given whole seconds of platform time (the POSIX sleep()).
    void sleep (unsigned int seconds);
    // Blocks the calling thread for the given milliseconds of platform time.
    void sleepMilliseconds (int milliseconds);
    // Gives the processor away once.
    void yieldProcessor();
    // Milliseconds of platform time, as juce::Time::getMillisecondCounter counts them.
    std::uint32_t getMillisecondCounter();
    // Platform time runs this many times faster than real time (1 by default).
    void setSpeed (double factor);
    double getSpeed();
    // Milliseconds of platform time with fractions, for waits that must not drift.
    double getMillisecondCounterHiRes();
    // How long the given span of platform time lasts in real time at the current speed.
    double platformToRealMilliseconds (double platformMilliseconds);
}
