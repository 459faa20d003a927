// Backlit push-button faces (unlit and lit) and the fader caps.
#include "Artwork.h"

namespace artwork
{
    namespace
    {
        // Unlit legends stay legible at the smallest window: near-white print on a dark face keeps the
        // letters' cores above 4.5:1 (WCAG contrast) even after the button image is scaled down.
        const juce::Colour unlitTop { 0xff3f4248 };
        const juce::Colour unlitBottom { 0xff222428 };
        const juce::Colour unlitText { 0xfff0f2f5 };

        // The dark opening in the panel that the button sits in.
        void drawBezel (juce::Graphics& g, juce::Rectangle<float> bounds, float corner)
        {
            g.setColour (juce::Colour (0xf0080809));
            g.fillRoundedRectangle (bounds, corner);
        }

        void drawUnlitFace (juce::Graphics& g, juce::Rectangle<float> face, float corner)
        {
            g.setGradientFill (juce::ColourGradient (unlitTop, 0.0f, face.getY(), unlitBottom, 0.0f, face.getBottom(), false));
            g.fillRoundedRectangle (face, corner);
        }

        void drawLitFace (juce::Graphics& g, juce::Rectangle<float> face, float corner, juce::Colour light)
        {
            g.setGradientFill (juce::ColourGradient (light.brighter (0.45f), 0.0f, face.getY(), light.darker (0.35f),
                                                     0.0f, face.getBottom(), false));
            g.fillRoundedRectangle (face, corner);

            // The lamp behind the cap shines brightest in the middle.
            juce::ColourGradient glow (juce::Colours::white.withAlpha (0.35f), face.getCentreX(), face.getCentreY(),
                                       juce::Colours::transparentWhite, face.getCentreX() + face.getWidth() * 0.55f,
                                       face.getCentreY(), true);
            g.setGradientFill (glow);
            g.fillRoundedRectangle (face, corner);
        }

        void drawFaceEdges (juce::Graphics& g, juce::Rectangle<float> face, float corner)
        {
            g.setGradientFill (juce::ColourGradient (juce::Colours::white.withAlpha (0.45f), 0.0f, face.getY(),
                                                     juce::Colours::black.withAlpha (0.35f), 0.0f, face.getBottom(), false));
            g.drawRoundedRectangle (face.reduced (0.5f), corner, 1.0f);
        }

        juce::Font fittedCaptionFont (const juce::String& caption, juce::Rectangle<float> area)
        {
            // As tall as the face allows: thin strokes of the smallest captions lose their contrast
            // to anti-aliasing.
            auto font = withTracking (narrowFont (juce::jmin (12.5f, area.getHeight() * 0.8f), true), 0.04f);
            while (font.getHeight() > 5.0f && font.getStringWidthFloat (caption) > area.getWidth() - 5.0f)
                font.setHeight (font.getHeight() - 0.25f);
            return font;
        }

        void drawCaption (juce::Graphics& g, juce::Rectangle<float> face, const ButtonSpec& spec, bool lit)
        {
            const auto font = fittedCaptionFont (spec.caption, face);
            const bool lightFace = lit && spec.litColour.getPerceivedBrightness() > 0.6f;
            const auto ink = ! lit ? unlitText : lightFace ? juce::Colour (0xff24190a) : juce::Colours::white;
            const auto relief = lightFace ? juce::Colours::white.withAlpha (0.45f) : juce::Colours::black.withAlpha (0.7f);

            g.setFont (font);
            g.setColour (relief);
            g.drawText (spec.caption, face.translated (0.0f, lightFace ? 0.6f : 1.0f), juce::Justification::centred, false);
            g.setColour (ink);
            g.drawText (spec.caption, face, juce::Justification::centred, false);
        }

        // The cap's body: bright at its top and bottom edges, shaded towards the centre line.
        void drawCapBody (juce::Graphics& g, juce::Rectangle<float> cap, bool highlighted)
        {
            const auto bright = highlighted ? juce::Colour (0xfffff1d6) : juce::Colour (0xffeceef1);
            const auto dark = highlighted ? juce::Colour (0xffc98a2e) : juce::Colour (0xff83878e);
            juce::ColourGradient shading (bright, 0.0f, cap.getY(), bright, 0.0f, cap.getBottom(), false);
            shading.addColour (0.45, dark);
            shading.addColour (0.55, dark.darker (0.2f));
            shading.addColour (0.85, bright.darker (0.15f));
            g.setGradientFill (shading);
            g.fillRoundedRectangle (cap, 1.5f);
        }

        void drawCapLine (juce::Graphics& g, float x0, float x1, float y, juce::Colour ink, float highlightAlpha)
        {
            g.setColour (ink);
            g.fillRect (x0, y, x1 - x0, 1.0f);
            g.setColour (juce::Colours::white.withAlpha (highlightAlpha));
            g.fillRect (x0, y + 1.0f, x1 - x0, 1.0f);
        }
    }

    juce::Image drawButton (const ButtonSpec& spec, bool lit)
    {
        juce::Image image (juce::Image::ARGB, spec.width, spec.height, true);
        juce::Graphics g (image);
        const auto bounds = image.getBounds().toFloat();
        const float corner = juce::jmin (4.0f, (float) spec.height * 0.25f);
        drawBezel (g, bounds, corner);

        const auto face = bounds.reduced (1.0f);
        if (lit)
            drawLitFace (g, face, corner - 1.0f, spec.litColour);
        else
            drawUnlitFace (g, face, corner - 1.0f);
        drawFaceEdges (g, face, corner - 1.0f);
        drawCaption (g, face, spec, lit);
        return image;
    }

    juce::Image drawThumb (bool highlighted)
    {
        juce::Image image (juce::Image::ARGB, 15, 19, true);
        juce::Graphics g (image);
        const auto body = image.getBounds().toFloat();

        g.setColour (juce::Colours::black.withAlpha (0.85f));
        g.fillRoundedRectangle (body, 2.5f);
        const auto cap = body.reduced (1.0f);
        drawCapBody (g, cap, highlighted);

        const auto grip = juce::Colours::black.withAlpha (0.3f);
        for (const float y : { 3.0f, 5.0f, 12.0f, 14.0f })
            drawCapLine (g, cap.getX() + 1.0f, cap.getRight() - 1.0f, y, grip, 0.35f);
        drawCapLine (g, cap.getX(), cap.getRight(), 9.0f, juce::Colour (0xff111111), 0.5f);
        return image;
    }
}
