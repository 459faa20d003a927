// Replaces a file's contents so that a reader, or the next start after a crash, finds either the old
// contents or the new ones whole: they go to a temporary file beside the file, reach the disk, and the
// temporary file is renamed over it. A symbolic link (or a chain of them) at the path stays: the file
// it ends at gets the new contents, and is created when missing.
#pragma once

#include <juce_core/juce_core.h>

#include <string>

class AtomicFileWriter
{
public:
    // Writes `size` bytes as the contents of the file at the end of the link chain at `path`. An
    // existing file keeps its permission bits; a new one gets 0644 less the umask. Refuses an end that
    // is not a regular file. On failure the old file is left as it was, no temporary file remains, and
    // the result says why.
    static juce::Result write (const std::string& path, const void* data, size_t size);

    // Whether `name` is that of a temporary file for the file named `targetName`: "<stem>_temp<hex><ext>"
    // as JUCE's TemporaryFile names them, so that one clean-up also covers what JUCE left.
    static bool isTemporaryFileName (const std::string& name, const std::string& targetName);

    // Removes the temporary files a write of `target` cut short left in its folder: regular files so
    // named, never links or folders.
    static void removeLeftovers (const std::string& target);
};
