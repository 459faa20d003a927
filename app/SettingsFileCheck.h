// A look at the settings file's text before the store hands it to JUCE's XML reader. That reader
// recurses once per nesting level (a deeply nested file overflows the stack), takes time per key in
// proportion to the keys before it (tens of thousands of keys stall the start for seconds) and expands
// entities declared in a document type. The program itself writes one flat XML list of three values, so
// a file far from that shape is one it never wrote: it counts as unreadable, the store sets it aside and
// starts from the defaults, and the next save writes a good file.
#pragma once

#include <juce_core/juce_core.h>

class SettingsFileCheck
{
public:
    // Three values take a few hundred bytes; 64 kB leaves room for two hundred times that (hand edits,
    // keys of later versions) and is still read and parsed in a millisecond or two.
    static constexpr juce::int64 maxFileBytes = 64 * 1024;
    // The root element and its values: the program writes nothing deeper.
    static constexpr int maxDepth = 2;
    // Far above the four elements written, far below the key counts that make the reader crawl.
    static constexpr int maxElements = 1000;

    // Whether JUCE's reader can be given this text: it starts as XML does, declares no document type,
    // nests at most maxDepth levels with at most maxElements elements, keeps '<' out of tags and uses
    // only short entity references, and is well-formed UTF-8. Scans without recursion; a NUL ends the
    // text, as it does for JUCE.
    static bool isSafeToRead (const char* text, size_t size);
};
