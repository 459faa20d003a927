// A window's state string as it stood at its last move or resize. Once the X connection is lost no
// request reaches the server, and a request made then ends the process: this is what the program can
// still store.
#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class WindowStateCache : private juce::ComponentListener
{
public:
    explicit WindowStateCache (juce::ResizableWindow& w) : window (w)
    {
        window.addComponentListener (this);
        update();
    }

    ~WindowStateCache() override { window.removeComponentListener (this); }

    const juce::String& get() const noexcept { return state; }

private:
    void componentMovedOrResized (juce::Component&, bool, bool) override { update(); }
    void update() { state = window.getWindowStateAsString(); }

    juce::ResizableWindow& window;
    juce::String state;

    JUCE_DECLARE_NON_COPYABLE (WindowStateCache)
};
