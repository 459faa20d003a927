#include "RegularFileReader.h"

#include "LinkChain.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
    using Result = RegularFileReader::Result;
    using Outcome = RegularFileReader::Outcome;

    Result refused (const juce::String& reason)
    {
        return { Outcome::refused, {}, reason };
    }

    Result refusedForError (int error)
    {
        return refused (std::strerror (error));
    }

    bool isFolder (const std::string& path)
    {
        struct stat info;
        return ::stat (path.c_str(), &info) == 0 && S_ISDIR (info.st_mode);
    }

    // A link that names a missing entry: nothing to read yet, as long as the entry could be created
    // where it is named. A link into a missing folder can't be opened and never will be.
    Result danglingLink (const std::string& path)
    {
        std::string end;
        const auto resolved = LinkChain::resolve (path, end);
        if (resolved.failed())
            return refused (resolved.getErrorMessage());

        return isFolder (LinkChain::folderOf (end)) ? Result {} : refusedForError (ENOENT);
    }

    Result readOpened (int fd, size_t maxBytes)
    {
        // Looked at again: the entry may have been replaced since the path was examined.
        struct stat info;
        if (::fstat (fd, &info) != 0)
            return refusedForError (errno);
        if (! S_ISREG (info.st_mode))
            return refused ("not a regular file");

        Result result { Outcome::read, {}, {} };
        result.bytes.resize (maxBytes);
        size_t filled = 0;

        while (filled < maxBytes)
        {
            const auto count = ::read (fd, result.bytes.data() + filled, maxBytes - filled);
            if (count == 0)
                break;
            if (count < 0)
            {
                if (errno == EINTR)
                    continue;
                return refusedForError (errno);
            }
            filled += size_t (count);
        }

        result.bytes.resize (filled);
        return result;
    }
}

RegularFileReader::Result RegularFileReader::read (const std::string& path, size_t maxBytes)
{
    struct stat entry;
    if (::lstat (path.c_str(), &entry) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Result {} : refusedForError (errno);

    // ENOENT here: a link that names a missing entry, or an entry gone since the first look.
    struct stat info;
    if (::stat (path.c_str(), &info) != 0)
    {
        if (errno != ENOENT)
            return refusedForError (errno);
        return S_ISLNK (entry.st_mode) ? danglingLink (path) : Result {};
    }

    if (! S_ISREG (info.st_mode))
        return refused ("not a regular file");

    // Non-blocking and without a controlling terminal, should a FIFO or a device take the file's place
    // between the look and the open.
    const int fd = ::open (path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Result {} : refusedForError (errno);

    auto result = readOpened (fd, maxBytes);
    ::close (fd);
    return result;
}
