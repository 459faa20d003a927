#include "LinkChain.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
    juce::Result failure (int error)
    {
        return juce::Result::fail (std::strerror (error));
    }

    // The text of the link at `path`, however long.
    bool readLink (const std::string& path, std::string& text)
    {
        for (size_t capacity = 256; capacity <= 65536; capacity *= 4)
        {
            std::vector<char> buffer (capacity);
            const auto length = ::readlink (path.c_str(), buffer.data(), buffer.size());
            if (length < 0)
                return false;
            if (size_t (length) < buffer.size())
            {
                text.assign (buffer.data(), size_t (length));
                return true;
            }
        }
        errno = ENAMETOOLONG;
        return false;
    }
}

juce::Result LinkChain::resolve (const std::string& path, std::string& end)
{
    auto current = path;

    for (int hop = 0; hop <= maxLinks; ++hop)
    {
        struct stat info;
        if (::lstat (current.c_str(), &info) != 0)
        {
            if (errno != ENOENT)
                return failure (errno);

            end = current;
            return juce::Result::ok();
        }

        if (! S_ISLNK (info.st_mode))
        {
            end = current;
            return juce::Result::ok();
        }

        std::string text;
        if (! readLink (current, text))
            return failure (errno);

        current = (! text.empty() && text[0] == '/') ? text : folderOf (current) + "/" + text;
    }

    return failure (ELOOP);
}

std::string LinkChain::folderOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? std::string (".") : path.substr (0, slash);
}

std::string LinkChain::nameOf (const std::string& path)
{
    const auto slash = path.rfind ('/');
    return slash == std::string::npos ? path : path.substr (slash + 1);
}
