// The dB read-outs: the text of a fader value, which label a fader move writes, and the rewrite of all
// four labels, which needs both groups enabled.
#include "PanelTestSupport.h"

#include <functional>

using namespace panel_tests;

class ReadoutTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        // The device-attached state of the controls, without a device.
        panel->enabledButtons (true);
    }

    // A fader move as the user makes it: the slider tells its listeners at once.
    static void move (juce::Slider& slider, double value) { slider.setValue (value, juce::sendNotificationSync); }

    static void setSilently (juce::Slider& slider, double value)
    {
        slider.setValue (value, juce::dontSendNotification);
    }
};

TEST_F (ReadoutTest, MovedFaderShowsItsValueWithTwoOrThreeFigures)
{
    struct Case
    {
        double value;
        const char* text;
    };
    const Case cases[] {
        { -0.25, "-0.25 dB" }, { 0.0, "0.0 dB  " },    { -1.0, "-1.00 dB" }, { -1.25, "-1.3 dB " },
        { -9.75, "-9.8 dB " }, { -10.0, "-10.00 dB" },   // 9 characters: never cut
        { 10.0, "10.00 dB" },  { -12.5, "-12.5 dB" },  { 12.0, "12.0 dB " }, { -40.0, "-40.0 dB" },
    };

    auto& fader = panel->sliderGroupIn->leftSlider;
    for (const auto& c : cases)
    {
        move (fader, c.value);
        ASSERT_EQ (fader.getValue(), c.value);
        EXPECT_EQ (panel->labelDbInLeft->getText(), juce::String (c.text)) << c.value;
    }
}

TEST_F (ReadoutTest, EachGroupShowsTheFaderThatMovedLastInItsLeftLabel)
{
    auto& in = *panel->sliderGroupIn;
    auto& out = *panel->sliderGroupOut;

    move (in.rightSlider, -12.5);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "-12.5 dB");
    move (in.leftSlider, -1.25);
    EXPECT_EQ (panel->labelDbInLeft->getText(), "-1.3 dB ");

    move (out.rightSlider, -12.5);
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-12.5 dB");
    move (out.leftSlider, -0.25);
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-0.25 dB");

    // The hidden right labels never follow a move; the other group's label stays.
    EXPECT_TRUE (panel->labelDbInRight->getText().isEmpty());
    EXPECT_TRUE (panel->labelDbOutRight->getText().isEmpty());
    EXPECT_EQ (panel->labelDbInLeft->getText(), "-1.3 dB ");
}

TEST_F (ReadoutTest, SliderOfNoGroupChangesNoLabel)
{
    panel->setLevelLabels();
    juce::Slider stranger;
    stranger.setRange (-40.0, 12.0, 0.25);
    stranger.setValue (-20.0, juce::dontSendNotification);

    panel->sliderValueChanged (&stranger);

    EXPECT_EQ (panel->labelDbInLeft->getText(), "0.0 dB  ");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "0.0 dB  ");
}

TEST_F (ReadoutTest, RewriteShowsTheInputWithItsMagnitudeRuleAndTheOutputWithTwoFigures)
{
    setSilently (panel->sliderGroupIn->leftSlider, -12.5);
    setSilently (panel->sliderGroupIn->rightSlider, 10.0);
    setSilently (panel->sliderGroupOut->leftSlider, -12.5);
    setSilently (panel->sliderGroupOut->rightSlider, -40.0);

    panel->setLevelLabels();

    EXPECT_EQ (panel->labelDbInLeft->getText(), "-12.5 dB");
    EXPECT_EQ (panel->labelDbInRight->getText(), "10.00 dB");
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-13 dB  ");
    EXPECT_EQ (panel->labelDbOutRight->getText(), "-40 dB  ");

    // The same output value through a fader move keeps its third figure.
    panel->sliderValueChanged (&panel->sliderGroupOut->leftSlider);
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-12.5 dB");
}

TEST_F (ReadoutTest, LevelsFromTheDeviceReachTheReadOutThroughTheGroupsMessage)
{
    panel->sliderGroupOut->setLevels (-12.5, 0.0);
    runPosted();
    EXPECT_EQ (panel->labelDbOutLeft->getText(), "-12.5 dB");
}

TEST_F (ReadoutTest, RewriteNeedsBothGroupsEnabled)
{
    setSilently (panel->sliderGroupIn->leftSlider, -3.0);
    const auto markLabels = [this]
    {
        for (auto* label : levelLabels (*panel))
            label->setText ("old", juce::dontSendNotification);
    };

    // Each way of disabling a group: a parent disabled counts too, and so does the state without a
    // device (which empties the read-outs itself).
    struct Switch
    {
        const char* name;
        std::function<void (bool)> enable;
        bool emptiesLabels;
    };
    const Switch switches[] {
        { "output group", [this] (bool on) { panel->sliderGroupOut->setEnabled (on); }, false },
        { "input group", [this] (bool on) { panel->sliderGroupIn->setEnabled (on); }, false },
        { "panel", [this] (bool on) { panel->setEnabled (on); }, false },
        { "device controls", [this] (bool on) { panel->enabledButtons (on); }, true },
    };
    for (const auto& sw : switches)
    {
        SCOPED_TRACE (sw.name);
        markLabels();
        sw.enable (false);
        if (sw.emptiesLabels)
            markLabels();

        panel->setLevelLabels();
        for (auto* label : levelLabels (*panel))
            EXPECT_EQ (label->getText(), "old");

        sw.enable (true);
        panel->setLevelLabels();
        EXPECT_EQ (panel->labelDbInLeft->getText(), "-3.0 dB ");
    }
}
