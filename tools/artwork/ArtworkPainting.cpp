// Shared drawing helpers: fonts, engraved print, brushed metal, recesses, screws and the marks.
#include "Artwork.h"

namespace artwork
{
    namespace
    {
        juce::String firstAvailableFamily (const juce::StringArray& wanted)
        {
            const auto installed = juce::Font::findAllTypefaceNames();
            for (const auto& family : wanted)
                if (installed.contains (family))
                    return family;
            return juce::Font::getDefaultSansSerifFontName();
        }

        juce::Font makeFont (const juce::String& family, float height, bool bold)
        {
            return juce::Font (family, height, bold ? juce::Font::bold : juce::Font::plain);
        }

        juce::uint8 clampChannel (float value)
        {
            return (juce::uint8) juce::jlimit (0, 255, juce::roundToInt (value));
        }

        // Moves a colour's brightness by delta (in units of full scale), keeping its alpha.
        juce::Colour shade (juce::Colour c, float delta)
        {
            const float d = delta * 255.0f;
            return juce::Colour (clampChannel (c.getRed() + d), clampChannel (c.getGreen() + d),
                                 clampChannel (c.getBlue() + d), c.getAlpha());
        }

        void fillBrushedRow (juce::Image::BitmapData& data, int y, juce::Colour base, float grain, juce::Random& random)
        {
            const float rowTone = (random.nextFloat() - 0.5f) * grain;
            float streak = 0.0f;
            for (int x = 0; x < data.width; ++x)
            {
                // Low-pass noise along the row gives the long streaks of a brushed finish.
                streak = streak * 0.93f + (random.nextFloat() - 0.5f) * grain * 0.45f;
                const float speck = (random.nextFloat() - 0.5f) * grain * 0.3f;
                data.setPixelColour (x, y, shade (base, rowTone + streak + speck));
            }
        }
    }

    juce::Font sansFont (float height, bool bold)
    {
        static const auto family = firstAvailableFamily ({ "Nimbus Sans", "Liberation Sans", "DejaVu Sans" });
        return makeFont (family, height, bold);
    }

    juce::Font narrowFont (float height, bool bold)
    {
        static const auto family =
            firstAvailableFamily ({ "Nimbus Sans Narrow", "Liberation Sans Narrow", "DejaVu Sans Condensed", "DejaVu Sans" });
        return makeFont (family, height, bold);
    }

    juce::Font withTracking (juce::Font font, float extraKerning)
    {
        font.setExtraKerningFactor (extraKerning);
        return font;
    }

    void drawEngravedText (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area,
                           const juce::Font& font, juce::Justification justification, juce::Colour colour)
    {
        g.setFont (font);
        g.setColour (colours::shadow);
        g.drawText (text, area.translated (0.0f, 1.0f), justification, false);
        g.setColour (colour);
        g.drawText (text, area, justification, false);
    }

    void drawRuledCaption (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area, const juce::Font& font)
    {
        drawEngravedText (g, text, area, font, juce::Justification::centred);
        const float textWidth = font.getStringWidthFloat (text);
        const float gap = 3.0f;
        const float y = std::round (area.getCentreY()) + 0.5f;
        const float left = area.getCentreX() - textWidth * 0.5f - gap;
        const float right = area.getCentreX() + textWidth * 0.5f + gap;
        for (auto [x0, x1] : { std::pair { area.getX(), left }, std::pair { right, area.getRight() } })
        {
            if (x1 - x0 < 2.0f)
                continue;
            g.setColour (colours::shadow);
            g.drawLine (x0, y + 1.0f, x1, y + 1.0f, 1.0f);
            g.setColour (colours::printDim);
            g.drawLine (x0, y, x1, y, 1.0f);
        }
    }

    void fillBrushedMetal (juce::Image& image, juce::Colour top, juce::Colour bottom, float grain, int seed)
    {
        juce::Random random (seed);
        juce::Image::BitmapData data (image, juce::Image::BitmapData::readWrite);
        for (int y = 0; y < data.height; ++y)
        {
            const float along = (float) y / (float) juce::jmax (1, data.height - 1);
            fillBrushedRow (data, y, top.interpolatedWith (bottom, along), grain, random);
        }
    }

    void drawRecess (juce::Graphics& g, juce::Rectangle<float> area, float corner, juce::Colour fill)
    {
        g.setColour (juce::Colours::white.withAlpha (0.12f));
        g.fillRoundedRectangle (area.translated (0.0f, 1.0f), corner);   // the lower lip catches the light
        g.setColour (juce::Colours::black.withAlpha (0.6f));
        g.fillRoundedRectangle (area, corner);

        const auto inner = area.reduced (1.0f);
        const float innerCorner = juce::jmax (0.0f, corner - 1.0f);
        g.setColour (fill);
        g.fillRoundedRectangle (inner, innerCorner);
        g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha (0.3f), 0.0f, inner.getY(),
                                                 juce::Colours::transparentBlack, 0.0f, inner.getY() + 4.0f, false));
        g.fillRoundedRectangle (inner, innerCorner);
    }

    void drawBevel (juce::Graphics& g, juce::Rectangle<float> area, float corner, float strength)
    {
        g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (strength), 0.0f, area.getY(),
                                                 juce::Colours::black.withAlpha (strength * 1.5f), 0.0f,
                                                 area.getBottom(), false));
        g.drawRoundedRectangle (area.reduced (0.5f), corner, 1.0f);
    }

    void drawScrew (juce::Graphics& g, juce::Point<float> centre, float radius)
    {
        const auto head = juce::Rectangle<float> (radius * 2.0f, radius * 2.0f).withCentre (centre);
        g.setColour (juce::Colours::black.withAlpha (0.55f));
        g.fillEllipse (head.expanded (1.0f).translated (0.0f, 0.5f));
        g.setGradientFill (juce::ColourGradient (juce::Colour (0xffc9ccd1), head.getX(), head.getY(),
                                                 juce::Colour (0xff55585e), head.getRight(), head.getBottom(), false));
        g.fillEllipse (head);

        const float slot = radius * 0.62f;
        g.setColour (juce::Colour (0xff2a2c30));
        g.drawLine (centre.x - slot, centre.y, centre.x + slot, centre.y, 1.2f);
        g.drawLine (centre.x, centre.y - slot, centre.x, centre.y + slot, 1.2f);
    }

    void drawProductLogo (juce::Graphics& g, juce::Point<float> topLeft, float height)
    {
        const auto name = withTracking (sansFont (height, true), -0.02f);
        const auto suffix = withTracking (sansFont (height * 0.62f, false), 0.08f);
        const float nameWidth = name.getStringWidthFloat ("Tolva");
        const float baseline = topLeft.y + name.getAscent();

        juce::GlyphArrangement nameGlyphs, suffixGlyphs;
        nameGlyphs.addLineOfText (name, "Tolva", topLeft.x, baseline);
        suffixGlyphs.addLineOfText (suffix, "USB", topLeft.x + nameWidth + height * 0.22f, baseline);

        const auto below = juce::AffineTransform::translation (0.0f, 1.0f);
        g.setColour (colours::shadow);
        nameGlyphs.draw (g, below);
        suffixGlyphs.draw (g, below);
        g.setColour (juce::Colour (0xfff2f3f5));
        nameGlyphs.draw (g);
        g.setColour (colours::accent);
        suffixGlyphs.draw (g);
    }

    void drawMakerMark (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour, const juce::String& name,
                        float tracking)
    {
        // A small chevron emblem followed by the name in wide capitals.
        const float h = area.getHeight();
        juce::Path emblem;
        emblem.addTriangle (area.getX(), area.getBottom(), area.getX() + h * 0.5f, area.getY(), area.getX() + h,
                            area.getBottom());
        emblem.addTriangle (area.getX() + h * 0.3f, area.getBottom(), area.getX() + h * 0.5f,
                            area.getBottom() - h * 0.42f, area.getX() + h * 0.7f, area.getBottom());
        emblem.setUsingNonZeroWinding (false);

        g.setColour (colours::shadow);
        g.fillPath (emblem, juce::AffineTransform::translation (0.0f, 1.0f));
        g.setColour (colour);
        g.fillPath (emblem);

        const auto text = area.withTrimmedLeft (h * 1.35f);
        drawEngravedText (g, name, text, withTracking (sansFont (h * 1.05f, true), tracking),
                          juce::Justification::centredLeft, colour);
    }
}
