// The real program started over a settings file it could never have written (one nested 100,000 levels
// deep, one of 2 MB of keys), with and without the reset switch: it opens its window with the defaults
// at once, keeps the file aside, and writes a good file when it quits.
#include <gtest/gtest.h>

#include "LaunchSupport.h"

#include <filesystem>
#include <iostream>

#include <sys/stat.h>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program under test"
#endif

namespace
{
    using launch::AppProcess;
    using launch::Display;
    using launch::WindowId;

    const juce::String windowTitle ("Tolva USB v2.0.0.0");

    // A normal start shows the window in about a tenth of a second. Reading the 2 MB file straight took
    // about 26 s, and the deep file ended the program; the bound leaves ample room for a loaded machine
    // and sanitizer builds while staying far below the first.
    constexpr int windowBoundMs = 10000;
    constexpr int exitTimeoutMs = 20000;

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

    void PrintTo (const StartCase& c, std::ostream* os) { *os << c.name; }

    class UnreadableSettingsLaunch : public ::testing::TestWithParam<StartCase>
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (display.isOpen()) << "needs an X display (run under xvfb-run)";
            ASSERT_TRUE (exclusive.isHeld()) << "other launch tests kept the program busy";

            root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-settings", "", false);
            home = root.getChildFile ("home");
            runtimeDir = root.getChildFile ("run");
            ASSERT_TRUE (home.createDirectory() && runtimeDir.createDirectory());
            ASSERT_EQ (::chmod (runtimeDir.getFullPathName().toRawUTF8(), 0700), 0);
        }

        void TearDown() override
        {
            app.reset();

            if (HasFailure())
                std::cerr << "program output:\n" << root.getChildFile ("program.log").loadFileAsString() << std::endl;

            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        juce::Rectangle<int> centredDefaultBounds() const
        {
            const auto screen = display.screenBounds();
            return { screen.getCentreX() - 160, screen.getCentreY() - 145, 320, 290 };
        }

        // The main window once it stands at the expected bounds, or 0 when the bound passes or the
        // program ends first.
        WindowId waitForWindowAt (juce::Rectangle<int> expected, int timeoutMs)
        {
            WindowId found = 0;
            launch::pollUntil ([&]
            {
                for (const auto window : display.findWindows (windowTitle, app->pid()))
                    if (display.boundsOf (window) == expected)
                        found = window;
                return found != 0 || ! app->isRunning();
            }, timeoutMs);
            return found;
        }

        // The close button; JUCE reads X events when its connection turns readable, so keep it busy.
        std::optional<int> closeAndWaitForExit (WindowId window)
        {
            display.sendCloseRequest (window);
            std::optional<int> exitCode;
            launch::pollUntil ([&]
            {
                exitCode = app->waitForExit (500);
                if (! exitCode)
                    display.nudge (window);
                return exitCode.has_value();
            }, exitTimeoutMs);
            return exitCode;
        }

        static Display& sharedDisplay()
        {
            static Display connection;
            return connection;
        }

        Display& display = sharedDisplay();
        launch::ExclusiveLaunch exclusive { 240000 };
        juce::File root, home, runtimeDir;
        std::unique_ptr<AppProcess> app;
    };
}

TEST_P (UnreadableSettingsLaunch, WindowOpensWithTheDefaultsAndAGoodFileFollows)
{
    const auto content = GetParam().content();
    const auto settings = launch::settingsFile (home);
    ASSERT_TRUE (settings.getParentDirectory().createDirectory());
    ASSERT_TRUE (settings.replaceWithData (content.data(), content.size()));

    const auto started = juce::Time::getMillisecondCounterHiRes();
    app = std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), GetParam().arguments, home, runtimeDir,
                                        root.getChildFile ("program.log"));
    ASSERT_TRUE (app->started());

    const auto window = waitForWindowAt (centredDefaultBounds(), windowBoundMs);
    ASSERT_NE (window, 0u) << "no window at the default place within " << windowBoundMs << " ms; exit "
                           << app->waitForExit (0).value_or (-1);
    std::cout << "window after " << juce::roundToInt (juce::Time::getMillisecondCounterHiRes() - started) << " ms\n";

    EXPECT_EQ (settings.getSiblingFile ("Tolva USB.settings.bad").getSize(), (juce::int64) content.size());

    EXPECT_EQ (closeAndWaitForExit (window), std::optional<int> (0));
    EXPECT_EQ (launch::storedWindowPosition (home), centredDefaultBounds().toString());
}

INSTANTIATE_TEST_SUITE_P (
    NeverWritten, UnreadableSettingsLaunch,
    ::testing::Values (StartCase { "deep", deepFile, {} },
                       StartCase { "deepWithReset", deepFile, { "/default" } },
                       StartCase { "manyKeys", fileOfManyKeys, {} },
                       StartCase { "manyKeysWithReset", fileOfManyKeys, { "/default" } }),
    [] (const auto& info) { return std::string (info.param.name); });
