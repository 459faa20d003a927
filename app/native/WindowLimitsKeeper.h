// Keeps a desktop window within its constrainer's size limits and aspect ratio whoever resizes it. JUCE
// applies the constrainer only to resizes it makes itself and tells the window manager only the minimum
// and maximum size, which it drops whenever it moves the window. So every size hint JUCE writes for the
// window carries all of them (see X11WindowRules), and a size that still arrives outside them (from a
// window manager that ignores the hints or from another program) is brought back as a user's resize
// would be. A window manager that maximises the window or fills the screen with it past the limits
// ignores any size the window asks for there, so the window leaves that state instead.
#pragma once

#include "OXVBorderBoundsConstrainer.h"
#include "X11WindowRules.h"

#include <juce_gui_basics/juce_gui_basics.h>

class WindowLimitsKeeper : private juce::ComponentListener,
                           private juce::AsyncUpdater
{
public:
    // Both must outlive the keeper. Starts from the window's present bounds.
    WindowLimitsKeeper (juce::ResizableWindow& window, BorderBoundsConstrainer& constrainer);
    ~WindowLimitsKeeper() override;

    // Content bounds that arrived off the limits, passed through the constrainer as a resize by the
    // user is: about the centre of the previous bounds. `frame` is the native frame around the content.
    static juce::Rectangle<int> bringBack (juce::ComponentBoundsConstrainer& constrainer, juce::Rectangle<int> bounds,
                                           juce::Rectangle<int> previous, juce::BorderSize<int> frame,
                                           juce::Rectangle<int> screenArea);

    // The hints for the window, with the limits scaled to physical pixels.
    static WindowSizeHints hintsFor (const juce::ComponentBoundsConstrainer& constrainer, double scale);

    // The window's native frame before it is first shown, from a window manager that tells it.
    std::optional<juce::BorderSize<int>> requestFrameSize (int timeoutMs) const
    {
        return rules.requestFrameSize (timeoutMs);
    }

private:
    void componentMovedOrResized (juce::Component&, bool wasMoved, bool wasResized) override;
    // Brings a size outside the limits back.
    void handleAsyncUpdate() override;

    // Minimised and kiosk windows keep whatever size the system gives them.
    bool isMinimisedOrKiosk() const;

    juce::ResizableWindow& window;
    BorderBoundsConstrainer& constrainer;
    // The last bounds that kept the limits: the centre a size brought back is kept about.
    juce::Rectangle<int> lastFitting;
    // Completes every size hint JUCE writes for the window.
    X11WindowRules rules;

    JUCE_DECLARE_NON_COPYABLE (WindowLimitsKeeper)
};
