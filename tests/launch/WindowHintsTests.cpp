// The main window keeps its size limits and its 320 : 290 ratio whoever resizes it: the window manager
// is told them, and a size that another program forces on the window is brought back.
#include "ProgramFixture.h"

#include <csignal>

namespace
{
    using namespace launch;

    class WindowHintsTest : public ProgramTest
    {
    protected:
        // The program's window, drawn once, at the centred default place.
        WindowId startAndWaitForWindow (AppProcess*& app)
        {
            app = &start();
            const auto window = waitForWindowAt (*app, centredDefaultBounds());
            return window != 0 && waitUntilDrawn (display, window) ? window : 0;
        }

        // The hints carry the minimum, the maximum and the ratio.
        bool hintsAreComplete (WindowId window) const
        {
            const auto hints = display.sizeHints (window);
            return hints && hints->minimumSize && hints->maximumSize && hints->minimumAspect && hints->maximumAspect;
        }
    };

    // The bounds of a size kept about the centre of the previous bounds, each half rounded down.
    juce::Rectangle<int> aboutCentre (juce::Rectangle<int> previous, int width, int height)
    {
        return { previous.getX() + previous.getWidth() / 2 - width / 2,
                 previous.getY() + previous.getHeight() / 2 - height / 2, width, height };
    }
}

TEST_F (WindowHintsTest, WindowManagerIsToldTheLimitsAndTheRatio)
{
    AppProcess* app = nullptr;
    const auto window = startAndWaitForWindow (app);
    ASSERT_NE (window, 0u);

    // Complete from the first: JUCE's own writes (at each move, at the first paint) carry them too.
    ASSERT_TRUE (hintsAreComplete (window));
    const auto hints = *display.sizeHints (window);

    EXPECT_EQ (hints.minimumSize, juce::Point<int> (219, 198));
    EXPECT_EQ (hints.maximumSize, juce::Point<int> (640, 580));
    EXPECT_TRUE (isTheRatioRange (hints)) << hints.minimumAspect->toString() << " to " << hints.maximumAspect->toString();
}

TEST_F (WindowHintsTest, ResizesByAnotherProgramComeBackWithinTheLimitsAboutTheCentre)
{
    AppProcess* app = nullptr;
    const auto window = startAndWaitForWindow (app);
    ASSERT_NE (window, 0u);

    struct Case
    {
        int width, height;
        juce::Point<int> expectedSize;
    };

    // Too wide: the width stops at 640 and the ratio gives 580. Too small: 219 wide gives 198.47 high,
    // 198. Too large both ways: the maximum, 640 by 580.
    auto previous = centredDefaultBounds();
    for (const auto& c : { Case { 1000, 300, { 640, 580 } }, Case { 100, 100, { 219, 198 } }, Case { 700, 700, { 640, 580 } } })
    {
        SCOPED_TRACE (juce::String (c.width) + " by " + juce::String (c.height));
        const auto expected = aboutCentre (previous, c.expectedSize.x, c.expectedSize.y);

        display.resize (window, c.width, c.height);
        ASSERT_TRUE (pollWithNudges (
            display, window, [&] { return display.boundsOf (window) == expected; }, programStartTimeoutMs))
            << "expected " << expected.toString() << ", the window is at " << display.boundsOf (window)->toString();

        // Moving the window back made JUCE rewrite the hints: they are still complete.
        EXPECT_TRUE (hintsAreComplete (window));
        previous = expected;
    }

    // The state stored at quit is the last one, inside the limits.
    app->sendSignal (SIGTERM);
    EXPECT_EQ (app->waitForExit (programExitTimeoutMs), std::optional<int> (0));
    EXPECT_EQ (storedValue (home, "WindowPosition"), previous.toString());
}
