// Helpers for the widget tests: fader groups laid out as the panel does, action-message capture,
// synthetic mouse events and small images.
#pragma once

#include "OXVBinaryData.h"
#include "SliderStereoGroup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>
#include <memory>

// Reads the group's private state, which the panel never sees but the tests check.
struct SliderStereoGroupTestAccess
{
    static double linkStep (const SliderStereoGroup& g) { return g.linkStep; }
    static juce::Rectangle<int> linkArea (const SliderStereoGroup& g) { return g.linkArea; }
    static bool inLinkArea (const SliderStereoGroup& g) { return g.inLinkArea; }
    static bool linkedShown (const SliderStereoGroup& g) { return g.linkedShown; }
    static double leftLevel (const SliderStereoGroup& g) { return g.leftLevel; }
    static double rightLevel (const SliderStereoGroup& g) { return g.rightLevel; }
    static double doubleClickValue (const SliderStereoGroup& g) { return g.doubleClickValue; }
    static OxvSliderLookAndFeel* lookAndFeel (const SliderStereoGroup& g) { return g.sliderLookAndFeel; }
};

namespace widget_tests
{
    using Access = SliderStereoGroupTestAccess;
    using testing_support::samePixels;

    // Records every action message delivered to it.
    struct MessageLog : juce::ActionListener
    {
        juce::StringArray received;

        void actionListenerCallback (const juce::String& message) override { received.add (message); }
    };

    // Posts a marker through the same broadcaster and runs the message loop until it arrives; since
    // messages arrive in posting order, everything posted earlier has been delivered by then.
    // Returns the messages before the marker and clears the log.
    inline juce::StringArray drain (juce::ActionBroadcaster& broadcaster, MessageLog& log)
    {
        const juce::String marker ("#drained#");
        broadcaster.sendActionMessage (marker);
        EXPECT_TRUE (testing_support::pumpUntil ([&] { return log.received.contains (marker); }));

        auto messages = log.received;
        messages.removeString (marker);
        log.received.clear();
        return messages;
    }

    // A mouse event on the component at the given position, pressed at downPosition.
    inline juce::MouseEvent mouseEvent (juce::Component& component, juce::Point<float> position,
                                        juce::Point<float> downPosition, int clicks = 1)
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position, juce::ModifierKeys(),
                                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f, &component,
                                 &component, now, downPosition, now, clicks, false);
    }

    inline juce::MouseEvent mouseEvent (juce::Component& component, juce::Point<float> position)
    {
        return mouseEvent (component, position, position);
    }

    inline juce::MouseWheelDetails wheel (float deltaX, float deltaY)
    {
        juce::MouseWheelDetails details;
        details.deltaX = deltaX;
        details.deltaY = deltaY;
        details.isReversed = false;
        details.isSmooth = false;
        details.isInertial = false;
        return details;
    }

    inline juce::Image solid (int width, int height, juce::Colour colour)
    {
        juce::Image image (juce::Image::ARGB, width, height, false);
        image.clear (image.getBounds(), colour);
        return image;
    }

    // A uniformly coloured image encoded as PNG, standing in for thumb artwork in pixel checks.
    inline juce::MemoryBlock solidPng (int width, int height, juce::Colour colour)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream stream (block, false);
        juce::PNGImageFormat().writeImageToStream (solid (width, height, colour), stream);
        stream.flush();
        return block;
    }

    inline bool isTransparent (const juce::Image& image, juce::Rectangle<int> area)
    {
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (image.getPixelAt (x, y).getAlpha() != 0)
                    return false;

        return true;
    }

    constexpr double designWidth = 380.0;
    constexpr double designHeight = 290.0;

    // A fader group with the panel's presets and configuration, its own slider look-and-feel, its link
    // poll stopped (the tests drive it) and a message log registered as action listener.
    struct PanelGroup
    {
        OxvSliderLookAndFeel lookAndFeel;
        std::unique_ptr<SliderStereoGroup> group;
        MessageLog log;

        PanelGroup (const juce::String& name, juce::Range<double> range, int groupX, const void* normalPng,
                    int normalSize, const void* highlightedPng, int highlightedSize)
        {
            lookAndFeel.setImagPathAndSize (static_cast<const char*> (normalPng), normalSize,
                                            static_cast<const char*> (highlightedPng), highlightedSize, 15, 19);

            group = std::make_unique<SliderStereoGroup> (name, 0);
            group->stopTimer();
            group->leftDesign = { 162, 17, 0, 5 };
            group->rightDesign = { 162, 17, 17, 5 };
            group->leftSliderRect = { 0, 5, 162, 17 };
            group->rightSliderRect = { 17, 5, 162, 17 };
            group->configSliders (range, 0.0, 0.0, 0.0, lookAndFeel, juce::Colour (0x00969798), juce::Colour (0x0016181a));
            group->addActionListener (&log);
            group->groupDesign = { 195, 65, groupX, 58 };
            group->groupYOffset = 0;
            group->setSize (65, 195);
            group->setTopLeftPosition (groupX, 58);
        }

        ~PanelGroup()
        {
            group->removeLookAndFeel();
            group.reset();
        }

        // The panel's layout step for this group.
        void layout (double panelWidth, double panelHeight)
        {
            group->setBounds (group->getNewPos (panelWidth / designWidth, panelHeight / designHeight));
        }

        juce::StringArray messages() { return drain (*group, log); }

        // Links the pair the way the pointer does: a move over the link area.
        void link()
        {
            group->mouseMove (mouseEvent (*group, Access::linkArea (*group).getCentre().toFloat()));
            ASSERT_TRUE (Access::inLinkArea (*group));
        }

        void unlink()
        {
            group->mouseMove (mouseEvent (*group, { 0.0f, 0.0f }));
            ASSERT_FALSE (Access::inLinkArea (*group));
        }
    };

    // The panel's input and output groups with the embedded thumb artwork.
    inline std::unique_ptr<PanelGroup> inputGroup()
    {
        return std::make_unique<PanelGroup> ("sliderGroupIn", juce::Range<double> (-40.0, 12.0), 95,
                                             OXVBIN::imageThumbNormal, OXVBIN::imageThumbNormalSize,
                                             OXVBIN::imageThumbHighlighted, OXVBIN::imageThumbHighlightedSize);
    }

    inline std::unique_ptr<PanelGroup> outputGroup()
    {
        return std::make_unique<PanelGroup> ("sliderGroupOut", juce::Range<double> (-55.0, 0.0), 205,
                                             OXVBIN::imageThumbNormal, OXVBIN::imageThumbNormalSize,
                                             OXVBIN::imageThumbHighlighted, OXVBIN::imageThumbHighlightedSize);
    }
}
