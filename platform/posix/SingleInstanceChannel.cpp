#include "SingleInstanceChannel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    using Clock = std::chrono::steady_clock;

    constexpr char ackByte = 1;
    constexpr char commitByte = 2;
    constexpr size_t headerBytes = 4;

    // Closes a descriptor when it goes out of scope.
    struct ScopedFd
    {
        explicit ScopedFd (int f = -1) noexcept : fd (f) {}
        ~ScopedFd() { reset(); }
        ScopedFd (ScopedFd&& other) noexcept : fd (other.release()) {}
        ScopedFd& operator= (ScopedFd&& other) noexcept
        {
            reset (other.release());
            return *this;
        }
        int release() noexcept
        {
            const int f = fd;
            fd = -1;
            return f;
        }
        void reset (int f = -1) noexcept
        {
            if (fd >= 0)
                ::close (fd);
            fd = f;
        }
        int fd;
    };

    // Milliseconds left until the deadline, never negative, rounded up so a wait does not end early.
    int msUntil (Clock::time_point deadline)
    {
        const auto left = std::chrono::ceil<std::chrono::milliseconds> (deadline - Clock::now()).count();
        return (int) std::clamp<long long> (left, 0, 60000);
    }

    bool makeAddress (const juce::File& file, sockaddr_un& address)
    {
        const auto path = file.getFullPathName().toStdString();
        std::memset (&address, 0, sizeof (address));
        address.sun_family = AF_UNIX;

        if (path.size() >= sizeof (address.sun_path))
            return false;

        std::memcpy (address.sun_path, path.c_str(), path.size());
        return true;
    }

    bool isOurDirectory (const struct stat& info)
    {
        return S_ISDIR (info.st_mode) && info.st_uid == ::geteuid();
    }

    // Creates the folder as 0700 or tightens our own; refuses a symlink, anything but a directory and
    // a folder of another user. Parents are not created: a missing parent makes the folder unusable.
    bool preparePrivateFolder (const juce::File& folder)
    {
        const auto path = folder.getFullPathName().toStdString();

        if (::mkdir (path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;

        ScopedFd dir (::open (path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat info
        {};
        if (dir.fd < 0 || ::fstat (dir.fd, &info) != 0 || ! isOurDirectory (info))
            return false;

        return (info.st_mode & 07777) == 0700 || ::fchmod (dir.fd, 0700) == 0;
    }

    // What a launch looks for: a real directory of ours (a listener has made it private).
    bool mayHoldOurSocket (const juce::File& folder)
    {
        struct stat info
        {};
        return ::lstat (folder.getFullPathName().toRawUTF8(), &info) == 0 && isOurDirectory (info);
    }

    bool peerIsSameUser (int fd)
    {
        ucred peer {};
        socklen_t length = sizeof (peer);
        return ::getsockopt (fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::geteuid();
    }

    int openStreamSocket()
    {
        return ::socket (AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    }

    enum class Reach
    {
        connected,
        nobody,
        busy
    };

    // One non-blocking connect. A Unix socket whose backlog is full (its owner stopped accepting)
    // answers "busy" at once instead of blocking.
    Reach tryConnect (int fd, const sockaddr_un& address)
    {
        if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
            return Reach::connected;

        return errno == EAGAIN || errno == EINPROGRESS ? Reach::busy : Reach::nobody;
    }

    // Connects before the deadline, trying again while the listener's backlog is full.
    Reach connectBefore (int fd, const sockaddr_un& address, Clock::time_point deadline)
    {
        for (;;)
        {
            const auto reach = tryConnect (fd, address);
            if (reach != Reach::busy)
                return reach;
            if (Clock::now() >= deadline)
                return Reach::busy;

            std::this_thread::sleep_for (
                std::min (std::chrono::milliseconds (20), std::chrono::milliseconds (msUntil (deadline))));
        }
    }

    // Waits until the socket is ready for the given events or the deadline passes.
    bool waitFor (int fd, short events, Clock::time_point deadline)
    {
        for (;;)
        {
            pollfd entry { fd, events, 0 };
            const int ready = ::poll (&entry, 1, msUntil (deadline));

            if (ready > 0)
                return true;
            if (ready == 0 || errno != EINTR)
                return false;
        }
    }

    bool sendAllBefore (int fd, const char* bytes, size_t size, Clock::time_point deadline)
    {
        while (size > 0)
        {
            const auto sent = ::send (fd, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);

            if (sent > 0)
            {
                bytes += sent;
                size -= (size_t) sent;
            }
            else if (sent < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            else if (sent < 0 && errno == EAGAIN && ! waitFor (fd, POLLOUT, deadline))
                return false;
        }

        return true;
    }

    bool receiveByteBefore (int fd, char& byte, Clock::time_point deadline)
    {
        for (;;)
        {
            const auto received = ::recv (fd, &byte, 1, MSG_DONTWAIT);

            if (received == 1)
                return true;
            if (received == 0 || (errno != EAGAIN && errno != EINTR))
                return false;
            if (errno == EAGAIN && ! waitFor (fd, POLLIN, deadline))
                return false;
        }
    }

    // The text, the acknowledgement, then the commit that lets the running instance act on it.
    bool handOver (int fd, const std::string& utf8, Clock::time_point deadline)
    {
        const auto size = (uint32_t) utf8.size();
        std::string message { (char) (size >> 24), (char) (size >> 16), (char) (size >> 8), (char) size };
        message += utf8;

        char reply = 0;
        return sendAllBefore (fd, message.data(), message.size(), deadline) && receiveByteBefore (fd, reply, deadline)
               && reply == ackByte && Clock::now() < deadline && sendAllBefore (fd, &commitByte, 1, deadline);
    }

    // An instance of ours answers there, or is too busy to: either way the socket is in use.
    bool liveInstanceAt (const sockaddr_un& address)
    {
        ScopedFd probe (openStreamSocket());
        if (probe.fd < 0)
            return false;

        const auto reach = tryConnect (probe.fd, address);
        return reach == Reach::busy || (reach == Reach::connected && peerIsSameUser (probe.fd));
    }

    // A command line longer than a message carries is cut at the last whole UTF-8 character that fits:
    // a shortened hand-over still reaches the running instance, where a refused one would open a
    // second window.
    std::string fitToMessage (std::string utf8)
    {
        if (utf8.size() <= SingleInstanceChannel::maxMessageBytes)
            return utf8;

        size_t end = SingleInstanceChannel::maxMessageBytes;
        while (end > 0 && (static_cast<unsigned char> (utf8[end]) & 0xc0) == 0x80)
            --end;

        utf8.resize (end);
        return utf8;
    }

    juce::File socketIn (const juce::File& folder)
    {
        return folder.getChildFile (SingleInstanceChannel::socketName);
    }
}

//==============================================================================
// One thread waits in poll on the listening socket, every connected peer and a wake-up pipe. Each peer
// has its own deadline from the moment it was accepted, so a slow or silent peer delays nobody else,
// and the pipe ends the wait at once when the channel is destroyed.
class SingleInstanceChannel::Listener
{
public:
    Listener (Callback onCommandLine, const juce::Array<juce::File>& folders)
        : delivery (std::make_shared<Callback> (std::move (onCommandLine))),
          weakDelivery (delivery)
    {
        int pipeEnds[2];
        if (::pipe2 (pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
            return;

        wakeRead.reset (pipeEnds[0]);
        wakeWrite.reset (pipeEnds[1]);

        for (const auto& folder : folders)
        {
            sockaddr_un address;
            if (makeAddress (socketIn (folder), address) && preparePrivateFolder (folder))
            {
                // The first usable folder is the place: a live instance there means this one does
                // not listen, rather than hiding in a later folder.
                listenOn (address);
                break;
            }
        }

        if (listenFd.fd >= 0)
            thread = std::thread ([this] { run(); });
    }

    ~Listener()
    {
        if (thread.joinable())
        {
            const char wake = 0;
            [[maybe_unused]] const auto written = ::write (wakeWrite.fd, &wake, 1);
            thread.join();
        }

        if (listenFd.fd >= 0)
            removeOwnSocketFile();
    }

    bool isListening() const noexcept { return listenFd.fd >= 0; }
    juce::File getSocketFile() const { return isListening() ? juce::File (socketPath) : juce::File(); }

private:
    struct Peer
    {
        ScopedFd fd;
        Clock::time_point deadline;
        std::string received;
        bool acknowledged = false;
    };

    enum class Progress
    {
        waiting,
        done
    };

    void listenOn (const sockaddr_un& address)
    {
        ScopedFd fd (openStreamSocket());
        if (fd.fd < 0)
            return;

        if (! bindTo (fd.fd, address))
        {
            // A socket nobody answers on was left by an instance that did not end cleanly.
            if (errno != EADDRINUSE || liveInstanceAt (address) || ! removeStaleSocket (address) || ! bindTo (fd.fd, address))
                return;
        }

        struct stat info
        {};
        if (::chmod (address.sun_path, 0600) != 0 || ::listen (fd.fd, maxPeers) != 0 || ::lstat (address.sun_path, &info) != 0)
        {
            ::unlink (address.sun_path);
            return;
        }

        socketPath = address.sun_path;
        socketDevice = info.st_dev;
        socketInode = info.st_ino;
        listenFd = std::move (fd);
    }

    static bool bindTo (int fd, const sockaddr_un& address)
    {
        return ::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;
    }

    static bool removeStaleSocket (const sockaddr_un& address)
    {
        struct stat info
        {};
        return ::lstat (address.sun_path, &info) == 0 && S_ISSOCK (info.st_mode) && ::unlink (address.sun_path) == 0;
    }

    // Leaves the file alone if it no longer is the socket this listener bound.
    void removeOwnSocketFile()
    {
        struct stat info
        {};
        if (::lstat (socketPath.toRawUTF8(), &info) == 0 && info.st_dev == socketDevice && info.st_ino == socketInode)
            ::unlink (socketPath.toRawUTF8());
    }

    void run()
    {
        std::vector<Peer> peers;
        std::vector<pollfd> waits;

        for (;;)
        {
            waits.assign ({ { wakeRead.fd, POLLIN, 0 }, { listenFd.fd, POLLIN, 0 } });
            for (const auto& peer : peers)
                waits.push_back ({ peer.fd.fd, POLLIN, 0 });

            // No peer, no timeout: the thread sleeps until something happens.
            const int timeoutMs = peers.empty() ? -1 : msUntil (peers.front().deadline);

            if (::poll (waits.data(), (nfds_t) waits.size(), timeoutMs) < 0 && errno != EINTR)
                return;

            if (waits[0].revents != 0)
                return;

            // What a peer has sent counts even when its deadline passed while this thread waited.
            for (size_t i = peers.size(); i-- > 0;)
                if (waits[i + 2].revents != 0 && readFrom (peers[i]) == Progress::done)
                    peers.erase (peers.begin() + (long) i);

            const auto now = Clock::now();
            peers.erase (std::remove_if (peers.begin(), peers.end(), [now] (const Peer& p) { return p.deadline <= now; }),
                         peers.end());

            if (waits[1].revents != 0)
                acceptAll (peers);
        }
    }

    // Peers stay in the order they were accepted, which is also the order of their deadlines.
    void acceptAll (std::vector<Peer>& peers)
    {
        for (;;)
        {
            ScopedFd fd (::accept4 (listenFd.fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));

            if (fd.fd < 0)
                return;
            if (! peerIsSameUser (fd.fd))
                continue;

            if (peers.size() >= (size_t) maxPeers)
                peers.erase (peers.begin());

            peers.push_back ({ std::move (fd), Clock::now() + std::chrono::milliseconds (peerDeadlineMs), {}, false });
        }
    }

    Progress readFrom (Peer& peer)
    {
        char buffer[4096];

        for (;;)
        {
            const auto received = ::recv (peer.fd.fd, buffer, sizeof (buffer), MSG_DONTWAIT);

            if (received > 0)
            {
                peer.received.append (buffer, (size_t) received);
                if (advance (peer) == Progress::done)
                    return Progress::done;
            }
            else if (received < 0 && errno == EINTR)
                continue;
            else
                return received < 0 && errno == EAGAIN ? Progress::waiting : Progress::done;
        }
    }

    // Acknowledges a complete text and delivers it on the commit byte. Anything else, an oversize
    // length or bytes out of turn, ends the peer.
    Progress advance (Peer& peer)
    {
        if (peer.received.size() < headerBytes)
            return Progress::waiting;

        const auto* header = reinterpret_cast<const unsigned char*> (peer.received.data());
        const uint32_t size =
            (uint32_t) header[0] << 24 | (uint32_t) header[1] << 16 | (uint32_t) header[2] << 8 | header[3];

        if (size > maxMessageBytes)
            return Progress::done;

        const size_t textEnd = headerBytes + size;

        if (! peer.acknowledged)
        {
            if (peer.received.size() < textEnd)
                return Progress::waiting;
            if (peer.received.size() > textEnd)
                return Progress::done;

            peer.acknowledged = ::send (peer.fd.fd, &ackByte, 1, MSG_NOSIGNAL | MSG_DONTWAIT) == 1;
            return peer.acknowledged ? Progress::waiting : Progress::done;
        }

        if (peer.received.size() == textEnd + 1 && peer.received.back() == commitByte)
            deliver (juce::String::fromUTF8 (peer.received.data() + headerBytes, (int) size));

        return Progress::done;
    }

    void deliver (const juce::String& commandLine)
    {
        juce::MessageManager::callAsync (
            [target = weakDelivery, commandLine]
            {
            if (auto callback = target.lock())
                (*callback) (commandLine);
        });
    }

    std::shared_ptr<Callback> delivery;
    const std::weak_ptr<Callback> weakDelivery;
    ScopedFd wakeRead, wakeWrite, listenFd;
    juce::String socketPath;
    dev_t socketDevice = 0;
    ino_t socketInode = 0;
    std::thread thread;
};

//==============================================================================
SingleInstanceChannel::SingleInstanceChannel (Callback onCommandLine, const juce::Array<juce::File>& folders)
    : listener (std::make_unique<Listener> (std::move (onCommandLine), folders))
{}

SingleInstanceChannel::~SingleInstanceChannel() = default;

bool SingleInstanceChannel::isListening() const noexcept
{
    return listener->isListening();
}

juce::File SingleInstanceChannel::getSocketFile() const
{
    return listener->getSocketFile();
}

juce::Array<juce::File> SingleInstanceChannel::candidateFolders()
{
    juce::Array<juce::File> folders;
    const auto runtime = juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {});

    if (juce::File::isAbsolutePath (runtime))
        folders.add (juce::File (runtime).getChildFile ("tolva-usb"));

    folders.add (juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("tolva-usb"));
    auto temporary = juce::SystemStats::getEnvironmentVariable ("TMPDIR", {});
    if (! juce::File::isAbsolutePath (temporary))
        temporary = "/tmp";

    folders.add (juce::File (temporary).getChildFile ("tolva-usb-" + juce::String ((juce::uint32)::geteuid())));
    return folders;
}

bool SingleInstanceChannel::sendToRunningInstance (const juce::String& commandLine, int timeoutMs,
                                                   const juce::Array<juce::File>& folders)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds (timeoutMs);
    const auto utf8 = fitToMessage (commandLine.toStdString());

    for (const auto& folder : folders)
    {
        sockaddr_un address;
        if (! mayHoldOurSocket (folder) || ! makeAddress (socketIn (folder), address))
            continue;

        ScopedFd fd (openStreamSocket());
        if (fd.fd < 0)
            return false;

        const auto reach = connectBefore (fd.fd, address, deadline);

        // A listener that never accepts keeps its backlog full: the time is up.
        if (reach == Reach::busy)
            return false;

        if (reach == Reach::connected && peerIsSameUser (fd.fd))
            return handOver (fd.fd, utf8, deadline);
    }

    return false;
}
