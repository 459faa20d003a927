// The real program's single-instance channel under peers that misbehave: a client that sends slowly
// while the program quits, a running instance that is stopped while another launch comes, and a
// launch that has a runtime folder when the running instance had none.
#include "ProgramFixture.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    using namespace launch;

    // The settings store writes 3 s after a change.
    constexpr int saveDelayMs = 3000;
    const juce::Rectangle<int> placed (100, 50, 352, 319);

    class InstanceChannelLaunchTest : public ProgramTest
    {
    protected:
        void SetUp() override
        {
            ProgramTest::SetUp();
            // The user data folder exists, as in a user's session: the program's fallback place.
            ASSERT_TRUE (home.getChildFile (".config").createDirectory());
        }

        // The program started with a home folder of this name beside the session's.
        AppProcess& startAs (const juce::String& homeName, const juce::File& runtime, const juce::StringArray& arguments = {})
        {
            const auto otherHome = root.getChildFile (homeName);
            otherHome.createDirectory();
            return startIn (otherHome, runtime, arguments);
        }

        bool hasWindow (AppProcess& app)
        {
            return pollUntil ([&]
                              { return ! display.findWindows (mainWindowTitle, app.pid()).empty() || ! app.isRunning(); },
                              programStartTimeoutMs)
                   && app.isRunning();
        }

        // A client of the running instance's socket, connected and blocking, or -1.
        int connectToInstance() const
        {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            runtimeDir.getChildFile ("tolva-usb/instance.sock")
                .getFullPathName()
                .copyToUTF8 (address.sun_path, sizeof (address.sun_path));

            const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
                return fd;

            ::close (fd);
            return -1;
        }
    };
}

//==============================================================================
TEST_F (InstanceChannelLaunchTest, QuitWithSlowAndSilentClientsConnectedEndsCleanly)
{
    ASSERT_TRUE (launch::writeWindowPosition (home, placed.toString()));
    auto& app = start();
    ASSERT_TRUE (hasWindow (app));

    // One client in the middle of a 100-byte message, three that say nothing.
    std::vector<int> clients;
    for (int i = 0; i < 4; ++i)
        clients.push_back (connectToInstance());
    ASSERT_GE (clients[0], 0);
    const unsigned char partial[] = { 0, 0, 0, 100, 'x' };
    ASSERT_EQ (::send (clients[0], partial, sizeof (partial), MSG_NOSIGNAL), (ssize_t) sizeof (partial));

    // Quit while they are connected: a normal end, with the window state stored.
    app.interrupt();
    EXPECT_EQ (app.waitForExit (programExitTimeoutMs), std::optional<int> (0));
    EXPECT_EQ (launch::storedWindowPosition (home), placed.toString());

    for (const int fd : clients)
        ::close (fd);
}

TEST_F (InstanceChannelLaunchTest, LaunchFacingAStoppedInstanceOpensItsOwnWindowAndNeverHandsOver)
{
    ASSERT_TRUE (launch::writeWindowPosition (home, placed.toString()));
    auto& running = start();
    ASSERT_TRUE (hasWindow (running));

    // The running instance stops, as under a debugger. The reset launch keeps its own settings apart so
    // that only the running instance's file would show a reset.
    ASSERT_EQ (::kill (running.pid(), SIGSTOP), 0);
    auto& second = startAs ("second-home", runtimeDir, { "/default" });
    EXPECT_TRUE (hasWindow (second)) << "the launch did not open its own window";

    // Once the instance goes on, a later hand-over reaches it, even with a command line longer than the
    // channel carries: the reset queued before it did not.
    ASSERT_EQ (::kill (running.pid(), SIGCONT), 0);
    auto& third = startAs ("third-home", runtimeDir, { juce::String::repeatedString ("x", 70000) });
    EXPECT_EQ (third.waitForExit (programExitTimeoutMs), std::optional<int> (0)) << "the later launch was not taken";
    EXPECT_TRUE (display.findWindows (mainWindowTitle, third.pid()).empty());

    // A reset would empty the stored window state and write it after the store's delay.
    EXPECT_FALSE (launch::pollUntil ([&] { return launch::storedWindowPosition (home) != placed.toString(); },
                                     saveDelayMs + 1000));
    EXPECT_TRUE (running.isRunning());
    EXPECT_TRUE (second.isRunning());
}

TEST_F (InstanceChannelLaunchTest, InstanceStartedWithoutRuntimeFolderTakesALaterLaunch)
{
    auto& running = startIn (home, juce::File());
    ASSERT_TRUE (hasWindow (running));

    auto& second = start();
    EXPECT_EQ (second.waitForExit (programExitTimeoutMs), std::optional<int> (0)) << "the second launch did not hand over";
    EXPECT_TRUE (display.findWindows (mainWindowTitle, second.pid()).empty());
    EXPECT_TRUE (running.isRunning());
}
