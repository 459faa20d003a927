#include "AtomicFileWriter.h"

#include "LinkChain.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    constexpr mode_t newFileMode = 0644;
    constexpr const char* marker = ".tolva-usb-save-";
    constexpr size_t randomDigits = 16;
    // JUCE writes up to 8 hex digits, and a digit more when that name was taken.
    constexpr size_t maxOldHexDigits = 10;

    juce::Result failure (int error)
    {
        return juce::Result::fail (std::strerror (error));
    }

    // "Tolva USB" and ".settings" of "Tolva USB.settings"; as JUCE splits names.
    std::pair<std::string, std::string> stemAndExtension (const std::string& name)
    {
        const auto dot = name.rfind ('.');
        if (dot == std::string::npos)
            return { name, {} };
        return { name.substr (0, dot), name.substr (dot) };
    }

    bool isLowerHex (char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    }

    std::string temporaryName (const std::string& targetName, juce::Random& random)
    {
        char digits[randomDigits + 1];
        std::snprintf (digits, sizeof (digits), "%016llx", static_cast<unsigned long long> (random.nextInt64()));
        return "." + targetName + marker + digits;
    }

    // Takes the write's lock on its new temporary file; false when the file has no name any more. A
    // clean-up in another process may have taken it for a leftover in the moment between its creation
    // and the lock, and removed it. (Where the file system keeps no locks, a clean-up can take none
    // either, and leaves every such file alone.)
    bool lockWhileNamed (int fd)
    {
        while (::flock (fd, LOCK_EX) != 0 && errno == EINTR) {}
        struct stat info;
        return ::fstat (fd, &info) != 0 || info.st_nlink > 0;
    }

    // A new, empty temporary file beside `target`, opened for writing and locked; -1 on failure.
    int createTemporary (const std::string& target, std::string& temporary)
    {
        const auto folder = LinkChain::folderOf (target);
        const auto name = LinkChain::nameOf (target);
        juce::Random random;

        for (int attempt = 0; attempt < 100; ++attempt)
        {
            temporary = folder + "/" + temporaryName (name, random);
            const int fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, newFileMode);
            if (fd >= 0 && lockWhileNamed (fd))
                return fd;
            if (fd >= 0)
                ::close (fd);
            else if (errno != EEXIST)
                return -1;
        }
        errno = EEXIST;
        return -1;
    }

    bool writeAll (int fd, const void* data, size_t size)
    {
        auto* bytes = static_cast<const char*> (data);
        while (size > 0)
        {
            const auto count = ::write (fd, bytes, size);
            if (count < 0)
            {
                if (errno == EINTR)
                    continue;
                return false;
            }
            bytes += count;
            size -= size_t (count);
        }
        return true;
    }

    // Contents, the mode of the file replaced (a new one keeps what the umask left), the disk, then the
    // close, which may be the first to report a full disk or quota.
    int fillAndClose (int fd, const void* data, size_t size, std::optional<mode_t> keptMode)
    {
        int error = 0;
        if (! writeAll (fd, data, size) || (keptMode && ::fchmod (fd, *keptMode) != 0) || ::fsync (fd) != 0)
            error = errno;
        if (::close (fd) != 0 && error == 0)
            error = errno;
        return error;
    }

    // Fills the temporary file open at `fd` and renames it over `target`, or removes it; 0 or the error.
    // A second descriptor keeps the lock until the temporary name is gone, while the first one is
    // closed before the rename to hear of a full disk.
    int fillAndRename (int fd, const std::string& temporary, const std::string& target, const void* data, size_t size,
                       std::optional<mode_t> keptMode)
    {
        const int holder = ::fcntl (fd, F_DUPFD_CLOEXEC, 0);
        int error = holder < 0 ? errno : fillAndClose (fd, data, size, keptMode);
        if (holder < 0)
            ::close (fd);

        if (error == 0 && ::rename (temporary.c_str(), target.c_str()) != 0)
            error = errno;
        if (error != 0)
            ::unlink (temporary.c_str());

        if (holder >= 0)
            ::close (holder);
        return error;
    }

    // One of ours for the file named `targetName`.
    bool isTemporaryFileName (const std::string& name, const std::string& targetName)
    {
        const auto prefix = "." + targetName + marker;
        return name.size() == prefix.size() + randomDigits && name.compare (0, prefix.size(), prefix) == 0
               && std::all_of (name.begin() + std::ptrdiff_t (prefix.size()), name.end(), isLowerHex);
    }

    // One of the names earlier versions gave them, as JUCE's TemporaryFile does.
    bool isOldTemporaryFileName (const std::string& name, const std::string& targetName)
    {
        const auto [stem, extension] = stemAndExtension (targetName);
        const auto prefix = stem + "_temp";

        if (name.size() <= prefix.size() + extension.size() || name.compare (0, prefix.size(), prefix) != 0
            || name.compare (name.size() - extension.size(), extension.size(), extension) != 0)
            return false;

        const auto hex = name.substr (prefix.size(), name.size() - prefix.size() - extension.size());
        return hex.size() <= maxOldHexDigits && std::all_of (hex.begin(), hex.end(), isLowerHex);
    }

    bool isSameFile (const struct stat& a, const struct stat& b)
    {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }

    // Removes the regular file at `path` unless a write holds its lock. The shared lock is taken without
    // waiting and kept until the name is gone, so a writer that had not locked the file yet finds it
    // removed and makes another; the file must still be the one at the path, not one renamed away.
    void removeUnlessHeld (const std::string& path)
    {
        struct stat named;
        if (::lstat (path.c_str(), &named) != 0 || ! S_ISREG (named.st_mode))
            return;

        const int fd = ::open (path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return;

        struct stat opened;
        if (::flock (fd, LOCK_SH | LOCK_NB) == 0 && ::fstat (fd, &opened) == 0 && ::lstat (path.c_str(), &named) == 0
            && isSameFile (opened, named))
            ::unlink (path.c_str());
        ::close (fd);
    }
}

juce::Result AtomicFileWriter::write (const std::string& path, const void* data, size_t size)
{
    std::string target;
    if (auto resolved = LinkChain::resolve (path, target); resolved.failed())
        return resolved;

    std::optional<mode_t> keptMode;
    struct stat info;
    if (::lstat (target.c_str(), &info) == 0)
    {
        if (S_ISDIR (info.st_mode))
            return failure (EISDIR);
        if (! S_ISREG (info.st_mode))
            return juce::Result::fail ("not a regular file");
        keptMode = info.st_mode & 07777;
    }
    else if (errno != ENOENT)
    {
        return failure (errno);
    }

    std::string temporary;
    const int fd = createTemporary (target, temporary);
    if (fd < 0)
        return failure (errno);

    if (const int error = fillAndRename (fd, temporary, target, data, size, keptMode); error != 0)
        return failure (error);
    return juce::Result::ok();
}

void AtomicFileWriter::removeLeftovers (const std::string& target, OldNames oldNames)
{
    const auto folder = LinkChain::folderOf (target);
    const auto targetName = LinkChain::nameOf (target);

    auto* dir = ::opendir (folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr)
        return;

    while (auto* entry = ::readdir (dir))
    {
        const std::string name (entry->d_name);
        if (isTemporaryFileName (name, targetName)
            || (oldNames == OldNames::remove && isOldTemporaryFileName (name, targetName)))
            removeUnlessHeld (folder + "/" + name);
    }
    ::closedir (dir);
}
