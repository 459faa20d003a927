// A look at the settings file's text before the store hands it to JUCE's XML reader. That reader
// recurses once per nesting level (a deeply nested file overflows the stack), takes time per key in
// proportion to the keys before it (tens of thousands of keys stall the start for seconds) and expands
// entities declared in a document type. The program writes one XML list of values, each in an
// attribute or, when its text is markup, as the value's child element (as JUCE keeps such values), and
// never a file this check refuses; so a file far from that shape is one it never wrote: it counts as
// unreadable, the store sets it aside and starts from the defaults, and the next save writes a good file.
#pragma once

#include <juce_core/juce_core.h>

class SettingsFileCheck
{
public:
    // Three values take a few hundred bytes; 64 kB leaves room for two hundred times that (hand edits,
    // keys of later versions) and is still read and parsed in a millisecond or two.
    static constexpr juce::int64 maxFileBytes = 64 * 1024;
    // The root element, its values and, below a value, its markup up to 14 levels deep: far more than a
    // hand-written value needs, far less than strains the reader's recursion. The writer keeps deeper
    // markup in the value's attribute.
    static constexpr int maxDepth = 16;
    // Far above the four elements written, far below the key counts that make the reader crawl.
    static constexpr int maxElements = 1000;

    // Whether JUCE's reader can be given this text: it starts as XML does, declares no document type,
    // nests at most `levels` deep with at most maxElements elements, keeps '<' out of tags and uses
    // only short entity references, and is well-formed UTF-8. Scans without recursion; a NUL ends the
    // text, as it does for JUCE. A value's own markup has the levels below the root and the value.
    static bool isSafeToRead (const char* text, size_t size, int levels = maxDepth);
};
