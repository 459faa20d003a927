// The settings file's format, as JUCE's PropertiesFile reads and writes it in XML: a <PROPERTIES>
// element holding one <VALUE name=".." val=".."/> per key, in the order of the set. A value that is XML
// is written as the VALUE's child element, and read back as that element's text; unlike JUCE, only when
// that text is the value itself, so that every value reads back as it was written.
#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <string>

class SettingsFileFormat
{
public:
    // Takes the values of a PROPERTIES document in `bytes` (decoded as JUCE decodes a file) into
    // `properties`, without marking them as changed. False, and nothing taken, when it is no such document.
    static bool read (const std::string& bytes, juce::PropertySet& properties);

    // The file's bytes for these values: byte for byte JUCE's, but for markup JUCE would change.
    static juce::MemoryBlock write (juce::PropertySet& properties);
};
