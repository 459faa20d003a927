// The 380 x 290 front panel behind the controls. Every position here is where the panel places a
// control at its design size, so print and grooves line up with the buttons and faders.
#include "Artwork.h"

namespace artwork
{
    namespace
    {
        constexpr int panelWidth = 380;
        constexpr int panelHeight = 290;

        // A fader group: two 17-pixel sliders side by side, 162 pixels tall from 5 below the group
        // top; the 15 x 19 thumb sits at each slider's left edge and its centre travels 144 pixels.
        struct FaderGroup
        {
            float x;
            juce::String caption;
            float minDb;
            float maxDb;
            std::vector<int> marks;
            juce::Rectangle<float> readout;
            juce::Rectangle<float> mute;
        };

        constexpr float groupTop = 58.0f;
        constexpr float thumbTravelTop = groupTop + 5.0f + 9.0f + 0.5f;
        constexpr float thumbTravel = 144.0f;

        // A slightly sunken field that groups the controls of one section, its caption set into the
        // top edge.
        void drawSection (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& caption)
        {
            const auto font = withTracking (sansFont (8.5f, true), 0.12f);
            const float captionWidth = font.getStringWidthFloat (caption) + 8.0f;
            const auto captionArea =
                juce::Rectangle<float> (captionWidth, 10.0f).withCentre ({ area.getCentreX(), area.getY() });

            g.setColour (juce::Colours::black.withAlpha (0.14f));
            g.fillRoundedRectangle (area, 4.0f);
            {
                juce::Graphics::ScopedSaveState state (g);
                g.excludeClipRegion (captionArea.getSmallestIntegerContainer());
                g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.4f), 0.0f, area.getY(),
                                                         juce::Colours::white.withAlpha (0.13f), 0.0f, area.getBottom(), false));
                g.drawRoundedRectangle (area.reduced (0.5f), 4.0f, 1.0f);
                g.setColour (juce::Colours::white.withAlpha (0.08f));
                g.drawHorizontalLine ((int) area.getY() + 1, area.getX() + 4.0f, area.getRight() - 4.0f);
            }
            drawEngravedText (g, caption, captionArea, font, juce::Justification::centred);
        }

        float markY (const FaderGroup& group, int db)
        {
            const float proportion = (group.maxDb - (float) db) / (group.maxDb - group.minDb);
            return std::floor (thumbTravelTop + proportion * thumbTravel) + 0.5f;
        }

        void drawGroove (juce::Graphics& g, float centreX)
        {
            const auto slot = juce::Rectangle<float> (centreX - 2.0f, thumbTravelTop - 6.0f, 4.0f, thumbTravel + 12.0f);
            drawRecess (g, slot, 2.0f, juce::Colour (0xff0b0c0e));
        }

        void drawTick (juce::Graphics& g, float x0, float x1, float y, juce::Colour colour)
        {
            g.setColour (colours::shadow);
            g.drawLine (x0, y + 1.0f, x1, y + 1.0f, 1.0f);
            g.setColour (colour);
            g.drawLine (x0, y, x1, y, 1.0f);
        }

        juce::String markText (int db)
        {
            return db > 0 ? "+" + juce::String (db) : juce::String (db);
        }

        void drawScale (juce::Graphics& g, const FaderGroup& group)
        {
            const auto font = narrowFont (8.0f, false);
            for (const int db : group.marks)
            {
                const float y = markY (group, db);
                const auto colour = db == 0 ? colours::accent : colours::printDim;
                const float outer = db == 0 || db == group.marks.front() || db == group.marks.back() ? 5.0f : 3.5f;
                drawTick (g, group.x + 13.0f, group.x + 18.0f, y, colour);
                drawTick (g, group.x + 33.0f, group.x + 33.0f + outer, y, colour);
                drawEngravedText (g, markText (db), { group.x + 40.0f, y - 5.0f, 24.0f, 10.0f }, font,
                                  juce::Justification::centredLeft, db == 0 ? colours::accent : colours::print);
            }
        }

        void drawReadoutWindow (juce::Graphics& g, juce::Rectangle<float> area)
        {
            drawRecess (g, area.expanded (1.0f), 2.5f, colours::readout);
            g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.25f), 0.0f, area.getY(),
                                                     juce::Colours::transparentWhite, 0.0f, area.getBottom(), false));
            g.fillRect (area.reduced (1.0f, 2.0f).withHeight (area.getHeight() * 0.45f));
        }

        void drawMuteHint (juce::Graphics& g, juce::Rectangle<float> button)
        {
            const auto area = juce::Rectangle<float> (button.getX() - 36.0f, button.getY(), 32.0f, button.getHeight());
            drawEngravedText (g, "MUTE", area, withTracking (sansFont (8.0f, true), 0.08f),
                              juce::Justification::centredRight, colours::printDim);
        }

        void drawFaderGroup (juce::Graphics& g, const FaderGroup& group)
        {
            drawSection (g, { group.x - 9.0f, groupTop, 71.0f, 195.0f }, group.caption);
            drawScale (g, group);
            drawGroove (g, group.x + 7.5f);
            drawGroove (g, group.x + 24.5f);
            drawReadoutWindow (g, group.readout);
            drawMuteHint (g, group.mute);
        }

        void drawFaders (juce::Graphics& g)
        {
            drawFaderGroup (g, { 95.0f,
                                 "INPUT",
                                 -40.0f,
                                 12.0f,
                                 { 12, 6, 0, -6, -12, -20, -30, -40 },
                                 { 92.0f, 230.0f, 43.0f, 17.0f },
                                 { 92.0f, 256.0f, 39.0f, 23.0f } });
            drawFaderGroup (g, { 205.0f,
                                 "OUTPUT",
                                 -55.0f,
                                 0.0f,
                                 { 0, -6, -12, -20, -30, -40, -55 },
                                 { 200.0f, 230.0f, 43.0f, 17.0f },
                                 { 202.0f, 256.0f, 39.0f, 23.0f } });
        }

        void drawInputColumn (juce::Graphics& g)
        {
            drawSection (g, { 9.0f, groupTop, 65.0f, 97.0f }, "INPUT");
        }

        void drawMonitorCaption (juce::Graphics& g)
        {
            drawRuledCaption (g, "DIRECT MONITOR", { 124.0f, 20.0f, 81.0f, 10.0f },
                              withTracking (sansFont (7.5f, true), 0.06f));
        }

        // The light plate of the sample-rate section, under its caption and around the rounded panel
        // that the program paints behind the buttons in the same colour. That panel is placed from
        // truncated proportions and keeps a 7-pixel corner at every window size, so it never matches
        // scaled artwork exactly; the plate reaches past it on every side by more than that drift
        // (at least one screen pixel from the smallest window up), so the two read as one plate.
        void drawSampleRatePlate (juce::Graphics& g)
        {
            const auto plate = juce::Rectangle<float> (268.0f, 44.0f, 97.0f, 112.0f);
            g.setColour (juce::Colours::black.withAlpha (0.5f));
            g.fillRoundedRectangle (plate.expanded (1.0f).translated (0.0f, 1.0f), 6.0f);
            g.setColour (colours::plate);
            g.fillRoundedRectangle (plate, 5.0f);
        }

        void drawModelPrint (juce::Graphics& g)
        {
            const auto font = withTracking (sansFont (7.0f, true), 0.12f);
            drawEngravedText (g, "STEREO USB AUDIO", { 268.0f, 163.0f, 95.0f, 10.0f }, font,
                              juce::Justification::centred, colours::printDim);
            drawEngravedText (g, "24-BIT  /  96 kHz", { 268.0f, 174.0f, 95.0f, 10.0f }, font,
                              juce::Justification::centred, colours::printDim);
        }

        void drawBranding (juce::Graphics& g)
        {
            drawProductLogo (g, { 15.0f, 11.0f }, 22.0f);
            drawEngravedText (g, "AUDIO INTERFACE", { 16.0f, 36.0f, 100.0f, 9.0f },
                              withTracking (sansFont (7.0f, true), 0.2f), juce::Justification::centredLeft, colours::printDim);
            drawMakerMark (g, { 292.0f, 263.0f, 62.0f, 11.0f }, colours::print);
        }

        void drawFrame (juce::Graphics& g)
        {
            const auto bounds = juce::Rectangle<float> (0.0f, 0.0f, (float) panelWidth, (float) panelHeight);
            drawBevel (g, bounds, 3.0f, 0.22f);
            const float inset = 7.5f;
            for (auto corner : { bounds.getTopLeft(), bounds.getTopRight(), bounds.getBottomLeft(), bounds.getBottomRight() })
                drawScrew (g, corner + juce::Point<float> (corner.x > 0 ? -inset : inset, corner.y > 0 ? -inset : inset), 3.5f);
        }
    }

    juce::Image drawPanelBackground()
    {
        juce::Image image (juce::Image::ARGB, panelWidth, panelHeight, true);
        fillBrushedMetal (image, colours::panelTop, colours::panelBottom, 0.035f, 1729);

        juce::Graphics g (image);
        drawFrame (g);
        drawBranding (g);
        drawMonitorCaption (g);
        drawInputColumn (g);
        drawFaders (g);
        drawSampleRatePlate (g);
        drawModelPrint (g);
        return image;
    }
}
