// The panel's settings: the values in memory and the file that keeps them between runs. It offers what
// JUCE's ApplicationProperties offered the program (the options, the property set opened on first use,
// saving when needed, closing), but reads and writes the file itself, so that
//   - whatever stands at the path (a FIFO, a device, a link loop) never blocks the start, and a file it
//     can't read is never written over: it is moved aside as "<name>.bad<N>" and the defaults apply;
//   - a save that fails, the delayed ones included, says so in one line on standard error and keeps
//     the old file whole;
//   - a settings file linked from elsewhere stays linked: its target gets the new contents;
//   - temporary files of a save cut short are removed at the next start: only the program's own, and
//     only those no save is still writing;
//   - every value reads back as it was saved: the store never writes a file it would not read.
// The property set is JUCE's PropertiesFile attached to no file, so JUCE itself never writes.
#pragma once

#include <juce_data_structures/juce_data_structures.h>
#include <juce_events/juce_events.h>

#include <memory>

class SettingsStore : private juce::ChangeListener,
                      private juce::Timer
{
public:
    SettingsStore() = default;
    // Saves what changed.
    ~SettingsStore() override;

    // Where the file is (options.getDefaultFile()), the key case, the save delay, whether to save at all.
    // An open store is saved and closed first.
    void setStorageParameters (const juce::PropertiesFile::Options& newOptions);

    // The values, opened on first use: read from the file, or empty when it holds none.
    juce::PropertiesFile* getUserSettings();

    // Saves when a value changed since the last save; false when that save failed.
    bool saveIfNeeded();
    // Writes every value to the file now; false, with one line on standard error, when it could not.
    bool save();
    // Saves what changed and lets the values go; the next getUserSettings() reads the file again.
    void closeFiles();

    juce::File getFile() const { return options.getDefaultFile(); }

private:
    void open();
    void load();
    void setAside (const juce::String& reason);
    juce::Result writeFile();
    void report (const juce::String& message) const;

    // A change starts (or restarts) the delay after which it is saved.
    void changeListenerCallback (juce::ChangeBroadcaster*) override;
    void timerCallback() override;

    juce::PropertiesFile::Options options;
    std::unique_ptr<juce::PropertiesFile> properties;
    // What stands at the path could neither be read nor moved aside: it is never written over.
    bool keptInPlace = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SettingsStore)
};
