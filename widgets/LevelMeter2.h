// Image level meter: a lit image over a background, shown below a cut line that follows a raw 8-bit
// level on a logarithmic scale, rising at once and falling back slowly.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>

class LevelMeter2 : public juce::Component,
                    public juce::Timer
{
public:
    LevelMeter2();
    ~LevelMeter2() override;

    void paint (juce::Graphics&) override;
    void resized() override;
    void timerCallback() override;

    // The owner writes the two sources, levelSource and displayLevel directly (there are no setters);
    // the scaled images and cutY are the meter's own.
    juce::Image litImage;
    juce::Image backImage;
    juce::Image litSource;
    juce::Image backSource;
    std::int8_t* levelSource = nullptr;   // owned: deleted by the destructor
    std::int64_t displayLevel = 0;        // in 1/128 of the meter's height, 0 to 126
    int cutY = 0;

private:
    // Maps a raw level (0 to 127) to the display scale 0 to 126.
    static std::int64_t targetForRaw (std::int8_t raw);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LevelMeter2)
};
