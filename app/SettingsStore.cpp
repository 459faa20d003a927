#include "SettingsStore.h"

#include "AtomicFileWriter.h"
#include "LinkChain.h"
#include "RegularFileReader.h"
#include "SettingsFileCheck.h"
#include "SettingsFileFormat.h"
#include "SettingsSetAside.h"

#include <cstdio>

namespace
{
    std::string pathOf (const juce::File& file)
    {
        return file.getFullPathName().toStdString();
    }

    // Leftovers of saves cut short, beside the file and beside its link's target. The names earlier
    // versions gave them are names a user may give files of their own: those go only from the
    // program's own folder, never from the folder a link leads into.
    void removeLeftovers (const juce::File& file)
    {
        const auto path = pathOf (file);
        AtomicFileWriter::removeLeftovers (path, AtomicFileWriter::OldNames::remove);

        std::string target;
        if (LinkChain::resolve (path, target).wasOk() && target != path)
            AtomicFileWriter::removeLeftovers (target, AtomicFileWriter::OldNames::keep);
    }
}

SettingsStore::~SettingsStore()
{
    closeFiles();
}

void SettingsStore::setStorageParameters (const juce::PropertiesFile::Options& newOptions)
{
    closeFiles();
    options = newOptions;
}

juce::PropertiesFile* SettingsStore::getUserSettings()
{
    if (properties == nullptr)
        open();

    return properties.get();
}

bool SettingsStore::saveIfNeeded()
{
    return properties == nullptr || ! properties->needsToBeSaved() || save();
}

bool SettingsStore::save()
{
    stopTimer();

    if (properties == nullptr || options.doNotSave)
        return false;

    const auto written =
        keptInPlace ? juce::Result::fail ("the file there could not be read, and is kept as it is") : writeFile();
    if (written.failed())
    {
        report ("the settings could not be saved to " + getFile().getFullPathName() + ": " + written.getErrorMessage());
        return false;
    }

    properties->setNeedsToBeSaved (false);
    return true;
}

void SettingsStore::closeFiles()
{
    saveIfNeeded();
    stopTimer();

    if (properties != nullptr)
        properties->removeChangeListener (this);
    properties.reset();
    keptInPlace = false;
}

void SettingsStore::open()
{
    // In memory only: no file to read, and never one to write.
    auto inMemory = options;
    inMemory.doNotSave = true;
    inMemory.millisecondsBeforeSaving = -1;
    properties = std::make_unique<juce::PropertiesFile> (juce::File(), inMemory);
    properties->addChangeListener (this);

    removeLeftovers (getFile());
    load();
}

void SettingsStore::load()
{
    using Outcome = RegularFileReader::Outcome;
    const auto limit = size_t (SettingsFileCheck::maxFileBytes);
    const auto got = RegularFileReader::read (pathOf (getFile()), limit + 1);

    // Nothing there, or an empty file: nothing to keep either.
    if (got.outcome == Outcome::nothing || (got.outcome == Outcome::read && got.bytes.empty()))
        return;

    if (got.outcome == Outcome::refused)
        return setAside (got.reason);

    if (got.bytes.size() > limit)
        return setAside ("larger than " + juce::String (limit) + " bytes");

    if (! SettingsFileCheck::isSafeToRead (got.bytes.data(), got.bytes.size())
        || ! SettingsFileFormat::read (got.bytes, *properties))
        setAside ("not a settings file of this program");
}

void SettingsStore::setAside (const juce::String& reason)
{
    const auto file = getFile();
    juce::File keptAs;
    const auto moved = SettingsSetAside::setAside (file, keptAs);
    const auto what = "the settings file " + file.getFullPathName() + " could not be read (" + reason + ")";

    if (moved.wasOk())
    {
        report (what + "; it is kept as " + keptAs.getFullPathName() + ", and the defaults apply");
        return;
    }

    keptInPlace = true;
    report (what + " nor moved aside (" + moved.getErrorMessage() + "); the defaults apply, and it is not written over");
}

juce::Result SettingsStore::writeFile()
{
    // Never a file the next start would refuse: written out, escaped characters take more room than
    // they took in the file they were read from.
    const auto bytes = SettingsFileFormat::write (*properties);
    if (! SettingsFileCheck::isSafeToRead (static_cast<const char*> (bytes.getData()), bytes.getSize()))
        return juce::Result::fail ("the values would make a file larger than the program reads");

    const auto file = getFile();
    const auto folder = file.getParentDirectory();

    // A folder in the way that is not one: the write below names the real trouble.
    if (! folder.exists())
        if (const auto made = folder.createDirectory(); made.failed())
            return made;

    return AtomicFileWriter::write (pathOf (file), bytes.getData(), bytes.getSize());
}

void SettingsStore::report (const juce::String& message) const
{
    const auto line = options.applicationName + ": " + message + "\n";
    std::fputs (line.toRawUTF8(), stderr);
    std::fflush (stderr);
}

void SettingsStore::changeListenerCallback (juce::ChangeBroadcaster*)
{
    if (options.millisecondsBeforeSaving > 0)
        startTimer (options.millisecondsBeforeSaving);
    else if (options.millisecondsBeforeSaving == 0)
        saveIfNeeded();
}

void SettingsStore::timerCallback()
{
    saveIfNeeded();
}
