// The idle image level meter: logarithmic scale, instant rise, slow fall and the lit cut line.
#include "LevelMeter2.h"
#include "WidgetTestSupport.h"

#include <vector>

using namespace widget_tests;

namespace
{
    juce::Image paintMeter (LevelMeter2& meter)
    {
        juce::Image canvas (juce::Image::ARGB, meter.getWidth(), meter.getHeight(), true);
        juce::Graphics g (canvas);
        meter.paint (g);
        return canvas;
    }

    // Shown level after one tick from an empty display.
    std::int64_t shownFor (int raw)
    {
        LevelMeter2 meter;
        meter.stopTimer();
        meter.levelSource = new std::int8_t (static_cast<std::int8_t> (raw));
        meter.timerCallback();
        return meter.displayLevel;
    }
}

TEST (LevelMeter2, StartsIdleAt110Square)
{
    LevelMeter2 meter;

    EXPECT_EQ (meter.getBounds(), juce::Rectangle<int> (0, 0, 110, 110));
    EXPECT_TRUE (meter.isTimerRunning());
    EXPECT_EQ (meter.getTimerInterval(), 60);
    EXPECT_EQ (meter.levelSource, nullptr);
    EXPECT_EQ (meter.displayLevel, 0);
    EXPECT_FALSE (meter.litImage.isValid());
    EXPECT_FALSE (meter.backImage.isValid());
}

TEST (LevelMeter2, RawLevelsMapOnALogScale)
{
    const std::pair<int, std::int64_t> cases[] = { { 0, 0 }, { 1, 18 }, { 2, 28 }, { 9, 60 }, { 30, 90 }, { 118, 125 } };
    for (const auto& [raw, shown] : cases)
        EXPECT_EQ (shownFor (raw), shown) << "raw " << raw;

    for (int raw = 119; raw <= 127; ++raw)
        EXPECT_EQ (shownFor (raw), 126) << "raw " << raw;

    for (int raw = 1; raw <= 127; ++raw)
        EXPECT_GE (shownFor (raw), shownFor (raw - 1)) << "raw " << raw;
}

TEST (LevelMeter2, FallsByTwoThenOneToZero)
{
    LevelMeter2 meter;
    meter.stopTimer();
    meter.levelSource = new std::int8_t (0);
    meter.displayLevel = 126;

    std::vector<std::int64_t> shown;
    for (int tick = 0; tick < 64; ++tick)
    {
        meter.timerCallback();
        shown.push_back (meter.displayLevel);
    }

    std::vector<std::int64_t> expected;
    for (std::int64_t level = 124; level >= 2; level -= 2)
        expected.push_back (level);
    expected.push_back (1);
    expected.push_back (0);

    EXPECT_EQ (shown, expected);
    meter.timerCallback();
    EXPECT_EQ (meter.displayLevel, 0);
}

TEST (LevelMeter2, PeaksRiseAtOnceAndFallsMayUndershootByOne)
{
    LevelMeter2 meter;
    meter.stopTimer();
    meter.levelSource = new std::int8_t (30);
    meter.displayLevel = 10;

    meter.timerCallback();
    EXPECT_EQ (meter.displayLevel, 90);
    meter.timerCallback();   // equal to the display: kept
    EXPECT_EQ (meter.displayLevel, 90);

    *meter.levelSource = 1;   // target 18
    meter.displayLevel = 19;
    meter.timerCallback();
    EXPECT_EQ (meter.displayLevel, 17);
    meter.timerCallback();
    EXPECT_EQ (meter.displayLevel, 18);
}

TEST (LevelMeter2, WithoutSourceTheDisplayFreezes)
{
    LevelMeter2 meter;
    meter.stopTimer();
    meter.displayLevel = 77;

    for (int tick = 0; tick < 5; ++tick)
        meter.timerCallback();

    EXPECT_EQ (meter.displayLevel, 77);
}

TEST (LevelMeter2, RunningTimerFollowsTheSource)
{
    LevelMeter2 meter;
    meter.levelSource = new std::int8_t (127);

    EXPECT_TRUE (testing_support::pumpUntil ([&] { return meter.displayLevel == 126; }, 2000));
}

TEST (LevelMeter2, ResizedScalesBothImages)
{
    LevelMeter2 meter;
    meter.litSource = solid (40, 80, juce::Colours::red);
    meter.backSource = solid (40, 80, juce::Colours::blue);

    meter.setSize (55, 120);

    EXPECT_EQ (meter.litImage.getBounds(), juce::Rectangle<int> (0, 0, 55, 120));
    EXPECT_EQ (meter.backImage.getBounds(), juce::Rectangle<int> (0, 0, 55, 120));

    meter.litSource = {};
    meter.setSize (50, 50);
    EXPECT_FALSE (meter.litImage.isValid());
    EXPECT_EQ (meter.backImage.getBounds(), juce::Rectangle<int> (0, 0, 50, 50));
}

TEST (LevelMeter2, LitPartStartsAtTheCutLine)
{
    LevelMeter2 meter;
    meter.stopTimer();
    meter.litSource = solid (110, 110, juce::Colours::red);
    meter.backSource = solid (110, 110, juce::Colours::blue);
    meter.resized();

    const std::pair<std::int64_t, int> cases[] = { { 126, 2 }, { 64, 55 }, { 0, 110 }, { 1, 110 }, { 125, 3 } };

    for (const auto& [level, cut] : cases)
    {
        meter.displayLevel = level;
        const auto canvas = paintMeter (meter);
        EXPECT_EQ (meter.cutY, cut) << "level " << level;

        for (int y = 0; y < 110; ++y)
            ASSERT_EQ (canvas.getPixelAt (50, y), y < cut ? juce::Colours::blue : juce::Colours::red)
                << "level " << level << " row " << y;
    }
}

TEST (LevelMeter2, WithoutImagesNothingIsDrawn)
{
    LevelMeter2 meter;
    meter.displayLevel = 100;

    const auto canvas = paintMeter (meter);

    EXPECT_EQ (meter.cutY, 0);
    EXPECT_TRUE (isTransparent (canvas, canvas.getBounds()));
}
