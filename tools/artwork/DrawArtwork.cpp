// Draws the program's artwork and writes it as PNG files into the folder given on the command line
// (normally resources/). Usage: draw_artwork <output folder>
#include "Artwork.h"

#include <juce_gui_basics/juce_gui_basics.h>
#include <functional>
#include <iostream>

namespace
{
    struct ArtworkFile
    {
        const char* name;
        int width;
        int height;
        std::function<juce::Image()> draw;
    };

    const juce::Colour amber { 0xffffa21f };
    const juce::Colour green { 0xff3ddc5f };
    const juce::Colour red { 0xffe8322b };
    const juce::Colour blue { 0xff3c9dff };

    std::function<juce::Image()> button (juce::String caption, int width, int height, juce::Colour light, bool lit)
    {
        return [=] { return artwork::drawButton ({ caption, width, height, light }, lit); };
    }

    // Each file with the size the program lays out for it.
    std::vector<ArtworkFile> artworkFiles()
    {
        return {
            { "panel_background.png", 380, 290, artwork::drawPanelBackground },
            { "about_background.png", 528, 212, artwork::drawAboutBackground },
            { "about_close_normal.png", 48, 17, button ("CLOSE", 48, 17, amber, false) },
            { "about_close_down.png", 48, 17, button ("CLOSE", 48, 17, amber, true) },
            { "rate44_normal.png", 61, 20, button ("44.1k", 61, 20, amber, false) },
            { "rate44_down.png", 61, 20, button ("44.1k", 61, 20, amber, true) },
            { "rate48_normal.png", 61, 20, button ("48k", 61, 20, amber, false) },
            { "rate48_down.png", 61, 20, button ("48k", 61, 20, amber, true) },
            { "rate96_normal.png", 61, 20, button ("96k", 61, 20, amber, false) },
            { "rate96_down.png", 61, 20, button ("96k", 61, 20, amber, true) },
            { "line_normal.png", 47, 22, button ("LINE", 47, 22, amber, false) },
            { "line_down.png", 47, 22, button ("LINE", 47, 22, amber, true) },
            { "mic_normal.png", 47, 22, button ("MIC", 47, 22, amber, false) },
            { "mic_down.png", 47, 22, button ("MIC", 47, 22, amber, true) },
            { "hiz_normal.png", 47, 22, button ("HI-Z", 47, 22, amber, false) },
            { "hiz_down.png", 47, 22, button ("HI-Z", 47, 22, amber, true) },
            { "michiz_normal.png", 47, 22, button ("MIC+HIZ", 47, 22, amber, false) },
            { "michiz_down.png", 47, 22, button ("MIC+HIZ", 47, 22, amber, true) },
            { "monitoring_normal.png", 68, 21, button ("MONITOR", 68, 21, green, false) },
            { "monitoring_down.png", 68, 21, button ("MONITOR", 68, 21, green, true) },
            { "mute_normal.png", 35, 19, button ("MUTE", 35, 19, red, false) },
            { "mute_down.png", 35, 19, button ("MUTE", 35, 19, red, true) },
            { "link_normal.png", 27, 14, button ("LINK", 27, 14, blue, false) },
            { "link_down.png", 27, 14, button ("LINK", 27, 14, blue, true) },
            { "thumb_normal.png", 15, 19, [] { return artwork::drawThumb (false); } },
            { "thumb_highlighted.png", 15, 19, [] { return artwork::drawThumb (true); } },
        };
    }

    bool writePng (const juce::Image& image, const juce::File& file)
    {
        file.deleteFile();   // an output stream appends to an existing file
        juce::FileOutputStream out (file);
        juce::PNGImageFormat png;
        return out.openedOk() && png.writeImageToStream (image, out);
    }

    bool writeArtwork (const ArtworkFile& entry, const juce::File& folder)
    {
        const auto image = entry.draw();
        if (image.getWidth() != entry.width || image.getHeight() != entry.height)
        {
            std::cerr << entry.name << ": drawn at the wrong size\n";
            return false;
        }
        if (! writePng (image, folder.getChildFile (entry.name)))
        {
            std::cerr << entry.name << ": cannot write\n";
            return false;
        }
        std::cout << entry.name << " " << entry.width << "x" << entry.height << "\n";
        return true;
    }
}

int main (int argc, char** argv)
{
    if (argc != 2)
    {
        std::cerr << "usage: draw_artwork <output folder>\n";
        return 2;
    }

    juce::ScopedJuceInitialiser_GUI juceRuntime;   // fonts need the GUI runtime
    const auto folder = juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]);
    if (! folder.createDirectory())
    {
        std::cerr << "cannot create " << argv[1] << "\n";
        return 1;
    }

    bool ok = true;
    for (const auto& entry : artworkFiles())
        ok = writeArtwork (entry, folder) && ok;
    return ok ? 0 : 1;
}
