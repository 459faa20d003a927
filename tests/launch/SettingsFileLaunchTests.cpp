// The real program started over a settings file it could never have written (one nested 100,000 levels
// deep, one of 2 MB of keys), with and without the reset switch: it opens its window with the defaults
// at once, keeps the file aside, and writes a good file when it quits.
#include "ProgramFixture.h"

namespace
{
    using namespace launch;

    // A normal start shows the window in about a tenth of a second. Reading the 2 MB file straight took
    // about 26 s, and the deep file ended the program; the bound leaves ample room for a loaded machine
    // and sanitizer builds while staying far below the first.
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

    struct StartCase
    {
        const char* name;
        std::string (*content)();
        juce::StringArray arguments;
    };

    void PrintTo (const StartCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class UnreadableSettingsLaunch : public ProgramTest,
                                     public ::testing::WithParamInterface<StartCase>
    {};
}

TEST_P (UnreadableSettingsLaunch, WindowOpensWithTheDefaultsAndAGoodFileFollows)
{
    const auto content = GetParam().content();
    const auto settings = launch::settingsFile (home);
    ASSERT_TRUE (settings.getParentDirectory().createDirectory());
    ASSERT_TRUE (settings.replaceWithData (content.data(), content.size()));

    const auto started = juce::Time::getMillisecondCounterHiRes();
    auto& app = start (GetParam().arguments);
    ASSERT_TRUE (app.started());

    const auto window = waitForWindowAt (app, centredDefaultBounds(), windowBoundMs);
    ASSERT_NE (window, 0u) << "no window at the default place within " << windowBoundMs << " ms; exit "
                           << app.waitForExit (0).value_or (-1);
    std::cout << "window after " << juce::roundToInt (juce::Time::getMillisecondCounterHiRes() - started) << " ms\n";

    EXPECT_EQ (settings.getSiblingFile ("Tolva USB.settings.bad").getSize(), (juce::int64) content.size());

    closeAndExpectExit (app, window);
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
}

INSTANTIATE_TEST_SUITE_P (NeverWritten, UnreadableSettingsLaunch,
                          ::testing::Values (StartCase { "deep", deepFile, {} },
                                             StartCase { "deepWithReset", deepFile, { "/default" } },
                                             StartCase { "manyKeys", fileOfManyKeys, {} },
                                             StartCase { "manyKeysWithReset", fileOfManyKeys, { "/default" } }),
                          [] (const auto& info) { return std::string (info.param.name); });
