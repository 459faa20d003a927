#include "LaunchSupport.h"

#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
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
        bool isReplacedVariable (const char* entry, const juce::StringArray& replacements)
        {
            for (const char* name : { "HOME=", "XDG_RUNTIME_DIR=", "XDG_CONFIG_HOME=" })
                if (std::strncmp (entry, name, std::strlen (name)) == 0)
                    return true;

            for (const auto& replacement : replacements)
                if (juce::String (entry).startsWith (replacement.upToFirstOccurrenceOf ("=", false, false) + "="))
                    return true;

            return false;
        }

        std::vector<std::string> childEnvironment (const juce::File& home, const juce::File& runtimeDir,
                                                   const juce::StringArray& extra)
        {
            std::vector<std::string> variables;

            for (char** entry = environ; *entry != nullptr; ++entry)
                if (! isReplacedVariable (*entry, extra))
                    variables.emplace_back (*entry);

            variables.push_back ("HOME=" + home.getFullPathName().toStdString());
            if (runtimeDir != juce::File())
                variables.push_back ("XDG_RUNTIME_DIR=" + runtimeDir.getFullPathName().toStdString());
            for (const auto& entry : extra)
                if (entry.containsChar ('='))
                    variables.push_back (entry.toStdString());
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

    AppProcess::AppProcess (const juce::File& program, const juce::StringArray& arguments, const juce::File& home,
                            const juce::File& runtimeDir, const juce::File& log, const juce::StringArray& environment,
                            StandardError standardError)
    {
        std::vector<std::string> argv { program.getFullPathName().toStdString() };
        for (const auto& argument : arguments)
            argv.push_back (argument.toStdString());

        auto env = childEnvironment (home, runtimeDir, environment);
        auto argvPointers = pointersTo (argv);
        auto envPointers = pointersTo (env);
        const auto logPath = log.getFullPathName().toStdString();

        // Both ends close on exec: the program holds only the write end, as its standard error.
        int errorPipe[2] = { -1, -1 };
        if (standardError == StandardError::toClosedPipe && ::pipe2 (errorPipe, O_CLOEXEC) != 0)
            return;

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (standardError == StandardError::toClosedPipe)
            posix_spawn_file_actions_adddup2 (&actions, errorPipe[1], STDERR_FILENO);
        else
            posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);

        // However this test process handles SIGPIPE, the program starts as from a shell: the signal ends
        // it unless it guards against that itself.
        posix_spawnattr_t attributes;
        posix_spawnattr_init (&attributes);
        sigset_t defaults;
        sigemptyset (&defaults);
        sigaddset (&defaults, SIGPIPE);
        posix_spawnattr_setsigdefault (&attributes, &defaults);
        posix_spawnattr_setflags (&attributes, POSIX_SPAWN_SETSIGDEF);

        pid_t child = -1;
        if (posix_spawn (&child, argv.front().c_str(), &actions, &attributes, argvPointers.data(), envPointers.data()) == 0)
            processId = child;

        posix_spawnattr_destroy (&attributes);
        posix_spawn_file_actions_destroy (&actions);

        // The reader goes before the program can write anything.
        for (const int end : errorPipe)
            if (end >= 0)
                ::close (end);
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
        do
            result = ::waitpid (processId, &status, block ? 0 : WNOHANG);
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
        sendSignal (SIGINT);
    }

    void AppProcess::sendSignal (int signal)
    {
        if (isRunning())
            ::kill (processId, signal);
    }

    //==============================================================================
    pid_t spawnQuietly (const std::vector<std::string>& argv, const juce::StringArray& environment)
    {
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry)
            if (! isReplacedVariable (*entry, environment))
                env.emplace_back (*entry);
        for (const auto& entry : environment)
            if (entry.containsChar ('='))
                env.push_back (entry.toStdString());

        auto args = argv;
        auto argvPointers = pointersTo (args);
        auto envPointers = pointersTo (env);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);

        pid_t child = -1;
        if (posix_spawnp (&child, args.front().c_str(), &actions, nullptr, argvPointers.data(), envPointers.data()) != 0)
            child = -1;

        posix_spawn_file_actions_destroy (&actions);
        return child;
    }

    void stopProcess (pid_t& processId, int signal)
    {
        if (processId <= 0)
            return;

        ::kill (processId, signal);
        int status = 0;
        while (::waitpid (processId, &status, 0) < 0 && errno == EINTR) {}
        processId = -1;
    }

    //==============================================================================
    PrivateXServer::PrivateXServer (int width, int height, const std::vector<std::string>& arguments)
    {
        // Xvfb picks a free display number and writes it to the descriptor named by -displayfd. Without
        // -noreset it resets whenever its last client leaves, and a client whose connection it accepted
        // just then is dropped: its next write raises SIGPIPE, or its XOpenDisplay fails.
        int fds[2];
        if (::pipe (fds) != 0)
            return;

        const auto fdText = std::to_string (fds[1]);
        const auto screen = std::to_string (width) + "x" + std::to_string (height) + "x24";
        std::vector<std::string> argv { "Xvfb", "-displayfd", fdText, "-screen", "0",
                                        screen, "-nolisten",  "tcp",  "-noreset" };
        argv.insert (argv.end(), arguments.begin(), arguments.end());
        auto argvPointers = pointersTo (argv);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init (&actions);
        posix_spawn_file_actions_addclose (&actions, fds[0]);
        posix_spawn_file_actions_addopen (&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2 (&actions, STDOUT_FILENO, STDERR_FILENO);

        pid_t child = -1;
        const bool spawned = posix_spawnp (&child, "Xvfb", &actions, nullptr, argvPointers.data(), environ) == 0;
        posix_spawn_file_actions_destroy (&actions);
        ::close (fds[1]);

        std::string text;
        if (spawned)
        {
            processId = child;
            pollfd reader { fds[0], POLLIN, 0 };
            char c = 0;
            while (text.find ('\n') == std::string::npos && ::poll (&reader, 1, 10000) > 0 && ::read (fds[0], &c, 1) == 1)
                text += c;
        }
        ::close (fds[0]);

        if (spawned && ! text.empty())
            number = std::atoi (text.c_str());
        else if (spawned)
            stop (SIGKILL);
    }

    PrivateXServer::~PrivateXServer()
    {
        stop (SIGKILL);
    }

    void PrivateXServer::stop (int signal)
    {
        stopProcess (processId, signal);
    }

    //==============================================================================
    bool createSessionFolders (const juce::File& home, const juce::File& runtimeDir)
    {
        return home.createDirectory() && runtimeDir.createDirectory()
               && ::chmod (runtimeDir.getFullPathName().toRawUTF8(), 0700) == 0;
    }

    WindowId waitForWindowAt (const Display& display, AppProcess& app, const juce::String& title,
                              juce::Rectangle<int> expected, int timeoutMs)
    {
        WindowId found = 0;

        pollUntil (
            [&]
            {
            for (const auto window : display.findWindows (title, app.pid()))
                if (display.boundsOf (window) == expected)
                    found = window;

            return found != 0 || ! app.isRunning();
            },
            timeoutMs);

        return found;
    }

    bool pollWithNudges (Display& display, WindowId window, const std::function<bool()>& condition, int timeoutMs)
    {
        return pollUntil (
            [&]
            {
            if (pollUntil (condition, 200))
                return true;

            display.nudge (window);
            return false;
            },
            timeoutMs);
    }

    //==============================================================================
    juce::File settingsFile (const juce::File& home)
    {
        return home.getChildFile (".config/Tolva USB/Tolva USB.settings");
    }

    std::optional<juce::String> storedWindowPosition (const juce::File& home)
    {
        return storedValue (home, "WindowPosition");
    }

    std::optional<juce::String> storedValue (const juce::File& home, const juce::String& key)
    {
        const auto xml = juce::parseXMLIfTagMatches (settingsFile (home), "PROPERTIES");
        if (xml == nullptr)
            return std::nullopt;

        for (auto* value : xml->getChildWithTagNameIterator ("VALUE"))
            if (value->getStringAttribute ("name") == key)
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
