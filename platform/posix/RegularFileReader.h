// Reads a file whatever may stand at its path, without ever blocking or reading endlessly: only a
// regular file is opened (a FIFO, a socket or a device is refused before it is opened, so it cannot
// block the open or the reads, nor feed them forever), and no more than a given number of bytes is read.
#pragma once

#include <juce_core/juce_core.h>

#include <string>

class RegularFileReader
{
public:
    enum class Outcome
    {
        nothing,   // no entry at the path, or a link to an entry not there yet in a folder that is
        read,      // a regular file (through links, if any): `bytes` holds its start
        refused    // anything else: `reason` says why
    };

    struct Result
    {
        Outcome outcome = Outcome::nothing;
        std::string bytes;
        juce::String reason;
    };

    // At most `maxBytes` bytes of the file at `path`, following links.
    static Result read (const std::string& path, size_t maxBytes);
};
