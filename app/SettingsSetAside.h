// Where the settings store keeps a file it could not read, so that nothing the user had is lost: beside
// it as "<name>.bad<N>", N one above the highest number there (an old "<name>.bad" counts as 0), so no
// earlier one is ever replaced. Only the newest few are kept; a folder is never removed.
#pragma once

#include <juce_core/juce_core.h>

class SettingsSetAside
{
public:
    // Set-aside files kept; older ones go when a new one comes.
    static constexpr int maxKept = 5;

    // The number of `name` as a set-aside name of `file` ("<name>.bad" is 0), or -1 when it is none.
    static int numberOf (const juce::String& name, const juce::File& file);

    // Moves the entry at `file` itself (a link, never its target) to the next free set-aside name and
    // drops the oldest beyond maxKept. `keptAs` tells where it went; the result says why it could not.
    static juce::Result setAside (const juce::File& file, juce::File& keptAs);

private:
    static void dropOldest (const juce::File& file);
};
