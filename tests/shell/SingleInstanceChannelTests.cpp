// The channel through which a second launch hands its command line to the running instance.
#include <gtest/gtest.h>

#include "SingleInstanceChannel.h"
#include "TestSupport.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include <grp.h>
#include <poll.h>
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
        struct stat info
        {};
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

    using Clock = std::chrono::steady_clock;

    long long msSince (Clock::time_point start)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds> (Clock::now() - start).count();
    }

    // Runs the action on a thread of its own, which alone holds it; its result, or nothing when it has
    // not finished within the timeout (it is then left running: it must own everything it uses).
    template <typename Action>
    auto finishesWithin (int timeoutMs, Action action) -> std::optional<decltype (action())>
    {
        auto promise = std::make_shared<std::promise<decltype (action())>>();
        auto result = promise->get_future();
        std::thread ([promise, action = std::move (action)]() mutable { promise->set_value (action()); }).detach();

        if (result.wait_for (std::chrono::milliseconds (timeoutMs)) != std::future_status::ready)
            return std::nullopt;

        return result.get();
    }

    std::optional<bool> sendWithin (int watchdogMs, const juce::String& text, int timeoutMs,
                                    const juce::Array<juce::File>& folders)
    {
        return finishesWithin (watchdogMs,
                               [=] { return SingleInstanceChannel::sendToRunningInstance (text, timeoutMs, folders); });
    }

    // A blocking client socket connected to the socket file, or -1.
    int connectTo (const juce::File& socket)
    {
        const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const auto address = addressOf (socket);
        if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
            return fd;

        ::close (fd);
        return -1;
    }

    // The 4-byte big-endian length and the text.
    std::string framed (const std::string& text, uint32_t size)
    {
        return std::string { (char) (size >> 24), (char) (size >> 16), (char) (size >> 8), (char) size } + text;
    }

    std::string framed (const std::string& text)
    {
        return framed (text, (uint32_t) text.size());
    }

    bool sendBytes (int fd, const std::string& bytes)
    {
        return ::send (fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == (ssize_t) bytes.size();
    }

    // The next byte from the peer, or nothing when it closed the connection or the timeout passed.
    std::optional<char> nextByte (int fd, int timeoutMs)
    {
        pollfd entry { fd, POLLIN, 0 };
        char byte = 0;
        if (::poll (&entry, 1, timeoutMs) == 1 && ::recv (fd, &byte, 1, MSG_DONTWAIT) == 1)
            return byte;
        return std::nullopt;
    }

    // Whether the peer has closed the connection, waiting up to the timeout.
    bool closedByPeer (int fd, int timeoutMs)
    {
        pollfd entry { fd, POLLIN, 0 };
        char byte = 0;
        return ::poll (&entry, 1, timeoutMs) == 1 && ::recv (fd, &byte, 1, MSG_DONTWAIT) == 0;
    }

    // A running instance that has stopped (a debugger, SIGSTOP): its socket listens, nothing accepts.
    struct FrozenListener
    {
        FrozenListener (const juce::File& folder, int backlog)
        {
            folder.createDirectory();
            ::chmod (folder.getFullPathName().toRawUTF8(), 0700);
            const auto address = addressOf (folder.getChildFile ("instance.sock"));
            fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            bound = ::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0
                    && ::listen (fd, backlog) == 0;
        }

        // Queues connections until the kernel refuses more: a connect then has to wait.
        bool fillBacklog()
        {
            for (int i = 0; i < 64; ++i)
            {
                const int client = ::socket (AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
                const auto address = addressOf (socketFile());
                const bool connected = ::connect (client, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;
                if (! connected)
                {
                    ::close (client);
                    return errno == EAGAIN;
                }
                queued.push_back (client);
            }
            return false;
        }

        juce::File socketFile() const
        {
            sockaddr_un address {};
            socklen_t length = sizeof (address);
            ::getsockname (fd, reinterpret_cast<sockaddr*> (&address), &length);
            return juce::File (address.sun_path);
        }

        ~FrozenListener()
        {
            for (const int client : queued)
                ::close (client);
            ::close (fd);
        }

        int fd = -1;
        bool bound = false;
        std::vector<int> queued;
    };

    // Each test gets its own runtime folder.
    class SingleInstanceChannelTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            if (const char* old = std::getenv ("XDG_RUNTIME_DIR"))
                savedRuntimeDir = old;

            runtimeDir =
                juce::File::getSpecialLocation (juce::File::tempDirectory).getNonexistentChildFile ("tolva-channel", "", false);
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
        juce::File otherFolder() const { return runtimeDir.getChildFile ("fallback"); }
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

        // The user data folder lies in the test run's own home.
        const juce::File configDir = juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory);
        juce::File runtimeDir;
        std::optional<std::string> savedRuntimeDir;
    };
}

//==============================================================================
TEST_F (SingleInstanceChannelTest, FoldersAreTheRuntimeFolderThenTheUserDataFolderThenTmp)
{
    const auto userData = configDir.getChildFile ("tolva-usb");
    const juce::File tmp (juce::String (std::getenv ("TMPDIR")) + "/tolva-usb-" + juce::String ((int) ::geteuid()));

    EXPECT_EQ (SingleInstanceChannel::candidateFolders(), juce::Array<juce::File> ({ folder(), userData, tmp }));

    // The runtime folder counts whether or not it exists yet: a launch looks there in any case.
    ::setenv ("XDG_RUNTIME_DIR", runtimeDir.getChildFile ("missing").getFullPathName().toRawUTF8(), 1);
    EXPECT_EQ (SingleInstanceChannel::candidateFolders()[0], runtimeDir.getChildFile ("missing/tolva-usb"));

    ::setenv ("XDG_RUNTIME_DIR", "relative/run", 1);
    EXPECT_EQ (SingleInstanceChannel::candidateFolders(), juce::Array<juce::File> ({ userData, tmp }));
    ::unsetenv ("XDG_RUNTIME_DIR");
    EXPECT_EQ (SingleInstanceChannel::candidateFolders(), juce::Array<juce::File> ({ userData, tmp }));

    // A temporary folder that is no absolute path is no place to look: /tmp is.
    const juce::String savedTemporary (std::getenv ("TMPDIR"));
    ::setenv ("TMPDIR", "relative/tmp", 1);
    EXPECT_EQ (SingleInstanceChannel::candidateFolders().getLast(),
               juce::File ("/tmp/tolva-usb-" + juce::String ((int) ::geteuid())));
    ::setenv ("TMPDIR", savedTemporary.toRawUTF8(), 1);
}

TEST_F (SingleInstanceChannelTest, InstanceStartedWithoutRuntimeFolderIsFoundOnceItAppears)
{
    ::unsetenv ("XDG_RUNTIME_DIR");
    ASSERT_TRUE (configDir.createDirectory());
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());
    EXPECT_EQ (channel.getSocketFile(), configDir.getChildFile ("tolva-usb/instance.sock"));

    // A later launch has the runtime folder: nobody there, so it goes on to the next folder.
    ::setenv ("XDG_RUNTIME_DIR", runtimeDir.getFullPathName().toRawUTF8(), 1);
    EXPECT_TRUE (sendFromOtherThread ("/default"));
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 1; }));
    EXPECT_EQ (received.texts[0], "/default");
    EXPECT_FALSE (folder().exists());
    configDir.getChildFile ("tolva-usb").deleteRecursively();
}

TEST_F (SingleInstanceChannelTest, TextOfAnyLengthReachesCallbackIntactOnMessageThread)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    const auto longText = juce::String::repeatedString (juce::CharPointer_UTF8 ("\"a b\" \xc3\xbc\xe2\x82\xac "), 2000);
    const auto longestText = juce::String::repeatedString ("y", (int) SingleInstanceChannel::maxMessageBytes);
    const juce::StringArray texts ("/default", "", longText, longestText);
    for (const auto& text : texts)
        EXPECT_TRUE (sendFromOtherThread (text));

    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == texts.size(); }));
    EXPECT_EQ (received.texts, texts);
    EXPECT_TRUE (received.allOnMessageThread);
}

TEST_F (SingleInstanceChannelTest, TextLongerThanAMessageArrivesCutToTheWholeCharactersThatFit)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    // 21,846 three-byte characters make 65,538 bytes: the limit falls inside the last one.
    const juce::String euro (juce::CharPointer_UTF8 ("\xe2\x82\xac"));
    const auto limit = (int) SingleInstanceChannel::maxMessageBytes;
    EXPECT_TRUE (sendFromOtherThread (juce::String::repeatedString (euro, limit / 3 + 1)));
    EXPECT_TRUE (sendFromOtherThread (juce::String::repeatedString ("x", limit + 1000)));

    // Compared whole, reported by size: a failure would print 64 KiB otherwise.
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 2; }));
    EXPECT_EQ (received.texts[0].getNumBytesAsUTF8(), (size_t) limit - 1);
    EXPECT_TRUE (received.texts[0] == juce::String::repeatedString (euro, limit / 3));
    EXPECT_EQ (received.texts[1].getNumBytesAsUTF8(), (size_t) limit);
    EXPECT_TRUE (received.texts[1] == juce::String::repeatedString ("x", limit));
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

//==============================================================================
TEST_F (SingleInstanceChannelTest, UnusableFolderIsPassedOverByEveryLaunch)
{
    const auto good = otherFolder();
    const auto target = runtimeDir.getChildFile ("target");
    ASSERT_TRUE (target.createDirectory());

    struct Case
    {
        const char* what;
        juce::File bad;
        std::function<bool (const juce::File&)> make;
    };

    const Case cases[] = {
        { "a symlink to a folder of ours", folder(),
          [&] (const juce::File& f)
          { return ::symlink (target.getFullPathName().toRawUTF8(), f.getFullPathName().toRawUTF8()) == 0; } },
        { "a regular file", folder(), [] (const juce::File& f) { return f.replaceWithText ("x"); } },
        { "another user's folder", folder(),
          [] (const juce::File& f)
          { return f.createDirectory() && ::chown (f.getFullPathName().toRawUTF8(), 65534, 65534) == 0; } },
        { "a socket path longer than an address holds",
          runtimeDir.getChildFile (juce::String::repeatedString ("x", 100)), [] (const juce::File&) { return true; } },
        { "a runtime folder that does not exist", runtimeDir.getChildFile ("missing/tolva-usb"),
          [] (const juce::File&) { return true; } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        if (juce::String (c.what) == "another user's folder" && ::geteuid() != 0)
            continue;

        ASSERT_TRUE (c.make (c.bad));
        const juce::Array<juce::File> folders { c.bad, good };

        Received received;
        {
            SingleInstanceChannel channel (received.callback(), folders);
            ASSERT_TRUE (channel.isListening());
            EXPECT_EQ (channel.getSocketFile(), good.getChildFile ("instance.sock"));
            EXPECT_EQ (modeOf (good), 0700);

            EXPECT_TRUE (sendWithin (20000, "text", SingleInstanceChannel::handOverTimeoutMs, folders).value_or (false));
            ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 1; }));
        }

        // Nothing was placed in or through the unusable folder.
        EXPECT_FALSE (target.getChildFile ("instance.sock").exists());
        EXPECT_FALSE (c.bad.getChildFile ("instance.sock").exists());
        EXPECT_FALSE (c.bad.getParentDirectory().getChildFile ("missing").exists());
        EXPECT_FALSE (c.bad.getFileName().length() > 50 && c.bad.exists());

        std::error_code ignored;
        std::filesystem::remove_all (c.bad.getFullPathName().toStdString(), ignored);
        std::filesystem::remove_all (good.getFullPathName().toStdString(), ignored);
    }
}

TEST_F (SingleInstanceChannelTest, DrippingPeerIsCutOffAtItsDeadline)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    // One byte of a 100-byte text every 300 ms: every wait for the next byte is short, the whole
    // message would take 30 s.
    const auto start = Clock::now();
    const int fd = connectTo (socketFile());
    ASSERT_GE (fd, 0);
    ASSERT_TRUE (sendBytes (fd, framed ({}, 100)));

    int dripped = 0;
    bool cutOff = false;
    while (! cutOff && dripped < 100)
    {
        cutOff = ! sendBytes (fd, "x") || closedByPeer (fd, 300);
        ++dripped;
    }
    const auto elapsed = msSince (start);
    ::close (fd);

    EXPECT_TRUE (cutOff);
    EXPECT_LT (dripped, 100);
    EXPECT_GE (elapsed, SingleInstanceChannel::peerDeadlineMs);

    pumpFor (100);
    EXPECT_TRUE (received.texts.isEmpty());
}

TEST_F (SingleInstanceChannelTest, EndsAtOnceWithSlowAndSilentPeersConnected)
{
    Received received;
    auto channel = std::make_shared<SingleInstanceChannel> (received.callback());
    ASSERT_TRUE (channel->isListening());

    // Mid-message, and silent ones; the hand-over after them shows they were all taken in.
    std::vector<int> peers;
    for (int i = 0; i < 4; ++i)
        peers.push_back (connectTo (socketFile()));
    ASSERT_TRUE (sendBytes (peers[0], framed ({}, 100) + "x"));
    ASSERT_TRUE (sendFromOtherThread ("served"));

    EXPECT_TRUE (finishesWithin (10000,
                                 [channel = std::move (channel)]() mutable
                                 {
        channel.reset();
        return true;
    })) << "the channel did not end while peers were connected";

    for (const int fd : peers)
    {
        EXPECT_TRUE (closedByPeer (fd, 5000));
        ::close (fd);
    }
}

TEST_F (SingleInstanceChannelTest, SilentPeersDoNotDelayAHandOver)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    // More than are served at once: the oldest make room.
    std::vector<int> silent;
    for (int i = 0; i < SingleInstanceChannel::maxPeers + 2; ++i)
        silent.push_back (connectTo (socketFile()));

    EXPECT_TRUE (sendFromOtherThread ("/default"));
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 1; }));
    EXPECT_EQ (received.texts[0], "/default");

    for (const int fd : silent)
        ::close (fd);
}

TEST_F (SingleInstanceChannelTest, TextIsDeliveredOnlyAfterTheCommit)
{
    Received received;
    SingleInstanceChannel channel (received.callback());
    ASSERT_TRUE (channel.isListening());

    struct Case
    {
        const char* what;
        std::string before;
        bool acknowledged;
        std::string after;
    };
    const std::string text = framed ("/default");
    const Case cases[] = {
        { "no commit after the acknowledgement", text, true, {} },
        { "commit sent before the acknowledgement", text + "\x02", false, {} },
        { "a wrong commit byte", text, true, "\x01" },
        { "commit after the acknowledgement", text, true, "\x02" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.what);
        const int fd = connectTo (socketFile());
        ASSERT_TRUE (sendBytes (fd, c.before));
        const auto reply = nextByte (fd, 5000);
        EXPECT_EQ (reply, c.acknowledged ? std::optional<char> (1) : std::nullopt);

        if (reply && ! c.after.empty())
        {
            ASSERT_TRUE (sendBytes (fd, c.after));
            EXPECT_TRUE (closedByPeer (fd, 5000));
        }
        ::close (fd);
    }

    // The one committed text arrives; a hand-over after it shows the others were done with.
    ASSERT_TRUE (sendFromOtherThread ("last"));
    ASSERT_TRUE (pumpUntil ([&] { return received.texts.size() == 2; }));
    EXPECT_EQ (received.texts, juce::StringArray ({ "/default", "last" }));
}

TEST_F (SingleInstanceChannelTest, LaunchThatGaveUpNeverCommits)
{
    FrozenListener running (folder(), 8);
    ASSERT_TRUE (running.bound);

    // The sender gives up before the running instance answers; the answer then comes late.
    auto sender = std::async (std::launch::async, [folders = juce::Array<juce::File> { folder() }]
                              { return SingleInstanceChannel::sendToRunningInstance ("/default", 300, folders); });

    const int fd = ::accept4 (running.fd, nullptr, nullptr, SOCK_CLOEXEC);
    ASSERT_GE (fd, 0);
    std::string received (framed ("/default").size(), '\0');
    ASSERT_EQ (::recv (fd, received.data(), received.size(), MSG_WAITALL), (ssize_t) received.size());
    EXPECT_EQ (received, framed ("/default"));

    EXPECT_EQ (sender.wait_for (std::chrono::seconds (10)), std::future_status::ready) << "the sender did not give up";
    // The sender may be gone already; if not, it must not answer the late acknowledgement.
    const char ack = 1;
    ::send (fd, &ack, 1, MSG_NOSIGNAL);
    EXPECT_NE (nextByte (fd, 2000), std::optional<char> (2)) << "the sender committed after giving up";
    EXPECT_FALSE (sender.get());
    ::close (fd);
}

TEST_F (SingleInstanceChannelTest, FrozenInstanceIsGivenUpOnInTime)
{
    // Connected but never answered.
    {
        FrozenListener frozen (folder(), 8);
        ASSERT_TRUE (frozen.bound);
        const auto start = Clock::now();
        EXPECT_EQ (sendWithin (20000, "/default", 300, { folder() }), std::optional<bool> (false));
        EXPECT_GE (msSince (start), 300);
    }

    std::error_code ignored;
    std::filesystem::remove_all (folder().getFullPathName().toStdString(), ignored);

    // Its queue full, so a connect would wait for ever.
    FrozenListener frozen (folder(), 0);
    ASSERT_TRUE (frozen.bound);
    ASSERT_TRUE (frozen.fillBacklog());

    const auto start = Clock::now();
    EXPECT_EQ (sendWithin (20000, "/default", 300, { folder() }), std::optional<bool> (false));
    EXPECT_GE (msSince (start), 300);

    // A new instance sees the socket in use and does not take it over.
    const auto listening =
        finishesWithin (20000, [folders = juce::Array<juce::File> { folder() }]
                        { return SingleInstanceChannel ([] (const juce::String&) {}, folders).isListening(); });
    EXPECT_EQ (listening, std::optional<bool> (false));
    EXPECT_TRUE (socketFile().exists());
}
