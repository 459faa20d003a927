// Fader group geometry, thumb rescaling and the link poll.
#include "WidgetTestSupport.h"

using namespace widget_tests;

namespace
{
    // An input group whose thumbs are solid green (normal) and blue (highlighted), so that the pixels
    // tell which look is shown. The image cache keys memory images by address alone, so the PNG blocks
    // live for the whole run: one freed and reallocated at the other's old address would bring back
    // the other colour from the cache.
    std::unique_ptr<PanelGroup> colouredGroup()
    {
        static const auto green = solidPng (15, 19, juce::Colours::green);
        static const auto blue = solidPng (15, 19, juce::Colours::blue);
        return std::make_unique<PanelGroup> ("sliderGroupIn", juce::Range<double> (-40.0, 12.0), 95, green.getData(),
                                             (int) green.getSize(), blue.getData(), (int) blue.getSize());
    }

    void expectSliderRect (const SliderRect& r, int x, int y, int height, int width)
    {
        EXPECT_EQ (r.x, x);
        EXPECT_EQ (r.y, y);
        EXPECT_EQ (r.height, height);
        EXPECT_EQ (r.width, width);
    }

    // The current, normal and highlighted thumb images all have this size.
    void expectThumbSize (const OxvSliderLookAndFeel& laf, int width, int height)
    {
        for (const auto* thumb : { &laf.thumbCurrent, &laf.thumbNormal, &laf.thumbHighlighted })
            EXPECT_EQ (thumb->getBounds(), juce::Rectangle<int> (0, 0, width, height));
    }
}

TEST (SliderStereoGroupConstruction, NamesChildrenAndPoll)
{
    SliderStereoGroup group ("sliderGroupIn", 7);

    EXPECT_EQ (group.getName(), "sliderGroupIn");
    EXPECT_EQ (group.leftSlider.getName(), "Left");
    EXPECT_EQ (group.rightSlider.getName(), "Right");
    ASSERT_EQ (group.getNumChildComponents(), 2);
    EXPECT_EQ (group.getChildComponent (0), &group.leftSlider);
    EXPECT_EQ (group.getChildComponent (1), &group.rightSlider);
    EXPECT_TRUE (group.leftSlider.isVisible());
    EXPECT_TRUE (group.rightSlider.isVisible());

    for (auto* slider : { &group.leftSlider, &group.rightSlider })
    {
        EXPECT_TRUE (slider->isScrollWheelEnabled());
        EXPECT_FALSE (slider->getSliderSnapsToMousePosition());
        EXPECT_EQ (&slider->getLookAndFeel(), &juce::LookAndFeel::getDefaultLookAndFeel());
    }

    EXPECT_TRUE (group.isTimerRunning());
    EXPECT_EQ (group.getTimerInterval(), 200);
    EXPECT_TRUE (SliderStereoGroupTestAccess::linkArea (group).isEmpty());
    EXPECT_EQ (SliderStereoGroupTestAccess::lookAndFeel (group), nullptr);
}

TEST (SliderStereoGroupConstruction, ConfigSlidersSetsBothFaders)
{
    auto panel = inputGroup();
    auto& group = *panel->group;

    for (auto* slider : { &group.leftSlider, &group.rightSlider })
    {
        EXPECT_EQ (slider->getSliderStyle(), juce::Slider::LinearVertical);
        EXPECT_EQ (slider->getMinimum(), -40.0);
        EXPECT_EQ (slider->getMaximum(), 12.0);
        EXPECT_EQ (slider->getInterval(), 0.25);
        EXPECT_EQ (slider->getSkewFactor(), 1.0);
        EXPECT_EQ (slider->getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_EQ (slider->getValue(), 0.0);
        EXPECT_EQ (&slider->getLookAndFeel(), &panel->lookAndFeel);
        EXPECT_EQ (slider->findColour (juce::Slider::backgroundColourId), juce::Colour (0x00969798));
        EXPECT_EQ (slider->findColour (juce::Slider::trackColourId), juce::Colour (0x0016181a));
    }

    EXPECT_EQ (Access::leftLevel (group), 0.0);
    EXPECT_EQ (Access::rightLevel (group), 0.0);
    EXPECT_EQ (Access::doubleClickValue (group), 0.0);
    EXPECT_EQ (Access::lookAndFeel (group), &panel->lookAndFeel);
}

TEST (SliderStereoGroupConstruction, RemoveLookAndFeelDetachesBothFaders)
{
    auto panel = inputGroup();
    auto& group = *panel->group;

    group.removeLookAndFeel();

    EXPECT_NE (&group.leftSlider.getLookAndFeel(), &panel->lookAndFeel);
    EXPECT_NE (&group.rightSlider.getLookAndFeel(), &panel->lookAndFeel);
    group.removeLookAndFeel();   // nothing left to detach
    EXPECT_NE (&group.leftSlider.getLookAndFeel(), &panel->lookAndFeel);
}

TEST (SliderStereoGroupLayout, PanelWidthSetsGroupFaderThumbAndLinkGeometry)
{
    // At the design size everything keeps its preset; the narrower window aspect narrows the faders.
    // A group without a look-and-feel scales its geometry all the same.
    struct Case
    {
        double panelWidth;
        int inX, outX, groupWidth, fader, thumbWidth, linkX;
    };
    for (const auto& c : { Case { 380.0, 95, 205, 65, 17, 15, 8 }, Case { 320.0, 80, 173, 55, 14, 13, 7 } })
    {
        SCOPED_TRACE (c.panelWidth);
        auto in = inputGroup();
        auto out = outputGroup();
        in->layout (c.panelWidth, 290.0);
        out->layout (c.panelWidth, 290.0);

        EXPECT_EQ (in->group->getBounds(), juce::Rectangle<int> (c.inX, 58, c.groupWidth, 195));
        EXPECT_EQ (out->group->getBounds(), juce::Rectangle<int> (c.outX, 58, c.groupWidth, 195));

        for (auto* panel : { in.get(), out.get() })
        {
            auto& group = *panel->group;
            expectSliderRect (group.leftSliderRect, 0, 5, 162, c.fader);
            expectSliderRect (group.rightSliderRect, c.fader, 5, 162, c.fader);
            EXPECT_EQ (group.leftSlider.getBounds(), juce::Rectangle<int> (0, 5, c.fader, 162));
            EXPECT_EQ (group.rightSlider.getBounds(), juce::Rectangle<int> (c.fader, 5, c.fader, 162));
            expectThumbSize (panel->lookAndFeel, c.thumbWidth, 19);
            EXPECT_EQ (Access::linkArea (group), juce::Rectangle<int> (c.linkX, 5, c.fader, 162));
        }

        SliderStereoGroup bare ("sliderGroupIn", 0);
        bare.leftDesign = { 162, 17, 0, 5 };
        bare.rightDesign = { 162, 17, 17, 5 };
        bare.groupDesign = { 195, 65, 95, 58 };
        EXPECT_EQ (bare.getNewPos (c.panelWidth / 380.0, 1.0), in->group->getBounds());
        expectSliderRect (bare.leftSliderRect, 0, 5, 162, c.fader);
        expectSliderRect (bare.rightSliderRect, c.fader, 5, 162, c.fader);
    }
}

TEST (SliderStereoGroupLayout, HalvesRoundToEven)
{
    auto panel = inputGroup();
    auto& group = *panel->group;
    group.groupYOffset = 24;

    struct Case
    {
        double scaleX, scaleY;
        juce::Rectangle<int> bounds;
        int faderY, faderHeight, faderWidth, thumbWidth, thumbHeight;
    };
    const Case cases[] = {
        // 95 * 0.5 = 47.5 -> 48, (65 + 95) * 0.5 - 47.5 = 32.5 -> 32, 58 * 0.5 = 29, (195 + 58) * 0.5 - 29
        // = 97.5 -> 98; fader 17 * 0.5 = 8.5 -> 8, y 5 * 0.5 = 2.5 -> 2, height 167 * 0.5 - 2.5 = 81;
        // thumbs 7.5 -> 8 and 9.5 -> 10.
        { 0.5, 0.5, { 48, 29 + 24, 32, 98 }, 2, 81, 8, 8, 10 },
        // 142.5 -> 142, 97.5 -> 98, 145 -> 145, 487.5 -> 488; fader 25.5 -> 26 wide, y 12.5 -> 12,
        // 405 high; thumbs 22.5 -> 22 by 47.5 -> 48.
        { 1.5, 2.5, { 142, 145 + 24, 98, 488 }, 12, 405, 26, 22, 48 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.scaleX) + " by " + juce::String (c.scaleY));
        EXPECT_EQ (group.getNewPos (c.scaleX, c.scaleY), c.bounds);
        expectSliderRect (group.leftSliderRect, 0, c.faderY, c.faderHeight, c.faderWidth);
        expectSliderRect (group.rightSliderRect, c.faderWidth, c.faderY, c.faderHeight, c.faderWidth);
        expectThumbSize (panel->lookAndFeel, c.thumbWidth, c.thumbHeight);
    }
}

TEST (SliderStereoGroupLayout, FadersTouchAtEveryWidth)
{
    auto panel = inputGroup();
    auto& group = *panel->group;

    for (int width = 150; width <= 900; width += 7)
    {
        panel->layout (width, 290.0 + width / 3);
        EXPECT_EQ (group.rightSlider.getX(), group.leftSlider.getRight()) << "panel width " << width;
        EXPECT_EQ (group.rightSlider.getWidth(), group.leftSlider.getWidth());
        EXPECT_EQ (group.rightSlider.getY(), group.leftSlider.getY());
    }
}

TEST (SliderStereoGroupLayout, ZeroFaderHeightKeepsFadersAndThumbs)
{
    auto panel = inputGroup();
    auto& group = *panel->group;
    panel->layout (320.0, 290.0);
    const auto thumb = panel->lookAndFeel.thumbCurrent;

    // 167 * 0.002 - 5 * 0.002 = 0.324 rounds to a fader height of 0.
    const auto bounds = group.getNewPos (2.0, 0.002);

    EXPECT_EQ (bounds, juce::Rectangle<int> (190, 0, 130, 0));
    expectSliderRect (group.leftSliderRect, 0, 5, 162, 14);
    expectSliderRect (group.rightSliderRect, 14, 5, 162, 14);
    EXPECT_EQ (panel->lookAndFeel.thumbCurrent, thumb);
    EXPECT_EQ (panel->lookAndFeel.thumbCurrent.getBounds(), juce::Rectangle<int> (0, 0, 13, 19));
}

TEST (SliderStereoGroupLayout, LinkStepIsHalfADecibelAtZero)
{
    auto in = inputGroup();
    auto out = outputGroup();
    in->layout (320.0, 290.0);
    out->layout (320.0, 290.0);

    // Track 162 - 2 * 9 = 144 pixels over 52 dB: the float positions 42.23077 and 40.846153.
    EXPECT_NEAR (Access::linkStep (*in->group), 1.3846168, 1.0e-7);
    EXPECT_EQ (Access::linkStep (*in->group), static_cast<double> (in->group->rightSlider.getPositionOfValue (0.0)
                                                                   - in->group->rightSlider.getPositionOfValue (0.5)));
    // 0.5 lies beyond the output range's maximum: both positions are the top of the track.
    EXPECT_EQ (Access::linkStep (*out->group), 0.0);

    // A taller window gives a longer track and a larger step.
    in->layout (320.0 * 2, 290.0 * 2);
    EXPECT_NEAR (Access::linkStep (*in->group), (324.0 - 2 * 19) * 0.5 / 52.0, 1.0e-4);
}

TEST (SliderStereoGroupThumbs, HighlightedThumbCarriesRedCentreLineOnce)
{
    auto panel = colouredGroup();
    auto& laf = panel->lookAndFeel;
    const auto pristine = laf.thumbHighlightedSource.createCopy();

    panel->layout (380.0, 290.0);
    const auto first = laf.thumbHighlighted.createCopy();
    panel->layout (380.0, 290.0);

    // The line lies on y = 9.5 from x 1 to 14: row 9 turns partly red, the rest stays blue.
    const auto onLine = laf.thumbHighlighted.getPixelAt (7, 9);
    EXPECT_GT (onLine.getRed(), 0);
    EXPECT_LT (onLine.getBlue(), 255);
    EXPECT_EQ (laf.thumbHighlighted.getPixelAt (7, 3), juce::Colours::blue);
    EXPECT_EQ (laf.thumbHighlighted.getPixelAt (7, 15), juce::Colours::blue);
    EXPECT_EQ (laf.thumbNormal.getPixelAt (7, 9), juce::Colours::green);

    // Drawn on a fresh image each layout: no accumulation, and the cached source stays clean.
    EXPECT_TRUE (samePixels (laf.thumbHighlighted, first));
    EXPECT_TRUE (samePixels (laf.thumbHighlightedSource, pristine));
    EXPECT_EQ (laf.thumbHighlightedSource.getPixelAt (7, 9), juce::Colours::blue);
}

TEST (SliderStereoGroupThumbs, NoCentreLineWhenSwitchedOff)
{
    auto panel = colouredGroup();
    panel->lookAndFeel.drawCentreLine = false;

    panel->layout (320.0, 290.0);

    const auto& thumb = panel->lookAndFeel.thumbHighlighted;
    for (int y = 0; y < thumb.getHeight(); ++y)
        EXPECT_EQ (thumb.getPixelAt (6, y).getRed(), 0) << "row " << y;
}

TEST (SliderStereoGroupThumbs, FadersShowOnlyTheirThumbs)
{
    auto panel = colouredGroup();
    auto& group = *panel->group;
    panel->layout (320.0, 290.0);
    group.setLevels (0.0, -40.0);

    const auto snapshot = group.createComponentSnapshot (group.getLocalBounds());

    // Value 0 on -40..12 lies at 9 + 144 * 12 / 52 = 42.23 within the fader: thumb top 33, plus the
    // fader's y of 5. The minimum lies at the bottom of the track, 153: thumb top 144, its last row
    // below the fader's 162 rows and clipped away.
    const juce::Rectangle<int> leftThumb (0, 5 + 33, 13, 19);
    const auto rightThumb = juce::Rectangle<int> (14, 5 + 144, 13, 19).getIntersection (group.rightSlider.getBounds());
    ASSERT_EQ (rightThumb.getHeight(), 18);

    const auto& thumb = panel->lookAndFeel.thumbCurrent;

    for (int y = 0; y < snapshot.getHeight(); ++y)
        for (int x = 0; x < snapshot.getWidth(); ++x)
        {
            const auto pixel = snapshot.getPixelAt (x, y);
            const auto* area = leftThumb.contains (x, y)    ? &leftThumb
                               : rightThumb.contains (x, y) ? &rightThumb
                                                            : nullptr;
            if (area != nullptr)
                EXPECT_EQ (pixel, thumb.getPixelAt (x - area->getX(), y - area->getY())) << x << "," << y;
            else
                EXPECT_EQ (pixel.getAlpha(), 0) << x << "," << y;
        }

    // The thumb's inner columns are the artwork's own colour.
    EXPECT_EQ (snapshot.getPixelAt (leftThumb.getX() + 6, leftThumb.getY() + 9), juce::Colours::green);
}

TEST (SliderStereoGroupThumbs, NothingShowsBeforeTheFirstLayout)
{
    auto panel = inputGroup();
    auto& group = *panel->group;

    EXPECT_EQ (panel->lookAndFeel.getSliderThumbRadius (group.leftSlider), 0);
    const auto snapshot = group.createComponentSnapshot (group.getLocalBounds());
    EXPECT_TRUE (isTransparent (snapshot, snapshot.getBounds()));
}

class SliderStereoGroupLinkPoll : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel = colouredGroup();
        panel->layout (320.0, 290.0);
        mouse = juce::Desktop::getMousePosition();
    }

    void TearDown() override { juce::ModifierKeys::currentModifiers = juce::ModifierKeys(); }

    // Places the group so that the pointer, wherever it is, lies inside (or outside) the link area.
    void pointerInLinkArea (bool inside)
    {
        const auto target =
            Access::linkArea (*panel->group).getCentre() + (inside ? juce::Point<int>() : juce::Point<int> (0, 400));
        panel->group->setTopLeftPosition (mouse - target);
        ASSERT_EQ (Access::linkArea (*panel->group).contains (panel->group->getMouseXYRelative()), inside);
    }

    bool showsHighlighted() const { return panel->lookAndFeel.thumbCurrent == panel->lookAndFeel.thumbHighlighted; }
    bool showsNormal() const { return panel->lookAndFeel.thumbCurrent == panel->lookAndFeel.thumbNormal; }

    std::unique_ptr<PanelGroup> panel;
    juce::Point<int> mouse;
};

TEST_F (SliderStereoGroupLinkPoll, PointerOverLinkAreaHighlightsBothThumbsAtAPoll)
{
    auto& group = *panel->group;

    // Neither the pointer over the link area nor a move there changes the thumbs before the poll.
    pointerInLinkArea (true);
    panel->link();
    EXPECT_FALSE (showsHighlighted());
    group.timerCallback();
    EXPECT_TRUE (Access::inLinkArea (group));
    EXPECT_TRUE (showsHighlighted());

    pointerInLinkArea (false);
    group.timerCallback();
    EXPECT_FALSE (Access::inLinkArea (group));
    EXPECT_TRUE (showsNormal());
}

TEST_F (SliderStereoGroupLinkPoll, HeldButtonKeepsTheLinkState)
{
    auto& group = *panel->group;
    pointerInLinkArea (true);
    group.timerCallback();
    ASSERT_TRUE (Access::inLinkArea (group));

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);
    pointerInLinkArea (false);
    group.timerCallback();
    EXPECT_TRUE (Access::inLinkArea (group));
    EXPECT_TRUE (showsHighlighted());

    juce::ModifierKeys::currentModifiers = juce::ModifierKeys();
    group.timerCallback();
    EXPECT_FALSE (Access::inLinkArea (group));
    EXPECT_TRUE (showsNormal());
}

TEST_F (SliderStereoGroupLinkPoll, LayoutWhileLinkedShowsNormalUntilRelinked)
{
    auto& group = *panel->group;
    pointerInLinkArea (true);
    group.timerCallback();
    ASSERT_TRUE (showsHighlighted());

    panel->layout (330.0, 300.0);
    pointerInLinkArea (true);
    group.timerCallback();
    EXPECT_TRUE (Access::linkedShown (group));
    EXPECT_EQ (panel->lookAndFeel.thumbCurrent.getPixelAt (6, 4), juce::Colours::green);

    pointerInLinkArea (false);
    group.timerCallback();
    pointerInLinkArea (true);
    group.timerCallback();
    EXPECT_TRUE (showsHighlighted());
    EXPECT_EQ (panel->lookAndFeel.thumbCurrent.getPixelAt (6, 4), juce::Colours::blue);
}

TEST_F (SliderStereoGroupLinkPoll, MoveAndPressTestTheEventPosition)
{
    auto& group = *panel->group;
    const auto area = Access::linkArea (group);

    group.mouseMove (mouseEvent (group, area.getTopLeft().toFloat()));
    EXPECT_TRUE (Access::inLinkArea (group));
    group.mouseMove (mouseEvent (group, juce::Point<int> (area.getRight(), area.getY()).toFloat()));
    EXPECT_FALSE (Access::inLinkArea (group));
    group.mouseDown (mouseEvent (group, juce::Point<int> (area.getRight() - 1, area.getBottom() - 1).toFloat()));
    EXPECT_TRUE (Access::inLinkArea (group));
    group.mouseDown (mouseEvent (group, juce::Point<int> (area.getX(), area.getBottom()).toFloat()));
    EXPECT_FALSE (Access::inLinkArea (group));
}
