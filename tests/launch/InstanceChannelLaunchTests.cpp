// The real program's single-instance channel under peers that misbehave: a client that sends slowly
// while the program quits, a running instance that is stopped while another launch comes, and a
// launch that has a runtime folder when the running instance had none.
#include <gtest/gtest.h>

#include "LaunchSupport.h"

#include <filesystem>
#include <iostream>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#ifndef TOLVA_APP_PATH
 #error "TOLVA_APP_PATH must name the program under test"
#endif

namespace
{
    using launch::AppProcess;

    const juce::String windowTitle ("Tolva USB v2.0.0.0");
    // Generous: sanitizer builds start slowly.
    constexpr int startTimeoutMs = 30000;
    constexpr int exitTimeoutMs = 20000;
    // The settings store writes 3 s after a change.
    constexpr int saveDelayMs = 3000;
    const juce::Rectangle<int> placed (100, 50, 352, 319);

    class InstanceChannelLaunchTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE (display.isOpen()) << "needs an X display (run under xvfb-run)";
            ASSERT_TRUE (exclusive.isHeld()) << "other launch tests kept the program busy";

            root = juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-channel-launch", "", false);
            runtimeDir = root.getChildFile ("run");
            ASSERT_TRUE (runtimeDir.createDirectory());
            ASSERT_EQ (::chmod (runtimeDir.getFullPathName().toRawUTF8(), 0700), 0);
            // The user data folder exists, as in a user's session: the program's fallback place.
            ASSERT_TRUE (homeOf ("home").getChildFile (".config").createDirectory());
        }

        void TearDown() override
        {
            for (const auto& p : processes)
                if (p->isRunning())
                    ::kill (p->pid(), SIGCONT);

            processes.clear();

            if (HasFailure())
                std::cerr << "program output:\n" << root.getChildFile ("program.log").loadFileAsString() << std::endl;

            std::error_code ignored;
            std::filesystem::remove_all (root.getFullPathName().toStdString(), ignored);
        }

        juce::File homeOf (const juce::String& name) const { return root.getChildFile (name); }

        AppProcess& start (const juce::StringArray& arguments, const juce::String& home, const juce::File& runtime)
        {
            homeOf (home).createDirectory();
            processes.push_back (std::make_unique<AppProcess> (juce::File (TOLVA_APP_PATH), arguments, homeOf (home), runtime,
                                                               root.getChildFile ("program.log")));
            return *processes.back();
        }

        bool hasWindow (AppProcess& app)
        {
            return launch::pollUntil ([&] { return ! display.findWindows (windowTitle, app.pid()).empty() || ! app.isRunning(); },
                                      startTimeoutMs)
                && app.isRunning();
        }

        // A client of the running instance's socket, connected and blocking, or -1.
        int connectToInstance() const
        {
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            runtimeDir.getChildFile ("tolva-usb/instance.sock").getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));

            const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
                return fd;

            ::close (fd);
            return -1;
        }

        static launch::Display& sharedDisplay()
        {
            static launch::Display connection;
            return connection;
        }

        launch::Display& display = sharedDisplay();
        launch::ExclusiveLaunch exclusive { 240000 };
        juce::File root, runtimeDir;
        std::vector<std::unique_ptr<AppProcess>> processes;
    };
}

//==============================================================================
TEST_F (InstanceChannelLaunchTest, QuitWithSlowAndSilentClientsConnectedEndsCleanly)
{
    ASSERT_TRUE (launch::writeWindowPosition (homeOf ("home"), placed.toString()));
    auto& app = start ({}, "home", runtimeDir);
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
    EXPECT_EQ (app.waitForExit (exitTimeoutMs), std::optional<int> (0));
    EXPECT_EQ (launch::storedWindowPosition (homeOf ("home")), placed.toString());

    for (const int fd : clients)
        ::close (fd);
}

TEST_F (InstanceChannelLaunchTest, LaunchFacingAStoppedInstanceOpensItsOwnWindowAndNeverHandsOver)
{
    ASSERT_TRUE (launch::writeWindowPosition (homeOf ("home"), placed.toString()));
    auto& running = start ({}, "home", runtimeDir);
    ASSERT_TRUE (hasWindow (running));

    // The running instance stops, as under a debugger. The reset launch keeps its own settings apart so
    // that only the running instance's file would show a reset.
    ASSERT_EQ (::kill (running.pid(), SIGSTOP), 0);
    auto& second = start ({ "/default" }, "second-home", runtimeDir);
    EXPECT_TRUE (hasWindow (second)) << "the launch did not open its own window";

    // Once the instance goes on, a later hand-over reaches it: the reset queued before it did not.
    ASSERT_EQ (::kill (running.pid(), SIGCONT), 0);
    auto& third = start ({}, "third-home", runtimeDir);
    EXPECT_EQ (third.waitForExit (exitTimeoutMs), std::optional<int> (0)) << "the later launch was not taken";
    EXPECT_TRUE (display.findWindows (windowTitle, third.pid()).empty());

    // A reset would empty the stored window state and write it after the store's delay.
    EXPECT_FALSE (launch::pollUntil ([&] { return launch::storedWindowPosition (homeOf ("home")) != placed.toString(); },
                                     saveDelayMs + 1000));
    EXPECT_TRUE (running.isRunning());
    EXPECT_TRUE (second.isRunning());
}

TEST_F (InstanceChannelLaunchTest, InstanceStartedWithoutRuntimeFolderTakesALaterLaunch)
{
    auto& running = start ({}, "home", juce::File());
    ASSERT_TRUE (hasWindow (running));

    auto& second = start ({}, "home", runtimeDir);
    EXPECT_EQ (second.waitForExit (exitTimeoutMs), std::optional<int> (0)) << "the second launch did not hand over";
    EXPECT_TRUE (display.findWindows (windowTitle, second.pid()).empty());
    EXPECT_TRUE (running.isRunning());
}
