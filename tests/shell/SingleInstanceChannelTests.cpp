// The channel through which a second launch hands its command line to the running instance.
#include <gtest/gtest.h>

#include "SingleInstanceChannel.h"
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    using testing_support::pumpFor;
    using testing_support::pumpUntil;

    int modeOf (const juce::File& f)
    {
        struct stat info {};
        return ::lstat (f.getFullPathName().toRawUTF8(), &info) == 0 ? (int) (info.st_mode & 07777) : -1;
    }

    sockaddr_un addressOf (const juce::File& f)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        f.getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));
        return address;
    }

    // Records what reaches the callback and whether it ran on the message thread.
    struct Received
    {
        SingleInstanceChannel::Callback callback()
        {
            return [this] (const juce::String& text)
            {
                texts.add (text);
                allOnMessageThread = allOnMessageThread && juce::MessageManager::existsAndIsCurrentThread();
            };
        }

        juce::StringArray texts;
        bool allOnMessageThread = true;
    };

    // Sends from another thread, as a second process would. The answer comes from the channel's own
    // thread, so the message thread may simply wait.
    bool sendFromOtherThread (const juce::String& text)
    {
        bool result = false;
        std::thread sender ([&] { result = SingleInstanceChannel::sendToRunningInstance (text); });
        sender.join();
        return result;
    }

    // Each test gets its own runtime folder.
    class SingleInstanceChannelTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            if (const char* old = std::getenv ("XDG_RUNTIME_DIR"))
                savedRuntimeDir = old;

            runtimeDir = juce::File::getSpecialLocation (juce::File::tempDirectory)
                             .getNonexistentChildFile ("tolva-channel", "", false);
            ASSERT_TRUE (runtimeDir.createDirectory());
            ::setenv ("XDG_RUNTIME_DIR", runtimeDir.getFullPathName().toRawUTF8(), 1);
        }

        void TearDown() override
        {
            if (savedRuntimeDir)
                ::setenv ("XDG_RUNTIME_DIR", savedRuntimeDir->c_str(), 1);
            else
                ::unsetenv ("XDG_RUNTIME_DIR");

            // JUCE does not delete socket files.
            std::error_code ignored;
            std::filesystem::remove_all (runtimeDir.getFullPathName().toStdString(), ignored);
        }

        juce::File folder() const { return runtimeDir.getChildFile ("tolva-usb"); }
        juce::File socketFile() const { return folder().getChildFile ("instance.sock"); }

        // What a crashed instance leaves behind: a bound socket file nobody listens on.
        void leaveStaleSocket()
        {
            ASSERT_TRUE (folder().createDirectory());
            const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
            const auto address = addressOf (socketFile());
            ASSERT_EQ (::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)), 0);
            ::close (fd);
            ASSERT_TRUE (socketFile().exists());
        }

        juce::File runtimeDir;
        std::optional<std::string> savedRuntimeDir;
    };
}

//==============================================================================
TEST_F (SingleInstanceChannelTest, SocketLivesInTheRuntimeFolderOrElseTheUserDataFolder)
{
    EXPECT_EQ (SingleInstanceChannel::getSocketFile(), socketFile());

    const auto fallback = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory)
                              .getChildFile ("tolva-usb/instance.sock");
    ::setenv ("XDG_RUNTIME_DIR", runtimeDir.getChildFile ("missing").getFullPathName().toRawUTF8(), 1);
    EXPECT_EQ (SingleInstanceChannel::getSocketFile(), fallback);
    ::unsetenv ("XDG_RUNTIME_DIR");
    EXPECT_EQ (SingleInstanceChannel::getSocketFile(), fallback);
}

TEST_F (SingleInstanceChannelTest, TextOfAnyLengthReachesCallbackIntactOnMessageThread)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    const auto longText = juce::String::repeatedString (juce::CharPointer_UTF8 ("\"a b\" \xc3\xbc\xe2\x82\xac "), 2000);
    const juce::StringArray texts ("/default", "", longText);
    for (const auto& text : texts)
        EXPECT_TRUE (sendFromOtherThread (text));

    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == texts.size(); }));
    EXPECT_EQ (received.texts, texts);
    EXPECT_TRUE (received.allOnMessageThread);
}

TEST_F (SingleInstanceChannelTest, NothingReachedWhenNobodyRuns)
{
    EXPECT_FALSE (SingleInstanceChannel::sendToRunningInstance ("/default"));
    EXPECT_FALSE (socketFile().exists());
}

TEST_F (SingleInstanceChannelTest, FolderAndSocketAreForTheUserOnly)
{
    // A folder left too open is tightened.
    ASSERT_TRUE (folder().createDirectory());
    ::chmod (folder().getFullPathName().toRawUTF8(), 0777);

    SingleInstanceChannel channel ([] (const juce::String&) {});
    ASSERT_TRUE (channel.isListening());
    EXPECT_EQ (modeOf (folder()), 0700);
    EXPECT_EQ (modeOf (socketFile()), 0600);
}

TEST_F (SingleInstanceChannelTest, SecondChannelLeavesTheLiveOneAlone)
{
    Received first, second;
    SingleInstanceChannel running (first.callback());
    ASSERT_TRUE (running.isListening());

    {
        SingleInstanceChannel latecomer (second.callback());
        EXPECT_FALSE (latecomer.isListening());
        EXPECT_TRUE (sendFromOtherThread ("one"));
    }

    // The latecomer's end did not take the running one's socket with it.
    EXPECT_TRUE (sendFromOtherThread ("two"));
    ASSERT_TRUE (pumpUntil ([&] { return first.texts.size() == 2; }));
    EXPECT_EQ (first.texts, juce::StringArray ({ "one", "two" }));
    EXPECT_TRUE (second.texts.isEmpty());
}

TEST_F (SingleInstanceChannelTest, StaleSocketFailsToReachAndIsReplaced)
{
    leaveStaleSocket();
    EXPECT_FALSE (SingleInstanceChannel::sendToRunningInstance ("/default"));

    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());
    EXPECT_EQ (modeOf (socketFile()), 0600);
    EXPECT_TRUE (sendFromOtherThread ("again"));
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 1; }));
    EXPECT_EQ (received.texts[0], "again");
}

TEST_F (SingleInstanceChannelTest, EndedChannelRemovesSocketAndDeliversNothingMore)
{
    Received received;
    auto channel = std::make_unique<SingleInstanceChannel> (received.callback());
    ASSERT_TRUE (channel->isListening());

    // Taken and posted, but the channel ends before the message loop runs.
    EXPECT_TRUE (SingleInstanceChannel::sendToRunningInstance ("late"));
    channel.reset();
    pumpFor (300);

    EXPECT_TRUE (received.texts.isEmpty());
    EXPECT_FALSE (socketFile().exists());
    EXPECT_FALSE (SingleInstanceChannel::sendToRunningInstance ("later"));
}

TEST_F (SingleInstanceChannelTest, OtherUserCannotReachIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";

    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    // Runs a child as "nobody" that connects and sends a command line. Its exit status: 0 when it
    // could not connect, 1 when it connected but got no answer, 2 when its message was taken.
    const auto address = addressOf (socketFile());
    const auto runAsNobody = [&address]
    {
        const pid_t child = ::fork();
        if (child == 0)
        {
            if (::setgroups (0, nullptr) != 0 || ::setgid (65534) != 0 || ::setuid (65534) != 0)
                ::_exit (3);

            const int fd = ::socket (AF_UNIX, SOCK_STREAM, 0);
            if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) != 0)
                ::_exit (0);

            const unsigned char message[] = { 0, 0, 0, 8, '/', 'd', 'e', 'f', 'a', 'u', 'l', 't' };
            char reply = 0;
            const bool taken = ::send (fd, message, sizeof (message), MSG_NOSIGNAL) == (ssize_t) sizeof (message)
                            && ::recv (fd, &reply, 1, 0) == 1;
            ::_exit (taken ? 2 : 1);
        }

        int status = 0;
        ::waitpid (child, &status, 0);
        return WIFEXITED (status) ? WEXITSTATUS (status) : -1;
    };

    // The private folder keeps it out.
    ::chmod (runtimeDir.getFullPathName().toRawUTF8(), 0755);
    EXPECT_EQ (runAsNobody(), 0);

    // With the folder and socket opened up, the uid check still turns it away.
    ::chmod (folder().getFullPathName().toRawUTF8(), 0755);
    ::chmod (socketFile().getFullPathName().toRawUTF8(), 0666);
    EXPECT_EQ (runAsNobody(), 1);

    pumpFor (300);
    EXPECT_TRUE (received.texts.isEmpty());

    // The owner still gets through.
    EXPECT_TRUE (sendFromOtherThread ("owner"));
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 1; }));
    EXPECT_EQ (received.texts[0], "owner");
}
