#include "AtomicFileWriter.h"

#include "LinkChain.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    constexpr mode_t newFileMode = 0644;
    // JUCE writes up to 8 hex digits, and a digit more when that name was taken.
    constexpr size_t maxHexDigits = 10;

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

    // A new, empty temporary file beside `target`, opened for writing; -1 on failure.
    int createTemporary (const std::string& target, std::string& temporary)
    {
        const auto [stem, extension] = stemAndExtension (LinkChain::nameOf (target));
        juce::Random random;

        for (int attempt = 0; attempt < 100; ++attempt)
        {
            const auto hex = juce::String::toHexString (random.nextInt()).toStdString();
            temporary = LinkChain::folderOf (target) + "/" + stem + "_temp" + hex + extension;
            const int fd = ::open (temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, newFileMode);
            if (fd >= 0 || errno != EEXIST)
                return fd;
        }
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

    int error = fillAndClose (fd, data, size, keptMode);
    if (error == 0 && ::rename (temporary.c_str(), target.c_str()) != 0)
        error = errno;

    if (error != 0)
    {
        ::unlink (temporary.c_str());
        return failure (error);
    }
    return juce::Result::ok();
}

bool AtomicFileWriter::isTemporaryFileName (const std::string& name, const std::string& targetName)
{
    const auto [stem, extension] = stemAndExtension (targetName);
    const auto prefix = stem + "_temp";

    if (name.size() <= prefix.size() + extension.size() || name.compare (0, prefix.size(), prefix) != 0
        || name.compare (name.size() - extension.size(), extension.size(), extension) != 0)
        return false;

    const auto hex = name.substr (prefix.size(), name.size() - prefix.size() - extension.size());
    return hex.size() <= maxHexDigits && std::all_of (hex.begin(), hex.end(), isLowerHex);
}

void AtomicFileWriter::removeLeftovers (const std::string& target)
{
    const auto folder = LinkChain::folderOf (target);
    const auto targetName = LinkChain::nameOf (target);

    auto* dir = ::opendir (folder.empty() ? "/" : folder.c_str());
    if (dir == nullptr)
        return;

    while (auto* entry = ::readdir (dir))
    {
        if (! isTemporaryFileName (entry->d_name, targetName))
            continue;

        const auto path = folder + "/" + entry->d_name;
        struct stat info;
        if (::lstat (path.c_str(), &info) == 0 && S_ISREG (info.st_mode))
            ::unlink (path.c_str());
    }
    ::closedir (dir);
}
