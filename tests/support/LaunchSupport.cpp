#include "LaunchSupport.h"

#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace launch
{
    bool pollUntil (const std::function<bool()>& condition, int timeoutMs)
    {
        const auto end = juce::Time::getMillisecondCounterHiRes() + timeoutMs;

        while (! condition())
        {
            if (juce::Time::getMillisecondCounterHiRes() > end)
                return false;

            juce::Thread::sleep (20);
        }

        return true;
    }

    //==============================================================================
    namespace
    {
        bool isReplacedVariable (const char* entry)
        {
            for (const char* name : { "HOME=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=" })
                if (std::strncmp (entry, name, std::strlen (name)) == 0)
                    return true;

            return false;
        }

        std::vector<std::string> childEnvironment (const juce::File& home, const juce::File& runtimeDir)
        {
            std::vector<std::string> variables;

            for (char** entry = environ; *entry != nullptr; ++entry)
                if (! isReplacedVariable (*entry))
                    variables.emplace_back (*entry);

            variables.push_back ("HOME=" + home.getFullPathName().toStdString());
            if (runtimeDir != juce::File())
                variables.push_back ("XDG_RUNTIME_DIR=" + runtimeDir.getFullPathName().toStdString());
            return variables;
        }

        std::vector<char*> pointersTo (std::vector<std::string>& strings)
        {
            std::vector<char*> pointers;
            for (auto& s : strings)
                pointers.push_back (s.data());
            pointers.push_back (nullptr);
            return pointers;
        }
    }

    AppProcess::AppProcess (const juce::File& program, const juce::StringArray& arguments,
                            const juce::File& home, const juce::File& runtimeDir, const juce::File& log)
    {
        std::vector<std::string> argv { program.getFullPathName().toStdString() };
        for (const auto& argument : arguments)
            argv.push_back (argument.toStdString());

        auto env = childEnvironment (home, runtimeDir);
        auto argvPointers = pointersTo (argv);
        auto envPointers = pointersTo (env);
        const auto logPath = log.getFullPathName().toStdString();

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);

        pid_t child = -1;
        if (posix_spawn (&child, argv.front().c_str(), &actions, nullptr, argvPointers.data(), envPointers.data()) == 0)
            processId = child;

        posix_spawn_file_actions_destroy (&actions);
    }

    AppProcess::~AppProcess()
    {
        if (started() && isRunning())
        {
            ::kill (processId, SIGKILL);
            reap (true);
        }
    }

    bool AppProcess::reap (bool block)
    {
        if (exitCode.has_value())
            return true;

        int status = 0;
        pid_t result;
        do result = ::waitpid (processId, &status, block ? 0 : WNOHANG);
        while (result < 0 && errno == EINTR);

        if (result != processId)
            return false;

        exitCode = WIFEXITED (status) ? WEXITSTATUS (status) : 128 + WTERMSIG (status);
        return true;
    }

    bool AppProcess::isRunning()
    {
        return started() && ! reap (false);
    }

    std::optional<int> AppProcess::waitForExit (int timeoutMs)
    {
        if (started())
            pollUntil ([this] { return ! isRunning(); }, timeoutMs);

        return exitCode;
    }

    void AppProcess::interrupt()
    {
        if (isRunning())
            ::kill (processId, SIGINT);
    }

    //==============================================================================
    ExclusiveLaunch::ExclusiveLaunch (int timeoutMs)
    {
        const int candidate = ::open ("/var/tmp/tolva-launch-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (candidate < 0)
            return;

        if (pollUntil ([candidate] { return ::flock (candidate, LOCK_EX | LOCK_NB) == 0; }, timeoutMs))
            fd = candidate;
        else
            ::close (candidate);
    }

    ExclusiveLaunch::~ExclusiveLaunch()
    {
        if (fd >= 0)
            ::close (fd);
    }

    //==============================================================================
    juce::File settingsFile (const juce::File& home)
    {
        return home.getChildFile (".config/Tolva USB/Tolva USB.settings");
    }

    std::optional<juce::String> storedWindowPosition (const juce::File& home)
    {
        const auto xml = juce::parseXMLIfTagMatches (settingsFile (home), "PROPERTIES");
        if (xml == nullptr)
            return std::nullopt;

        for (auto* value : xml->getChildWithTagNameIterator ("VALUE"))
            if (value->getStringAttribute ("name") == "WindowPosition")
                return value->getStringAttribute ("val");

        return std::nullopt;
    }

    bool writeWindowPosition (const juce::File& home, const juce::String& state)
    {
        juce::XmlElement properties ("PROPERTIES");
        auto* value = properties.createNewChildElement ("VALUE");
        value->setAttribute ("name", "WindowPosition");
        value->setAttribute ("val", state);

        const auto file = settingsFile (home);
        return file.getParentDirectory().createDirectory() && properties.writeTo (file);
    }
}
