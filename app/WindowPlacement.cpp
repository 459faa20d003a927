#include "WindowPlacement.h"

StoredWindowState StoredWindowState::parse (const juce::String& state)
{
    auto tokens = juce::StringArray::fromTokens (state, false);
    tokens.removeEmptyStrings();

    StoredWindowState stored;
    stored.maximised = tokens[0].startsWithIgnoreCase ("fs");
    if (stored.maximised)
        tokens.remove (0);

    // "x y w h frame top left bottom right"
    if (tokens.size() == 9 && tokens[4] == "frame")
    {
        stored.frame = juce::BorderSize<int> (tokens[5].getIntValue(), tokens[6].getIntValue(), tokens[7].getIntValue(),
                                              tokens[8].getIntValue());
        tokens.removeRange (4, 5);
    }

    stored.placement = tokens.joinIntoString (" ");
    return stored;
}

namespace WindowPlacement
{
    const juce::Displays::Display* displayFor (const juce::Displays& displays, juce::Rectangle<int> outer)
    {
        const juce::Displays::Display* best = nullptr;
        int bestArea = 0;

        for (const auto& display : displays.displays)
        {
            const auto shared = display.totalArea.getIntersection (outer);
            if (shared.getWidth() * shared.getHeight() > bestArea)
            {
                bestArea = shared.getWidth() * shared.getHeight();
                best = &display;
            }
        }

        return best != nullptr ? best : displays.getDisplayForPoint (outer.getCentre());
    }

    juce::Rectangle<int> keepWithin (juce::Rectangle<int> bounds, juce::BorderSize<int> frame, juce::Rectangle<int> area)
    {
        const auto outer = frame.addedTo (bounds);
        const auto limit = [] (int start, int length, int areaStart, int areaLength)
        { return juce::jmax (areaStart, juce::jmin (start, areaStart + areaLength - length)); };

        const auto x = limit (outer.getX(), outer.getWidth(), area.getX(), area.getWidth());
        const auto y = limit (outer.getY(), outer.getHeight(), area.getY(), area.getHeight());
        return bounds.translated (x - outer.getX(), y - outer.getY());
    }

    juce::Rectangle<int> reachable (juce::Rectangle<int> bounds, juce::BorderSize<int> frame,
                                    const juce::Displays& displays, std::optional<juce::Rectangle<int>> desktopWorkArea)
    {
        const auto* display = displayFor (displays, frame.addedTo (bounds));
        if (display == nullptr)
            return bounds;

        auto area = display->userArea;
        if (desktopWorkArea && ! area.getIntersection (*desktopWorkArea).isEmpty())
            area = area.getIntersection (*desktopWorkArea);

        return keepWithin (bounds, frame, area);
    }
}
