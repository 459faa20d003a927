// Where a chain of symbolic links ends. A file kept elsewhere (a dotfiles folder, say) and linked into
// place is read and written at its real place, and the links stay as they are.
#pragma once

#include <juce_core/juce_core.h>

#include <string>

class LinkChain
{
public:
    // As many links as the kernel follows in one path (Linux's limit): a longer chain is taken as a loop.
    static constexpr int maxLinks = 40;

    // The first entry of the chain starting at `path` that is not a symbolic link: `path` itself when
    // it is none, or the missing entry a dangling link names. Relative links count from their own folder.
    // Fails on a loop, a chain longer than maxLinks, or an entry that cannot be examined.
    static juce::Result resolve (const std::string& path, std::string& end);

    // The folder part of an absolute path ("" for an entry of the root folder).
    static std::string folderOf (const std::string& path);
    // The last part of a path.
    static std::string nameOf (const std::string& path);
};
