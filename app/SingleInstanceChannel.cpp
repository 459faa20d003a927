#include "SingleInstanceChannel.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    constexpr int ioTimeoutMs = 2000;
    constexpr int pollIntervalMs = 100;
    constexpr uint32_t maxMessageBytes = 64 * 1024;
    constexpr char ackByte = 1;

    // Closes a descriptor when it goes out of scope.
    struct ScopedFd
    {
        explicit ScopedFd (int f) noexcept : fd (f) {}
        ~ScopedFd() { if (fd >= 0) ::close (fd); }
        ScopedFd (const ScopedFd&) = delete;
        ScopedFd& operator= (const ScopedFd&) = delete;
        int release() noexcept { const int f = fd; fd = -1; return f; }
        int fd;
    };

    juce::File socketFolder()
    {
        const juce::String runtime (juce::SystemStats::getEnvironmentVariable ("XDG_RUNTIME_DIR", {}));

        if (juce::File::isAbsolutePath (runtime) && juce::File (runtime).isDirectory())
            return juce::File (runtime).getChildFile ("tolva-usb");

        return juce::File::getSpecialLocation (juce::File::userApplicationDataDirectory).getChildFile ("tolva-usb");
    }

    // Creates the folder as 0700, or tightens an existing one; refuses a folder that is not ours.
    bool preparePrivateFolder (const juce::File& folder)
    {
        folder.getParentDirectory().createDirectory();
        const auto path = folder.getFullPathName().toStdString();

        if (::mkdir (path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;

        struct stat info {};
        if (::lstat (path.c_str(), &info) != 0 || ! S_ISDIR (info.st_mode) || info.st_uid != ::geteuid())
            return false;

        return (info.st_mode & 0777) == 0700 || ::chmod (path.c_str(), 0700) == 0;
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

    void setTimeouts (int fd)
    {
        const timeval timeout { ioTimeoutMs / 1000, (ioTimeoutMs % 1000) * 1000 };
        ::setsockopt (fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof (timeout));
        ::setsockopt (fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof (timeout));
    }

    bool peerIsSameUser (int fd)
    {
        ucred peer {};
        socklen_t length = sizeof (peer);
        return ::getsockopt (fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.uid == ::geteuid();
    }

    // Moves the whole buffer through one send or recv after another, going on after an interrupting
    // signal; false once the peer is gone or an error ends it.
    template <typename Byte, typename Transfer>
    bool transferAll (Byte* bytes, size_t size, Transfer transfer)
    {
        while (size > 0)
        {
            const auto moved = transfer (bytes, size);

            if (moved < 0 && errno == EINTR)
                continue;
            if (moved <= 0)
                return false;

            bytes += moved;
            size -= (size_t) moved;
        }

        return true;
    }

    bool sendAll (int fd, const void* data, size_t size)
    {
        return transferAll (static_cast<const char*> (data), size,
                            [fd] (const char* bytes, size_t n) { return ::send (fd, bytes, n, MSG_NOSIGNAL); });
    }

    bool receiveAll (int fd, void* data, size_t size)
    {
        return transferAll (static_cast<char*> (data), size,
                            [fd] (char* bytes, size_t n) { return ::recv (fd, bytes, n, 0); });
    }

    // A connect interrupted by a signal goes on in the background: wait for it to finish.
    bool connectTo (int fd, const sockaddr_un& address)
    {
        if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
            return true;

        if (errno != EINTR)
            return false;

        pollfd waitFor { fd, POLLOUT, 0 };
        int ready;
        do ready = ::poll (&waitFor, 1, ioTimeoutMs);
        while (ready < 0 && errno == EINTR);

        int error = 0;
        socklen_t length = sizeof (error);
        return ready > 0 && ::getsockopt (fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }

    int openStreamSocket()
    {
        return ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    }

    bool someoneListensAt (const sockaddr_un& address)
    {
        ScopedFd probe (openStreamSocket());
        return probe.fd >= 0 && connectTo (probe.fd, address);
    }
}

//==============================================================================
// Accepts connections on a background thread; each valid message is posted to the message thread.
class SingleInstanceChannel::Listener : private juce::Thread
{
public:
    explicit Listener (Callback onCommandLine)
        : juce::Thread ("Single instance channel"),
          delivery (std::make_shared<Callback> (std::move (onCommandLine))),
          weakDelivery (delivery)
    {
        listenFd = openListeningSocket();

        if (listenFd >= 0)
            startThread();
    }

    ~Listener() override
    {
        // Shutting the socket down wakes the thread from its wait at once.
        signalThreadShouldExit();
        if (listenFd >= 0)
            ::shutdown (listenFd, SHUT_RDWR);

        stopThread (2 * ioTimeoutMs);

        if (listenFd >= 0)
        {
            removeOwnSocketFile();
            ::close (listenFd);
        }
    }

    bool isListening() const noexcept { return listenFd >= 0; }

private:
    int openListeningSocket()
    {
        const auto file = getSocketFile();
        sockaddr_un address;

        if (! preparePrivateFolder (file.getParentDirectory()) || ! makeAddress (file, address))
            return -1;

        ScopedFd fd (openStreamSocket());
        if (fd.fd < 0)
            return -1;

        if (! bindTo (fd.fd, address))
        {
            // A socket nobody answers on was left by an instance that did not end cleanly.
            if (errno != EADDRINUSE || someoneListensAt (address) || ! removeStaleSocket (address)
                || ! bindTo (fd.fd, address))
                return -1;
        }

        struct stat info {};
        if (::chmod (address.sun_path, 0600) != 0 || ::listen (fd.fd, 8) != 0 || ::lstat (address.sun_path, &info) != 0)
        {
            ::unlink (address.sun_path);
            return -1;
        }

        socketPath = address.sun_path;
        socketDevice = info.st_dev;
        socketInode = info.st_ino;
        return fd.release();
    }

    static bool bindTo (int fd, const sockaddr_un& address)
    {
        return ::bind (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0;
    }

    static bool removeStaleSocket (const sockaddr_un& address)
    {
        struct stat info {};
        return ::lstat (address.sun_path, &info) == 0 && S_ISSOCK (info.st_mode) && ::unlink (address.sun_path) == 0;
    }

    // Leaves the file alone if it no longer is the socket this listener bound.
    void removeOwnSocketFile()
    {
        struct stat info {};
        if (::lstat (socketPath.c_str(), &info) == 0 && info.st_dev == socketDevice && info.st_ino == socketInode)
            ::unlink (socketPath.c_str());
    }

    void run() override
    {
        while (! threadShouldExit())
        {
            pollfd waitFor { listenFd, POLLIN, 0 };

            if (::poll (&waitFor, 1, pollIntervalMs) <= 0)
                continue;

            ScopedFd client (::accept4 (listenFd, nullptr, nullptr, SOCK_CLOEXEC));

            if (client.fd >= 0)
                serve (client.fd);
        }
    }

    void serve (int fd)
    {
        setTimeouts (fd);

        if (! peerIsSameUser (fd))
            return;

        uint32_t header = 0;
        if (! receiveAll (fd, &header, sizeof (header)))
            return;

        const auto size = juce::ByteOrder::swapIfLittleEndian (header);
        if (size > maxMessageBytes)
            return;

        juce::HeapBlock<char> text (size + 1, true);
        if (! receiveAll (fd, text.get(), size))
            return;

        if (deliver (juce::String::fromUTF8 (text.get(), (int) size)))
            sendAll (fd, &ackByte, 1);
    }

    bool deliver (const juce::String& commandLine)
    {
        return juce::MessageManager::callAsync ([target = weakDelivery, commandLine]
        {
            if (auto callback = target.lock())
                (*callback) (commandLine);
        });
    }

    std::shared_ptr<Callback> delivery;
    const std::weak_ptr<Callback> weakDelivery;
    int listenFd = -1;
    std::string socketPath;
    dev_t socketDevice = 0;
    ino_t socketInode = 0;
};

//==============================================================================
SingleInstanceChannel::SingleInstanceChannel (Callback onCommandLine)
    : listener (std::make_unique<Listener> (std::move (onCommandLine)))
{
}

SingleInstanceChannel::~SingleInstanceChannel() = default;

bool SingleInstanceChannel::isListening() const noexcept
{
    return listener->isListening();
}

juce::File SingleInstanceChannel::getSocketFile()
{
    return socketFolder().getChildFile ("instance.sock");
}

bool SingleInstanceChannel::sendToRunningInstance (const juce::String& commandLine)
{
    sockaddr_un address;
    if (! makeAddress (getSocketFile(), address))
        return false;

    ScopedFd fd (openStreamSocket());
    if (fd.fd < 0)
        return false;

    setTimeouts (fd.fd);

    if (! connectTo (fd.fd, address) || ! peerIsSameUser (fd.fd))
        return false;

    const auto utf8 = commandLine.toStdString();
    if (utf8.size() > maxMessageBytes)
        return false;

    const auto header = juce::ByteOrder::swapIfLittleEndian ((uint32_t) utf8.size());
    char reply = 0;

    return sendAll (fd.fd, &header, sizeof (header))
        && sendAll (fd.fd, utf8.data(), utf8.size())
        && receiveAll (fd.fd, &reply, 1)
        && reply == ackByte;
}
