#include "WindowPlacement.h"

namespace
{
    // Past any desktop (X itself places windows within 16-bit coordinates), and far enough below int's
    // limit that positions, sizes and frames added together never overflow.
    constexpr int coordinateLimit = 1000000;
    constexpr int frameSideLimit = 200;

    // The token as a whole number within the range, or nothing. A longer token is refused before it is
    // read: JUCE's reading wraps around.
    std::optional<int> integerWithin (const juce::String& token, int lowest, int highest)
    {
        const auto digits = token.startsWithChar ('-') ? token.substring (1) : token;
        if (digits.isEmpty() || digits.length() > 7 || ! digits.containsOnly ("0123456789"))
            return std::nullopt;

        const auto value = token.getIntValue();
        return value >= lowest && value <= highest ? std::optional<int> (value) : std::nullopt;
    }

    bool isPlausiblePlacement (const juce::StringArray& tokens)
    {
        return integerWithin (tokens[0], -coordinateLimit, coordinateLimit)
               && integerWithin (tokens[1], -coordinateLimit, coordinateLimit)
               && integerWithin (tokens[2], 1, coordinateLimit) && integerWithin (tokens[3], 1, coordinateLimit);
    }

    juce::Rectangle<int> withinLimits (juce::Rectangle<int> r)
    {
        return { juce::jlimit (-coordinateLimit, coordinateLimit, r.getX()),
                 juce::jlimit (-coordinateLimit, coordinateLimit, r.getY()),
                 juce::jlimit (0, coordinateLimit, r.getWidth()), juce::jlimit (0, coordinateLimit, r.getHeight()) };
    }
}

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
        const auto side = [&] (int index) { return integerWithin (tokens[index], 0, frameSideLimit); };
        if (const auto top = side (5), left = side (6), bottom = side (7), right = side (8); top && left && bottom && right)
            stored.frame = juce::BorderSize<int> (*top, *left, *bottom, *right);

        tokens.removeRange (4, 5);
    }

    if (isPlausiblePlacement (tokens))
        stored.placement = tokens.joinIntoString (" ");

    return stored;
}

namespace WindowPlacement
{
    bool isPlausibleFrame (juce::BorderSize<int> frame)
    {
        const auto plausible = [] (int side) { return side >= 0 && side <= frameSideLimit; };
        return plausible (frame.getTop()) && plausible (frame.getLeft()) && plausible (frame.getBottom())
               && plausible (frame.getRight());
    }

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
        bounds = withinLimits (bounds);
        area = withinLimits (area);
        if (! isPlausibleFrame (frame))
            frame = {};

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
        bounds = withinLimits (bounds);
        if (! isPlausibleFrame (frame))
            frame = {};

        const auto* display = displayFor (displays, frame.addedTo (bounds));
        if (display == nullptr)
            return bounds;

        auto area = display->userArea;
        const auto workArea = withinLimits (desktopWorkArea.value_or (area));
        if (! area.getIntersection (workArea).isEmpty())
            area = area.getIntersection (workArea);

        return keepWithin (bounds, frame, area);
    }
}
