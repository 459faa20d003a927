// The artwork compiled into the program: each array is exactly one whole PNG stream that decodes at
// the size the layout is built on, every button's lit face differs clearly from its unlit one, and
// every unlit legend is legible against its face.
#include "OXVBinaryData.h"

#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
    struct EmbeddedImage
    {
        const char* role;
        const char* data;
        int size;
        int width;
        int height;
        std::size_t arrayBytes;   // sizeof the array itself, whatever its Size constant says
    };

    template <std::size_t arrayBytes>
    EmbeddedImage embedded (const char* role, const char (&data)[arrayBytes], int size, int width, int height)
    {
        return { role, data, size, width, height, arrayBytes };
    }

    std::ostream& operator<< (std::ostream& out, const EmbeddedImage& image)
    {
        return out << image.role;
    }

    const EmbeddedImage embeddedImages[] = {
        embedded ("imageRate44Normal", OXVBIN::temp_binary_data_0, OXVBIN::temp_binary_data_0Size, 61, 20),
        embedded ("imageRate44Down", OXVBIN::temp_binary_data_1, OXVBIN::temp_binary_data_1Size, 61, 20),
        embedded ("imageRate48Normal", OXVBIN::temp_binary_data_2, OXVBIN::temp_binary_data_2Size, 61, 20),
        embedded ("imageRate48Down", OXVBIN::temp_binary_data_3, OXVBIN::temp_binary_data_3Size, 61, 20),
        embedded ("imageRate96Normal", OXVBIN::temp_binary_data_4, OXVBIN::temp_binary_data_4Size, 61, 20),
        embedded ("imageRate96Down", OXVBIN::temp_binary_data_5, OXVBIN::temp_binary_data_5Size, 61, 20),
        embedded ("imageAboutBackground", OXVBIN::temp_binary_data_6, OXVBIN::temp_binary_data_6Size, 528, 212),
        embedded ("imageAboutCloseNormal", OXVBIN::temp_binary_data_7, OXVBIN::temp_binary_data_7Size, 48, 17),
        embedded ("imageAboutCloseDown", OXVBIN::temp_binary_data_8, OXVBIN::temp_binary_data_8Size, 48, 17),
        embedded ("imageMicHIZNormal", OXVBIN::temp_binary_data_13, OXVBIN::temp_binary_data_13Size, 47, 22),
        embedded ("imageMicHIZDown", OXVBIN::temp_binary_data_14, OXVBIN::temp_binary_data_14Size, 47, 22),
        embedded ("imageHIZNormal", OXVBIN::temp_binary_data_15, OXVBIN::temp_binary_data_15Size, 47, 22),
        embedded ("imageHIZDown", OXVBIN::temp_binary_data_16, OXVBIN::temp_binary_data_16Size, 47, 22),
        embedded ("imageLineNormal", OXVBIN::temp_binary_data_17, OXVBIN::temp_binary_data_17Size, 47, 22),
        embedded ("imageLineDown", OXVBIN::temp_binary_data_18, OXVBIN::temp_binary_data_18Size, 47, 22),
        embedded ("imageLinkNormal", OXVBIN::temp_binary_data_19, OXVBIN::temp_binary_data_19Size, 27, 14),
        embedded ("imageLinkDown", OXVBIN::temp_binary_data_20, OXVBIN::temp_binary_data_20Size, 27, 14),
        embedded ("imagePanelBackground", OXVBIN::temp_binary_data_22, OXVBIN::temp_binary_data_22Size, 380, 290),
        embedded ("imageMicNormal", OXVBIN::temp_binary_data_23, OXVBIN::temp_binary_data_23Size, 47, 22),
        embedded ("imageMicDown", OXVBIN::temp_binary_data_24, OXVBIN::temp_binary_data_24Size, 47, 22),
        embedded ("imageMonitoringNormal", OXVBIN::temp_binary_data_25, OXVBIN::temp_binary_data_25Size, 68, 21),
        embedded ("imageMonitoringDown", OXVBIN::temp_binary_data_26, OXVBIN::temp_binary_data_26Size, 68, 21),
        embedded ("imageMuteNormal", OXVBIN::temp_binary_data_27, OXVBIN::temp_binary_data_27Size, 35, 19),
        embedded ("imageMuteDown", OXVBIN::temp_binary_data_28, OXVBIN::temp_binary_data_28Size, 35, 19),
        embedded ("imageThumbNormal", OXVBIN::temp_binary_data_29, OXVBIN::temp_binary_data_29Size, 15, 19),
        embedded ("imageThumbHighlighted", OXVBIN::temp_binary_data_30, OXVBIN::temp_binary_data_30Size, 15, 19),
    };

    const unsigned char pngSignature[8] = { 0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a };
    // An IEND chunk: zero length, its type, and the CRC of the type.
    const unsigned char iendChunk[12] = { 0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xae, 0x42, 0x60, 0x82 };

    std::uint32_t bigEndian32 (const char* bytes)
    {
        const auto* b = reinterpret_cast<const unsigned char*> (bytes);
        return (std::uint32_t (b[0]) << 24) | (std::uint32_t (b[1]) << 16) | (std::uint32_t (b[2]) << 8) | b[3];
    }

    juce::Image load (const EmbeddedImage& image)
    {
        return juce::ImageCache::getFromMemory (image.data, image.size);
    }

    class EmbeddedImages : public ::testing::TestWithParam<EmbeddedImage>
    {};
}

TEST_P (EmbeddedImages, DecodesAtTheSizeTheLayoutUses)
{
    const auto image = load (GetParam());
    ASSERT_TRUE (image.isValid());
    EXPECT_EQ (image.getWidth(), GetParam().width);
    EXPECT_EQ (image.getHeight(), GetParam().height);
}

TEST_P (EmbeddedImages, IsExactlyOnePngStream)
{
    const auto& image = GetParam();
    ASSERT_GT (image.size, 8 + 25 + 12);
    EXPECT_EQ (std::memcmp (image.data, pngSignature, sizeof (pngSignature)), 0);
    EXPECT_EQ (std::memcmp (image.data + image.size - 12, iendChunk, sizeof (iendChunk)), 0);

    // Walking the chunks from the signature lands on IEND exactly at the array's end.
    std::size_t offset = 8;
    std::string type;
    while (offset + 12 <= (std::size_t) image.size && type != "IEND")
    {
        type.assign (image.data + offset + 4, 4);
        offset += 12 + bigEndian32 (image.data + offset);
    }
    EXPECT_EQ (type, "IEND");
    EXPECT_EQ (offset, (std::size_t) image.size);
}

TEST_P (EmbeddedImages, ArrayEndsWhereThePngStreamEnds)
{
    // The array object itself, not just the length handed to the image cache: nothing may follow
    // the IEND chunk (a string literal's terminating NUL would).
    const auto& image = GetParam();
    EXPECT_EQ (image.arrayBytes, (std::size_t) image.size);
    ASSERT_GE (image.arrayBytes, sizeof (iendChunk));
    EXPECT_EQ (std::memcmp (image.data + image.arrayBytes - sizeof (iendChunk), iendChunk, sizeof (iendChunk)), 0);
}

INSTANTIATE_TEST_SUITE_P (AllArtwork, EmbeddedImages, ::testing::ValuesIn (embeddedImages),
                          [] (const auto& info) { return std::string (info.param.role); });

//==============================================================================
namespace
{
    struct ButtonImages
    {
        const char* name;
        EmbeddedImage unlit;
        EmbeddedImage lit;
    };

    std::ostream& operator<< (std::ostream& out, const ButtonImages& pair)
    {
        return out << pair.name;
    }

    // Share of pixels whose colour differs clearly between the two images.
    double differingShare (const juce::Image& a, const juce::Image& b)
    {
        int differing = 0;
        for (int y = 0; y < a.getHeight(); ++y)
            for (int x = 0; x < a.getWidth(); ++x)
            {
                const auto p = a.getPixelAt (x, y);
                const auto q = b.getPixelAt (x, y);
                const int distance = std::abs (p.getRed() - q.getRed()) + std::abs (p.getGreen() - q.getGreen())
                                     + std::abs (p.getBlue() - q.getBlue());
                differing += distance > 48 ? 1 : 0;
            }
        return differing / double (a.getWidth() * a.getHeight());
    }

    const EmbeddedImage& byRole (const char* role)
    {
        for (const auto& image : embeddedImages)
            if (std::strcmp (image.role, role) == 0)
                return image;
        throw std::runtime_error (role);
    }

    std::vector<ButtonImages> buttonImages()
    {
        std::vector<ButtonImages> pairs;
        for (const char* name : { "Rate44", "Rate48", "Rate96", "AboutClose", "MicHIZ", "HIZ", "Line", "Link", "Mic",
                                  "Monitoring", "Mute", "Thumb" })
        {
            const auto base = std::string ("image") + name;
            const auto litSuffix = std::string (name) == "Thumb" ? "Highlighted" : "Down";
            pairs.push_back ({ name, byRole ((base + "Normal").c_str()), byRole ((base + litSuffix).c_str()) });
        }
        return pairs;
    }

    class LitAndUnlitImages : public ::testing::TestWithParam<ButtonImages>
    {};
}

TEST_P (LitAndUnlitImages, HaveOneSizeAndClearlyDifferentFaces)
{
    const auto unlit = load (GetParam().unlit);
    const auto lit = load (GetParam().lit);
    ASSERT_EQ (lit.getBounds(), unlit.getBounds());
    EXPECT_GT (differingShare (unlit, lit), 0.3);
}

INSTANTIATE_TEST_SUITE_P (AllButtons, LitAndUnlitImages, ::testing::ValuesIn (buttonImages()),
                          [] (const auto& info) { return std::string (info.param.name); });

//==============================================================================
// Legibility of the unlit legends, measured on the decoded pixels with the WCAG contrast ratio.
namespace
{
    double linearChannel (juce::uint8 value)
    {
        const double s = value / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow ((s + 0.055) / 1.055, 2.4);
    }

    double relativeLuminance (juce::Colour c)
    {
        return 0.2126 * linearChannel (c.getRed()) + 0.7152 * linearChannel (c.getGreen())
               + 0.0722 * linearChannel (c.getBlue());
    }

    double contrastRatio (double luminanceA, double luminanceB)
    {
        return (std::max (luminanceA, luminanceB) + 0.05) / (std::min (luminanceA, luminanceB) + 0.05);
    }

    struct LegendContrast
    {
        double faceLuminance;
        double strokeContrast;   // what the cores of the letters reach against the face
        int inkPixels;
    };

    // The face is the median of the button's inside (bezel and edge excluded); the legend's ink is
    // every pixel clearly set off from it on the side of the most distinct pixel (so the letters'
    // shadow does not count), and the strokes' cores are the tenth of the ink that stands out most.
    LegendContrast measureLegend (const juce::Image& image)
    {
        std::vector<double> luminances;
        const auto inside = image.getBounds().reduced (2);
        for (int y = inside.getY(); y < inside.getBottom(); ++y)
            for (int x = inside.getX(); x < inside.getRight(); ++x)
                luminances.push_back (relativeLuminance (image.getPixelAt (x, y)));

        auto sorted = luminances;
        std::sort (sorted.begin(), sorted.end());
        const double face = sorted[sorted.size() / 2];
        const bool lightInk = contrastRatio (sorted.back(), face) >= contrastRatio (sorted.front(), face);

        std::vector<double> ink;
        for (const double l : luminances)
            if ((l > face) == lightInk && contrastRatio (l, face) >= 1.5)
                ink.push_back (contrastRatio (l, face));
        if (ink.empty())
            return { face, 1.0, 0 };

        std::sort (ink.begin(), ink.end(), std::greater<>());
        return { face, ink[ink.size() / 10], (int) ink.size() };
    }

    class UnlitLegends : public ::testing::TestWithParam<ButtonImages>
    {};
}

TEST_P (UnlitLegends, StandOutFromTheFaceByAtLeastFourAndAHalfToOne)
{
    // At its own size, and as drawn at the default window of 320 by 290: the panel is 320/380 of its
    // design width there and the buttons keep their images' proportions.
    const auto image = load (GetParam().unlit);
    const double scale = 320.0 / 380.0;
    const auto atDefaultSize = image.rescaled ((int) (image.getWidth() * scale), (int) (image.getHeight() * scale),
                                               juce::Graphics::mediumResamplingQuality);

    for (const auto& [label, picture] : { std::pair { "own size", image }, std::pair { "320 by 290", atDefaultSize } })
    {
        SCOPED_TRACE (label);
        const auto legend = measureLegend (picture);
        EXPECT_GE (legend.inkPixels, 20) << "no legend found";
        EXPECT_GE (legend.strokeContrast, 4.5) << "face luminance " << legend.faceLuminance;
    }
}

INSTANTIATE_TEST_SUITE_P (AllButtons, UnlitLegends,
                          ::testing::ValuesIn (
                              []
                              {
    auto pairs = buttonImages();
    // The fader thumb carries no legend.
    pairs.erase (
        std::remove_if (pairs.begin(), pairs.end(), [] (const auto& p) { return std::string (p.name) == "Thumb"; }),
        pairs.end());
    return pairs;
                          }()),
                          [] (const auto& info) { return std::string (info.param.name); });
