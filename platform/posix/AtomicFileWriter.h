// Replaces a file's contents so that a reader, or the next start after a crash, finds either the old
// contents or the new ones whole: they go to a temporary file beside the file, reach the disk, and the
// temporary file is renamed over it. A symbolic link (or a chain of them) at the path stays: the file
// it ends at gets the new contents, and is created when missing.
//
// The temporary file of "<name>" is ".<name>.tolva-usb-save-<16 hex digits>": hidden, named after its
// file, marked as this program's, and never a name a user would pick. From its creation to its rename
// (or removal) the write holds an exclusive flock() on it, so a clean-up can tell a leftover of a write
// cut short (no lock: the writer is gone) from the file of a write still going on in another process.
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

    // The names earlier versions gave temporary files: "<stem>_temp<hex><ext>", as JUCE's TemporaryFile
    // names them. A user may well name a file so.
    enum class OldNames
    {
        keep,
        remove
    };

    // Removes, from the folder of `target`, the temporary files that writes of it cut short left there:
    // regular files so named that no write holds, never links or folders. Files with the old names go
    // only when asked for: only where no one but the program puts such names.
    static void removeLeftovers (const std::string& target, OldNames oldNames);
};
