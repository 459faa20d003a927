// The 528 x 212 About box: dark panel with the product's name and a drawing of the interface,
// over a light strip that carries the close button and the version text the box prints itself.
#include "Artwork.h"

namespace artwork
{
    namespace
    {
        constexpr int aboutWidth = 528;
        constexpr int aboutHeight = 212;
        constexpr int stripTop = 164;

        void drawLightStrip (juce::Image& image)
        {
            juce::Image strip (juce::Image::ARGB, aboutWidth, aboutHeight - stripTop, true);
            fillBrushedMetal (strip, juce::Colour (0xfff4f5f6), juce::Colour (0xffdfe1e4), 0.02f, 52);

            juce::Graphics g (image);
            g.drawImageAt (strip, 0, stripTop);
            g.setColour (juce::Colour (0xff0d0e10));
            g.fillRect (0, stripTop - 1, aboutWidth, 1);
            g.setColour (juce::Colours::white.withAlpha (0.8f));
            g.fillRect (0, stripTop, aboutWidth, 1);
        }

        void drawTitle (juce::Graphics& g)
        {
            drawProductLogo (g, { 34.0f, 28.0f }, 44.0f);
            drawEngravedText (g, "STEREO USB AUDIO INTERFACE", { 36.0f, 80.0f, 230.0f, 12.0f },
                              withTracking (sansFont (9.5f, true), 0.2f), juce::Justification::centredLeft, colours::printDim);
            drawEngravedText (g, "Control Panel", { 36.0f, 94.0f, 230.0f, 14.0f }, sansFont (12.0f, false),
                              juce::Justification::centredLeft, colours::print);
            drawMakerMark (g, { 36.0f, 118.0f, 120.0f, 11.0f }, colours::print, "TARVIK, Inc.", 0.1f);
        }

        // The invisible link button covers this spot; the print tells the user it leads to the web.
        void drawLinkHint (juce::Graphics& g)
        {
            const auto area = juce::Rectangle<float> (67.0f, 143.0f, 140.0f, 16.0f);
            const auto font = sansFont (10.5f, false);
            const juce::String printed (juce::CharPointer_UTF8 ("www  \xc2\xbb  product page"));
            drawEngravedText (g, printed, area, font, juce::Justification::centred, juce::Colour (0xff8cc4ff));

            const float width = font.getStringWidthFloat (printed);
            const float y = area.getCentreY() + font.getAscent() * 0.5f + 1.5f;
            g.setColour (juce::Colour (0xff8cc4ff).withAlpha (0.6f));
            g.drawLine (area.getCentreX() - width * 0.5f, y, area.getCentreX() + width * 0.5f, y, 0.8f);
        }

        //==============================================================================
        const juce::Rectangle<float> deviceFront { 282.0f, 58.0f, 218.0f, 72.0f };

        void drawDeviceBody (juce::Graphics& g)
        {
            const auto front = deviceFront;
            g.setColour (juce::Colours::black.withAlpha (0.45f));
            g.fillEllipse (front.getX() - 6.0f, front.getBottom() - 2.0f, front.getWidth() + 12.0f, 14.0f);

            juce::Path top;
            top.startNewSubPath (front.getX() + 4.0f, front.getY());
            top.lineTo (front.getX() + 18.0f, front.getY() - 16.0f);
            top.lineTo (front.getRight() - 18.0f, front.getY() - 16.0f);
            top.lineTo (front.getRight() - 4.0f, front.getY());
            top.closeSubPath();
            g.setGradientFill (juce::ColourGradient (juce::Colour (0xff6a6e75), 0.0f, front.getY() - 16.0f,
                                                     juce::Colour (0xff474a50), 0.0f, front.getY(), false));
            g.fillPath (top);

            g.setGradientFill (juce::ColourGradient (juce::Colour (0xff3f4247), 0.0f, front.getY(),
                                                     juce::Colour (0xff1d1f22), 0.0f, front.getBottom(), false));
            g.fillRoundedRectangle (front, 5.0f);
            drawBevel (g, front, 5.0f, 0.3f);
        }

        void drawJack (juce::Graphics& g, juce::Point<float> centre, float radius)
        {
            const auto outer = juce::Rectangle<float> (radius * 2.0f, radius * 2.0f).withCentre (centre);
            g.setGradientFill (juce::ColourGradient (juce::Colour (0xffb9bcc2), outer.getX(), outer.getY(),
                                                     juce::Colour (0xff44474c), outer.getRight(), outer.getBottom(), false));
            g.fillEllipse (outer);
            g.setColour (juce::Colour (0xff0c0d0f));
            g.fillEllipse (outer.reduced (radius * 0.22f));
            g.setColour (juce::Colour (0xff505359));
            g.fillEllipse (outer.reduced (radius * 0.62f));
            g.setColour (juce::Colour (0xff0c0d0f));
            g.fillEllipse (outer.reduced (radius * 0.78f));
        }

        void drawKnob (juce::Graphics& g, juce::Point<float> centre, float radius, float angle)
        {
            const auto body = juce::Rectangle<float> (radius * 2.0f, radius * 2.0f).withCentre (centre);
            g.setColour (juce::Colours::black.withAlpha (0.6f));
            g.fillEllipse (body.expanded (1.5f).translated (0.0f, 1.0f));
            g.setGradientFill (juce::ColourGradient (juce::Colour (0xffe9ebee), body.getX(), body.getY(),
                                                     juce::Colour (0xff6c7077), body.getRight(), body.getBottom(), false));
            g.fillEllipse (body);
            g.setColour (juce::Colour (0xff1a1b1e));
            const auto tip = centre.getPointOnCircumference (radius * 0.8f, angle);
            g.drawLine ({ centre.getPointOnCircumference (radius * 0.25f, angle), tip }, 1.8f);
        }

        void drawLed (juce::Graphics& g, juce::Point<float> centre, juce::Colour colour)
        {
            const auto lamp = juce::Rectangle<float> (5.0f, 5.0f).withCentre (centre);
            g.setGradientFill (juce::ColourGradient (colour.withAlpha (0.5f), centre.x, centre.y,
                                                     colour.withAlpha (0.0f), centre.x + 7.0f, centre.y, true));
            g.fillEllipse (lamp.expanded (4.0f));
            g.setColour (colour.brighter (0.5f));
            g.fillEllipse (lamp);
        }

        void drawDeviceControls (juce::Graphics& g)
        {
            const auto f = deviceFront;
            const float midY = f.getCentreY() + 3.0f;
            drawJack (g, { f.getX() + 28.0f, midY }, 14.0f);
            drawJack (g, { f.getX() + 64.0f, midY }, 14.0f);
            drawKnob (g, { f.getX() + 104.0f, midY }, 11.0f, 2.2f);
            drawKnob (g, { f.getX() + 140.0f, midY }, 11.0f, 0.6f);
            drawJack (g, { f.getRight() - 26.0f, midY + 4.0f }, 8.0f);
            drawLed (g, { f.getX() + 122.0f, f.getY() + 12.0f }, juce::Colour (0xff37e05a));
            drawLed (g, { f.getRight() - 26.0f, f.getY() + 12.0f }, colours::accent);

            const auto small = withTracking (sansFont (6.5f, true), 0.1f);
            drawEngravedText (g, "Tolva USB", { f.getX() + 10.0f, f.getY() + 5.0f, 80.0f, 9.0f }, small,
                              juce::Justification::centredLeft, colours::print);
            drawEngravedText (g, "TARVIK", { f.getRight() - 80.0f, f.getBottom() - 12.0f, 72.0f, 8.0f }, small,
                              juce::Justification::centredRight, colours::printDim);
        }
    }

    juce::Image drawAboutBackground()
    {
        juce::Image image (juce::Image::ARGB, aboutWidth, aboutHeight, true);
        fillBrushedMetal (image, colours::panelTop, colours::panelBottom, 0.035f, 311);
        drawLightStrip (image);

        juce::Graphics g (image);
        drawTitle (g);
        drawLinkHint (g);
        drawDeviceBody (g);
        drawDeviceControls (g);
        drawBevel (g, image.getBounds().toFloat(), 0.0f, 0.2f);
        return image;
    }
}
