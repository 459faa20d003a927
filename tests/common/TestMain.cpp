// Test entry: the main thread becomes JUCE's message thread for the whole run, as in the program.
#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdlib>

#include <BrokenPipeGuard.h>

int main (int argc, char** argv)
{
    // As in the program: a write to a pipe or socket whose reader has gone fails with EPIPE, for the
    // test to report, instead of ending the test program without a word.
    guardAgainstBrokenPipes();
    ::testing::InitGoogleTest (&argc, argv);

    // Settings files of the program under test land in a home folder of this run (JUCE places the
    // user application-data directory at ~/.config), never in the user's own.
    const auto testHome = juce::File::createTempFile ("tolva-test-home");
    testHome.createDirectory();
    setenv ("HOME", testHome.getFullPathName().toRawUTF8(), 1);
    // So is the temporary folder, where the single-instance channel falls back to: tests running side
    // by side never meet each other's instances there.
    const auto testTemporary = testHome.getChildFile ("tmp");
    testTemporary.createDirectory();
    setenv ("TMPDIR", testTemporary.getFullPathName().toRawUTF8(), 1);

    // Run as the program does: JUCE then installs its X error handlers, which ignore the window-manager
    // atoms that a bare X server lacks, instead of Xlib's default handler ending the process.
    juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return nullptr; };

    juce::ScopedJuceInitialiser_GUI juce;
    const int result = RUN_ALL_TESTS();
    juce::DeletedAtShutdown::deleteAll();
    testHome.deleteRecursively();
    return result;
}
