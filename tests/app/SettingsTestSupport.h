// What the settings tests look at besides the file's values: what stands at a path (a file and its
// bytes, a link and its text, a folder, a FIFO), the names things are kept under, and the lines the
// program writes on standard error.
#pragma once

#include "PanelTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace panel_tests
{
    // What stands at a path, without following a link: "file:<bytes>", "link:<text>", "folder", "fifo",
    // "other" or "none".
    inline std::string entryAt (const juce::File& file)
    {
        const auto path = file.getFullPathName().toStdString();
        struct stat info;
        if (::lstat (path.c_str(), &info) != 0)
            return "none";

        if (S_ISLNK (info.st_mode))
        {
            std::vector<char> text (4096);
            const auto length = ::readlink (path.c_str(), text.data(), text.size());
            return "link:" + std::string (text.data(), size_t (std::max<ssize_t> (length, 0)));
        }
        if (S_ISDIR (info.st_mode))
            return "folder";
        if (S_ISFIFO (info.st_mode))
            return "fifo";
        if (! S_ISREG (info.st_mode))
            return "other";

        juce::MemoryBlock bytes;
        file.loadFileAsData (bytes);
        return "file:" + bytes.toString().toStdString();
    }

    // The permission bits of what stands at a path (following links).
    inline int modeOf (const juce::File& file)
    {
        struct stat info;
        return ::stat (file.getFullPathName().toRawUTF8(), &info) == 0 ? int (info.st_mode & 07777) : -1;
    }

    inline bool makeLink (const juce::File& at, const juce::String& text)
    {
        return at.getParentDirectory().createDirectory()
               && ::symlink (text.toRawUTF8(), at.getFullPathName().toRawUTF8()) == 0;
    }

    // Where the store keeps the n-th file it could not read.
    inline juce::File setAsideFile (int number)
    {
        return settingsFile().getSiblingFile ("Tolva USB.settings.bad" + juce::String (number));
    }

    // The names in a folder, hidden ones too, sorted.
    inline juce::StringArray namesIn (const juce::File& folder)
    {
        juce::StringArray names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator (folder.getFullPathName().toStdString(), error))
            names.add (entry.path().filename().string());
        names.sort (false);
        return names;
    }

    inline juce::StringArray namesInSettingsFolder()
    {
        return namesIn (settingsFile().getParentDirectory());
    }

    // The lines the program reports.
    inline juce::String notReadLine (const juce::String& reason, int keptAs)
    {
        return "Tolva USB: the settings file " + settingsFile().getFullPathName() + " could not be read (" + reason
               + "); it is kept as " + setAsideFile (keptAs).getFullPathName() + ", and the defaults apply";
    }

    inline juce::String notSavedLine (const juce::String& reason, const juce::File& file = settingsFile())
    {
        return "Tolva USB: the settings could not be saved to " + file.getFullPathName() + ": " + reason;
    }

    // Standard error sent to a file that the test reads whenever it likes; put back when destroyed.
    class StderrLines
    {
    public:
        StderrLines()
        {
            std::fflush (stderr);
            saved = ::dup (STDERR_FILENO);
            const int fd =
                ::open (capture.getFile().getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            ::dup2 (fd, STDERR_FILENO);
            ::close (fd);
        }

        ~StderrLines()
        {
            std::fflush (stderr);
            ::dup2 (saved, STDERR_FILENO);
            ::close (saved);
        }

        juce::StringArray lines() const
        {
            std::fflush (stderr);
            auto text = capture.getFile().loadFileAsString();
            if (text.endsWithChar ('\n'))
                text = text.dropLastCharacters (1);

            juce::StringArray result;
            if (text.isNotEmpty())
                result.addLines (text);
            return result;
        }

    private:
        juce::TemporaryFile capture;
        int saved = -1;
    };
}
