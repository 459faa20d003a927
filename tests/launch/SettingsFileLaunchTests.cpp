// The real program started over a settings file it could never have written (one nested 100,000 levels
// deep, one of 2 MB of keys), with and without the reset switch, or over a FIFO at the settings path: it
// opens its window with the defaults at once, keeps what stood there aside, and writes a good file when
// it quits.
#include "ProgramFixture.h"

#include <sys/stat.h>

namespace
{
    using namespace launch;

    // A normal start shows the window in about a tenth of a second. Reading the 2 MB file straight took
    // about 26 s, the deep file ended the program and a FIFO held the start for ever; the bound leaves
    // ample room for a loaded machine and sanitizer builds while staying far below the first.
    constexpr int windowBoundMs = 10000;

    std::string deepFile()
    {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<PROPERTIES>";
        for (int i = 0; i < 100000; ++i)
            text += "<VALUE>";
        return text;
    }

    std::string fileOfManyKeys()
    {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<PROPERTIES>\n";
        for (int i = 0; text.size() < 2000000; ++i)
            text += "  <VALUE name=\"k" + std::to_string (i) + "\" val=\"v\"/>\n";
        return text + "</PROPERTIES>\n";
    }

    // What stands at a path: "file of <n> bytes", "fifo", "other" or "none".
    std::string entryAt (const juce::File& file)
    {
        struct stat info;
        if (::lstat (file.getFullPathName().toRawUTF8(), &info) != 0)
            return "none";
        if (S_ISFIFO (info.st_mode))
            return "fifo";
        return S_ISREG (info.st_mode) ? "file of " + std::to_string (info.st_size) + " bytes" : "other";
    }

    bool putFile (const juce::File& settings, const std::string& content)
    {
        return settings.getParentDirectory().createDirectory() && settings.replaceWithData (content.data(), content.size());
    }

    // A FIFO that no one writes to: opening it to read blocks for ever.
    bool putFifo (const juce::File& settings)
    {
        return settings.getParentDirectory().createDirectory() && ::mkfifo (settings.getFullPathName().toRawUTF8(), 0600) == 0;
    }

    struct StartCase
    {
        const char* name;
        bool (*put) (const juce::File& settings);   // what stands at the settings path at the start
        juce::StringArray arguments;
    };

    void PrintTo (const StartCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    bool putDeepFile (const juce::File& settings)
    {
        return putFile (settings, deepFile());
    }

    bool putFileOfManyKeys (const juce::File& settings)
    {
        return putFile (settings, fileOfManyKeys());
    }

    class UnreadableSettingsLaunch : public ProgramTest,
                                     public ::testing::WithParamInterface<StartCase>
    {};
}

TEST_P (UnreadableSettingsLaunch, WindowOpensWithTheDefaultsAndAGoodFileFollows)
{
    const auto settings = launch::settingsFile (home);
    ASSERT_TRUE (GetParam().put (settings));
    const auto placed = entryAt (settings);

    const auto started = juce::Time::getMillisecondCounterHiRes();
    auto& app = start (GetParam().arguments);
    ASSERT_TRUE (app.started());

    const auto window = waitForWindowAt (app, centredDefaultBounds(), windowBoundMs);
    ASSERT_NE (window, 0u) << "no window at the default place within " << windowBoundMs << " ms; exit "
                           << app.waitForExit (0).value_or (-1);
    std::cout << "window after " << juce::roundToInt (juce::Time::getMillisecondCounterHiRes() - started) << " ms\n";

    EXPECT_EQ (entryAt (settings.getSiblingFile ("Tolva USB.settings.bad1")), placed);

    closeAndExpectExit (app, window);
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
    EXPECT_EQ (entryAt (settings.getSiblingFile ("Tolva USB.settings.bad1")), placed);
    EXPECT_TRUE (log().loadFileAsString().contains ("Tolva USB: the settings file " + settings.getFullPathName()
                                                    + " could not be read"));
}

INSTANTIATE_TEST_SUITE_P (NeverWritten, UnreadableSettingsLaunch,
                          ::testing::Values (StartCase { "deep", putDeepFile, {} },
                                             StartCase { "deepWithReset", putDeepFile, { "/default" } },
                                             StartCase { "manyKeys", putFileOfManyKeys, {} },
                                             StartCase { "manyKeysWithReset", putFileOfManyKeys, { "/default" } },
                                             StartCase { "fifo", putFifo, {} }),
                          [] (const auto& info) { return std::string (info.param.name); });
