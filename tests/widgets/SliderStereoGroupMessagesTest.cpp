// Fader group behaviour: linked moves, levels from the device, double-click, wheel and drag steps,
// and the action messages each of them posts.
#include "WidgetTestSupport.h"

using namespace widget_tests;

namespace
{
    // Counts the notifications a slider listener (such as the panel) receives.
    struct CountingListener : juce::Slider::Listener
    {
        int changes = 0;
        void sliderValueChanged (juce::Slider*) override { ++changes; }
    };

    class FaderGroup : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            in->layout (320.0, 290.0);
            out->layout (320.0, 290.0);
        }

        // A user's move of a fader: JUCE tells the group that a drag starts, then sets the value and
        // notifies every slider listener.
        void userMoves (juce::Slider& slider, double value)
        {
            auto* group = dynamic_cast<SliderStereoGroup*> (slider.getParentComponent());
            ASSERT_NE (group, nullptr);
            group->sliderDragStarted (&slider);
            slider.setValue (value, juce::sendNotificationSync);
        }

        std::unique_ptr<PanelGroup> in = inputGroup(), out = outputGroup();
    };
}

TEST_F (FaderGroup, UnlinkedMoveLeavesThePartnerAndReports)
{
    auto& g = *in->group;
    in->unlink();

    userMoves (g.leftSlider, -6.0);

    EXPECT_EQ (g.leftSlider.getValue(), -6.0);
    EXPECT_EQ (g.rightSlider.getValue(), 0.0);
    EXPECT_EQ (Access::leftLevel (g), -6.0);
    EXPECT_EQ (in->messages(), juce::StringArray ("volume_update"));
}

TEST_F (FaderGroup, LinkedMoveKeepsTheOffset)
{
    auto& g = *in->group;
    g.setLevels (-3.0, 2.5);
    in->messages();
    in->link();

    userMoves (g.leftSlider, -10.0);
    EXPECT_EQ (g.rightSlider.getValue(), -4.5);
    userMoves (g.rightSlider, 0.0);
    EXPECT_EQ (g.leftSlider.getValue(), -5.5);
    EXPECT_EQ (g.rightSlider.getValue() - g.leftSlider.getValue(), 5.5);
    EXPECT_EQ (Access::leftLevel (g), -5.5);
    EXPECT_EQ (Access::rightLevel (g), 0.0);

    EXPECT_EQ (in->messages(), juce::StringArray ("volume_update", "volume_update"));
}

TEST_F (FaderGroup, ClampedPartnerLosesTheDifference)
{
    auto& g = *in->group;
    g.setLevels (0.0, 10.0);
    in->link();

    userMoves (g.leftSlider, 5.0);
    EXPECT_EQ (g.rightSlider.getValue(), 12.0);

    userMoves (g.leftSlider, 0.0);
    EXPECT_EQ (g.rightSlider.getValue(), 7.0);
}

TEST_F (FaderGroup, NoSliderListenerHearsTheGroupsOwnChanges)
{
    auto& g = *in->group;
    CountingListener left, right;
    g.leftSlider.addListener (&left);
    g.rightSlider.addListener (&right);

    g.setLevels (-12.0, 4.0);
    g.mouseDoubleClick (mouseEvent (g, { 1.0f, 1.0f }));
    in->link();
    g.mouseWheelMove (mouseEvent (g, { 1.0f, 1.0f }), wheel (0.0f, 1.0f));
    g.mouseDrag (mouseEvent (g, { 1.0f, 9.0f }, { 1.0f, 1.0f }));
    EXPECT_EQ (left.changes, 0);
    EXPECT_EQ (right.changes, 0);

    // The linked partner's move is silent too: only the user's own fader notifies.
    userMoves (g.leftSlider, -20.0);
    EXPECT_EQ (left.changes, 1);
    EXPECT_EQ (right.changes, 0);

    g.leftSlider.removeListener (&left);
    g.rightSlider.removeListener (&right);
}

TEST_F (FaderGroup, SetLevelsReportsEachSideWhoseFaderShowsAnotherValue)
{
    auto& g = *in->group;
    const juce::String left ("volume_updateLeftsliderGroupIn"), right ("volume_updateRightsliderGroupIn");

    // An off-grid level snaps to the 0.25 grid (or the range end), so the same level reports again.
    struct Step
    {
        double left, right, leftShown, rightShown;
        juce::StringArray messages;
    };
    const Step steps[] = { { 0.0, 0.0, 0.0, 0.0, {} },
                           { -8.0, 0.0, -8.0, 0.0, { left } },
                           { -8.0, 3.0, -8.0, 3.0, { right } },
                           { -1.0, -2.0, -1.0, -2.0, { left, right } },
                           { -10.13, -2.0, -10.25, -2.0, { left } },
                           { -10.13, -2.0, -10.25, -2.0, { left } },
                           { -10.13, 20.0, -10.25, 12.0, { left, right } },
                           { -10.25, 20.0, -10.25, 12.0, { right } } };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (juce::String (step.left) + ", " + juce::String (step.right));
        g.setLevels (step.left, step.right);
        EXPECT_EQ (g.leftSlider.getValue(), step.leftShown);
        EXPECT_EQ (g.rightSlider.getValue(), step.rightShown);
        EXPECT_EQ (Access::leftLevel (g), step.left);
        EXPECT_EQ (Access::rightLevel (g), step.right);
        EXPECT_EQ (in->messages(), step.messages);
    }

    out->group->setLevels (-30.0, -31.0);
    EXPECT_EQ (out->messages(), juce::StringArray ("volume_updateLeftsliderGroupOut", "volume_updateRightsliderGroupOut"));
}

TEST_F (FaderGroup, ReceiverFindsTheNewValues)
{
    auto& g = *in->group;
    struct Reader : juce::ActionListener
    {
        SliderStereoGroup* group = nullptr;
        double leftSeen = 99.0;
        void actionListenerCallback (const juce::String&) override { leftSeen = group->leftSlider.getValue(); }
    } reader;
    reader.group = &g;
    g.addActionListener (&reader);

    g.setLevels (-17.5, 0.0);
    in->messages();
    EXPECT_EQ (reader.leftSeen, -17.5);
    g.removeActionListener (&reader);
}

TEST_F (FaderGroup, DoubleClickResetsBothLinkedOrNot)
{
    auto& g = *in->group;

    for (bool linked : { false, true })
    {
        g.setLevels (-22.0, 7.25);
        in->messages();
        if (linked)
            in->link();
        else
            in->unlink();

        g.mouseDoubleClick (mouseEvent (g, { 2.0f, 190.0f }, { 2.0f, 190.0f }, 2));

        EXPECT_EQ (g.leftSlider.getValue(), 0.0);
        EXPECT_EQ (g.rightSlider.getValue(), 0.0);
        EXPECT_EQ (Access::leftLevel (g), 0.0);
        EXPECT_EQ (Access::rightLevel (g), 0.0);
        EXPECT_EQ (in->messages(), juce::StringArray ("volume_update"));
    }
}

TEST_F (FaderGroup, DoubleClickOnAFaderChangesNothing)
{
    auto& g = *in->group;
    g.setLevels (-22.0, 7.25);
    in->messages();

    g.leftSlider.mouseDoubleClick (mouseEvent (g.leftSlider, { 5.0f, 40.0f }, { 5.0f, 40.0f }, 2));

    EXPECT_EQ (g.leftSlider.getValue(), -22.0);
    EXPECT_EQ (g.rightSlider.getValue(), 7.25);
    EXPECT_TRUE (in->messages().isEmpty());
}

TEST_F (FaderGroup, LinkedWheelStepsMoveTheInputPair)
{
    auto& g = *in->group;
    in->link();
    const auto e = mouseEvent (g, { 1.0f, 1.0f });

    // linkStep 1.3846 dB, snapped to 0.25: 0 -> -1.5 -> -3.0 -> -4.5.
    for (double expected : { -1.5, -3.0, -4.5 })
    {
        g.mouseWheelMove (e, wheel (0.0f, 0.5f));
        EXPECT_EQ (g.leftSlider.getValue(), expected);
        EXPECT_EQ (g.rightSlider.getValue(), expected);
    }
    EXPECT_EQ (in->messages(), juce::StringArray ("volume_update-", "volume_update-", "volume_update-"));

    g.mouseWheelMove (e, wheel (0.0f, -0.5f));
    EXPECT_EQ (g.leftSlider.getValue(), -3.0);
    EXPECT_EQ (Access::leftLevel (g), -3.0);
    EXPECT_EQ (Access::rightLevel (g), -3.0);
    EXPECT_EQ (in->messages(), juce::StringArray ("volume_update+"));
}

TEST_F (FaderGroup, LinkedStepsClampAtTheRangeEnds)
{
    auto& g = *in->group;
    g.setLevels (11.5, -39.5);
    in->link();
    const auto e = mouseEvent (g, { 1.0f, 1.0f });

    g.mouseWheelMove (e, wheel (0.0f, -1.0f));
    EXPECT_EQ (g.leftSlider.getValue(), 12.0);
    EXPECT_EQ (g.rightSlider.getValue(), -38.0);

    g.mouseWheelMove (e, wheel (0.0f, 1.0f));
    g.mouseWheelMove (e, wheel (0.0f, 1.0f));
    EXPECT_EQ (g.rightSlider.getValue(), -40.0);
}

TEST_F (FaderGroup, OutputPairStepsReportButStay)
{
    auto& g = *out->group;
    g.setLevels (-20.0, -30.0);
    out->messages();
    out->link();
    const auto e = mouseEvent (g, { 1.0f, 1.0f });

    g.mouseWheelMove (e, wheel (0.0f, 1.0f));
    g.mouseWheelMove (e, wheel (0.0f, -1.0f));

    EXPECT_EQ (g.leftSlider.getValue(), -20.0);
    EXPECT_EQ (g.rightSlider.getValue(), -30.0);
    EXPECT_EQ (out->messages(), juce::StringArray ("volume_update-", "volume_update+"));
}

TEST_F (FaderGroup, HorizontalWheelAndUnlinkedWheelOrDragDoNothing)
{
    auto& g = *in->group;
    const auto e = mouseEvent (g, { 1.0f, 1.0f });

    in->link();
    g.mouseWheelMove (e, wheel (0.7f, 0.0f));
    in->unlink();
    g.mouseWheelMove (e, wheel (0.0f, 1.0f));
    g.mouseWheelMove (e, wheel (0.0f, -1.0f));
    g.mouseDrag (mouseEvent (g, { 30.0f, 150.0f }, { 30.0f, 100.0f }));
    g.mouseUp (mouseEvent (g, { 30.0f, 150.0f }, { 30.0f, 100.0f }));

    EXPECT_EQ (g.leftSlider.getValue(), 0.0);
    EXPECT_EQ (g.rightSlider.getValue(), 0.0);
    EXPECT_TRUE (in->messages().isEmpty());
}

TEST_F (FaderGroup, LinkedDragStepsFollowThePressPoint)
{
    auto& g = *in->group;
    in->link();
    const juce::Point<float> press (30.0f, 100.0f);

    g.mouseDrag (mouseEvent (g, { 30.0f, 104.0f }, press));   // below: down
    g.mouseDrag (mouseEvent (g, { 30.0f, 101.0f }, press));   // still below, though it moved up: down
    EXPECT_EQ (g.leftSlider.getValue(), -3.0);
    EXPECT_EQ (g.rightSlider.getValue(), -3.0);

    g.mouseDrag (mouseEvent (g, { 30.0f, 96.0f }, press));   // above: up
    EXPECT_EQ (g.leftSlider.getValue(), -1.5);

    g.mouseDrag (mouseEvent (g, { 40.0f, 100.4f }, press));   // rounds to no vertical offset
    g.mouseDrag (mouseEvent (g, { 20.0f, 99.6f }, press));
    EXPECT_EQ (g.leftSlider.getValue(), -1.5);

    EXPECT_EQ (in->messages(), juce::StringArray ("volume_update-", "volume_update-", "volume_update+"));
}

TEST_F (FaderGroup, DragStartStoresBothLevels)
{
    auto& g = *in->group;
    // Values that reached the faders without going through the group.
    g.leftSlider.setValue (-2.0, juce::dontSendNotification);
    g.rightSlider.setValue (4.0, juce::dontSendNotification);

    g.sliderDragStarted (&g.leftSlider);

    EXPECT_EQ (Access::leftLevel (g), -2.0);
    EXPECT_EQ (Access::rightLevel (g), 4.0);
}
