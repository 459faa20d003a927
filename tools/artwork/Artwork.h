// Drawing helpers and image painters of the artwork generator.
#pragma once

#include <juce_graphics/juce_graphics.h>

namespace artwork
{
    // Panel colours: dark anodised aluminium with light silk-screen print.
    namespace colours
    {
        const juce::Colour panelTop { 0xff3a3d42 };
        const juce::Colour panelBottom { 0xff222428 };
        const juce::Colour print { 0xffd4d7dc };
        const juce::Colour printDim { 0xff9a9fa7 };
        const juce::Colour shadow { 0xe0000000 };
        const juce::Colour accent { 0xffffa928 };
        const juce::Colour plate { 0xffd3d3d3 };   // the sample-rate plate the panel paints itself
        const juce::Colour readout { 0xffc9d1c6 };
    }

    //==============================================================================
    // Fonts: a Helvetica-like family when the machine has one, else the default sans-serif.
    juce::Font sansFont (float height, bool bold);
    juce::Font narrowFont (float height, bool bold);
    juce::Font withTracking (juce::Font font, float extraKerning);

    // Light print with a dark shadow below it, as if engraved into the surface.
    void drawEngravedText (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area, const juce::Font& font,
                           juce::Justification justification, juce::Colour colour = colours::print);

    // A short caption with a hairline on each side of the text, centred in the area.
    void drawRuledCaption (juce::Graphics& g, const juce::String& text, juce::Rectangle<float> area, const juce::Font& font);

    // Fills the whole image with a vertical gradient and a horizontal brushed grain.
    void fillBrushedMetal (juce::Image& image, juce::Colour top, juce::Colour bottom, float grain, int seed);

    // A rounded area pressed into the surface: shadow along the top, highlight along the bottom.
    void drawRecess (juce::Graphics& g, juce::Rectangle<float> area, float corner, juce::Colour fill);

    // A raised bevel around the edge of an area.
    void drawBevel (juce::Graphics& g, juce::Rectangle<float> area, float corner, float strength);

    // A cross-head panel screw.
    void drawScrew (juce::Graphics& g, juce::Point<float> centre, float radius);

    // The product and maker marks.
    void drawProductLogo (juce::Graphics& g, juce::Point<float> topLeft, float height);
    void drawMakerMark (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour,
                        const juce::String& name = "TARVIK", float tracking = 0.22f);

    //==============================================================================
    // The images themselves.
    struct ButtonSpec
    {
        juce::String caption;
        int width;
        int height;
        juce::Colour litColour;   // colour of the backlight when the button is lit
    };

    juce::Image drawPanelBackground();
    juce::Image drawButton (const ButtonSpec& spec, bool lit);
    juce::Image drawThumb (bool highlighted);
    juce::Image drawAboutBackground();
}
