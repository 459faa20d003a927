#include "SettingsSetAside.h"

#include "NoReplaceRename.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
    // Numbers this long can't overflow an int.
    constexpr int maxDigits = 9;
    // Names taken under our feet before one is free.
    constexpr int maxAttempts = 100;

    // The set-aside entries beside `file`, with their numbers; folders only when asked for.
    std::vector<std::pair<int, fs::path>> setAsideEntries (const juce::File& file, bool withFolders)
    {
        std::vector<std::pair<int, fs::path>> found;
        std::error_code error;

        for (const auto& entry : fs::directory_iterator (file.getParentDirectory().getFullPathName().toStdString(), error))
        {
            const int number = SettingsSetAside::numberOf (entry.path().filename().string(), file);
            if (number >= 0 && (withFolders || entry.symlink_status (error).type() != fs::file_type::directory))
                found.emplace_back (number, entry.path());
        }
        return found;
    }

    juce::File setAsideFile (const juce::File& file, int number)
    {
        return file.getSiblingFile (file.getFileName() + ".bad" + juce::String (number));
    }
}

int SettingsSetAside::numberOf (const juce::String& name, const juce::File& file)
{
    const auto prefix = file.getFileName() + ".bad";
    if (! name.startsWith (prefix))
        return -1;

    const auto digits = name.substring (prefix.length());
    if (digits.length() > maxDigits || ! digits.containsOnly ("0123456789"))
        return -1;

    return digits.getIntValue();
}

juce::Result SettingsSetAside::setAside (const juce::File& file, juce::File& keptAs)
{
    int highest = 0;
    for (const auto& [number, path] : setAsideEntries (file, true))
        highest = std::max (highest, number);

    for (int attempt = 1; attempt <= maxAttempts; ++attempt)
    {
        keptAs = setAsideFile (file, highest + attempt);
        const int error = NoReplaceRename::rename (file.getFullPathName().toRawUTF8(), keptAs.getFullPathName().toRawUTF8());

        if (error == 0)
        {
            dropOldest (file);
            return juce::Result::ok();
        }
        if (error != EEXIST)
            return juce::Result::fail (std::strerror (error));
    }
    return juce::Result::fail (std::strerror (EEXIST));
}

void SettingsSetAside::dropOldest (const juce::File& file)
{
    auto entries = setAsideEntries (file, false);
    std::sort (entries.begin(), entries.end());

    // unlink never removes a folder, even one that took a name since the listing.
    for (size_t i = 0; i + maxKept < entries.size(); ++i)
        ::unlink (entries[i].second.c_str());
}
