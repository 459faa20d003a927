// The real program idle and its single-instance channel under peers that misbehave:
// - CPU used by the idle program (device attached, window shown) over 60 s, and its threads' wake-ups;
// - the time a quit takes with a slow client and silent clients connected;
// - the time a launch takes to open its own window while the running instance is stopped;
// - the time a hand-over takes to give up on a peer that never answers (in process).
// Needs an X display: run under xvfb-run. TOLVA_BENCH_PROGRAM names another build of the program to
// measure instead (for a before-and-after comparison of the idle cost).
#include "BenchSupport.h"
#include "SingleInstanceChannel.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
    using bench_support::Clock;
    using bench_support::mainWindowTitle;
    using bench_support::msSince;
    using bench_support::programExitTimeoutMs;
    using bench_support::sharedDisplay;

    constexpr int startTimeoutMs = 30000;

    juce::File program()
    {
        if (const char* other = std::getenv ("TOLVA_BENCH_PROGRAM"))
            return juce::File (other);
        return juce::File (TOLVA_APP_PATH);
    }

    // The folders of one run, with the user data folder a user's session has.
    struct Folders : bench_support::SessionFolders
    {
        Folders() : SessionFolders ("tolva-channelbench") { home.getChildFile (".config").createDirectory(); }

        std::unique_ptr<launch::AppProcess> start (const juce::StringArray& arguments = {}) const
        {
            return SessionFolders::start (program(), arguments);
        }
    };

    bool waitForWindow (launch::AppProcess& app)
    {
        return launch::pollUntil (
                   [&]
                   { return ! sharedDisplay().findWindows (mainWindowTitle, app.pid()).empty() || ! app.isRunning(); },
                   startTimeoutMs)
               && app.isRunning();
    }

    // User and system CPU time of the process in clock ticks, from /proc/<pid>/stat.
    double cpuSeconds (pid_t pid)
    {
        std::ifstream stat ("/proc/" + std::to_string (pid) + "/stat");
        std::string line;
        std::getline (stat, line);

        // Fields after the command name, which is in parentheses: state is field 3, utime 14, stime 15.
        std::istringstream fields (line.substr (line.rfind (')') + 2));
        std::string field;
        unsigned long long utime = 0, stime = 0;
        for (int index = 3; fields >> field; ++index)
        {
            if (index == 14)
                utime = std::stoull (field);
            if (index == 15)
            {
                stime = std::stoull (field);
                break;
            }
        }

        return double (utime + stime) / double (::sysconf (_SC_CLK_TCK));
    }

    // Voluntary context switches of all the process's threads: each is a thread going to sleep after
    // it woke.
    long long voluntarySwitches (pid_t pid)
    {
        long long total = 0;
        std::error_code ignored;
        for (const auto& task : std::filesystem::directory_iterator ("/proc/" + std::to_string (pid) + "/task", ignored))
        {
            std::ifstream status (task.path() / "status");
            for (std::string line; std::getline (status, line);)
                if (line.rfind ("voluntary_ctxt_switches:", 0) == 0)
                    total += std::stoll (line.substr (line.find (':') + 1));
        }
        return total;
    }

    int connectTo (const juce::File& socket)
    {
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        socket.getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));
        const int fd = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect (fd, reinterpret_cast<const sockaddr*> (&address), sizeof (address)) == 0)
            return fd;
        ::close (fd);
        return -1;
    }

    bool needsDisplay (benchmark::State& state)
    {
        if (std::getenv ("DISPLAY") != nullptr && sharedDisplay().isOpen())
            return true;
        state.SkipWithError ("needs an X display (run under xvfb-run)");
        return false;
    }

    // The program started in the folders with its window on screen, or nothing (the benchmark is
    // then marked failed).
    std::unique_ptr<launch::AppProcess> startShowingWindow (const Folders& folders, benchmark::State& state)
    {
        auto app = folders.start();
        if (waitForWindow (*app))
            return app;

        state.SkipWithError ("the program showed no window");
        return nullptr;
    }
}

static void BM_IdleCpuOver60s (benchmark::State& state)
{
    if (! needsDisplay (state))
        return;

    constexpr int settleMs = 2000, measuredMs = 60000;
    double cpu = 0, switches = 0;

    for (auto _ : state)
    {
        const Folders folders;
        const auto app = startShowingWindow (folders, state);
        if (app == nullptr)
            break;

        // Start-up work (the device's arrival, the first paints) is over before the measurement.
        std::this_thread::sleep_for (std::chrono::milliseconds (settleMs));
        const auto cpuBefore = cpuSeconds (app->pid());
        const auto switchesBefore = voluntarySwitches (app->pid());
        std::this_thread::sleep_for (std::chrono::milliseconds (measuredMs));
        cpu = cpuSeconds (app->pid()) - cpuBefore;
        switches = double (voluntarySwitches (app->pid()) - switchesBefore);
        state.SetIterationTime (measuredMs / 1000.0);

        app->interrupt();
        app->waitForExit (programExitTimeoutMs);
    }

    state.counters["cpu_s"] = cpu;
    state.counters["core_pct"] = 100.0 * cpu / (measuredMs / 1000.0);
    state.counters["wakeups_per_s"] = switches / (measuredMs / 1000.0);
    state.SetLabel (program().getFullPathName().toStdString());
}
BENCHMARK (BM_IdleCpuOver60s)->UseManualTime()->Unit (benchmark::kSecond)->Iterations (1);

// A client sends the start of a message and then nothing more; three more say nothing at all.
static void BM_QuitWithSlowClientConnected (benchmark::State& state)
{
    if (! needsDisplay (state))
        return;

    for (auto _ : state)
    {
        const Folders folders;
        const auto app = startShowingWindow (folders, state);
        if (app == nullptr)
            break;

        std::vector<int> clients;
        for (int i = 0; i < 4; ++i)
            clients.push_back (connectTo (folders.runtimeDir.getChildFile ("tolva-usb/instance.sock")));
        const unsigned char partial[] = { 0, 0, 0, 100, 'x' };
        ::send (clients[0], partial, sizeof (partial), MSG_NOSIGNAL);

        const auto start = Clock::now();
        app->interrupt();
        const auto exitCode = app->waitForExit (programExitTimeoutMs);
        state.SetIterationTime (msSince (start) / 1000.0);

        for (const int fd : clients)
            ::close (fd);

        if (exitCode != std::optional<int> (0))
        {
            state.SkipWithError ("the program did not end normally");
            break;
        }
    }
}
BENCHMARK (BM_QuitWithSlowClientConnected)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (3);

// From starting a launch to its own window on screen, while the running instance is stopped.
static void BM_LaunchFacingStoppedInstance (benchmark::State& state)
{
    if (! needsDisplay (state))
        return;

    for (auto _ : state)
    {
        const Folders folders;
        const auto running = startShowingWindow (folders, state);
        if (running == nullptr)
            break;

        ::kill (running->pid(), SIGSTOP);
        const auto start = Clock::now();
        auto second = folders.start();
        const bool opened = waitForWindow (*second);
        state.SetIterationTime (msSince (start) / 1000.0);

        ::kill (running->pid(), SIGCONT);
        second->interrupt();
        running->interrupt();
        second->waitForExit (programExitTimeoutMs);
        running->waitForExit (programExitTimeoutMs);

        if (! opened)
        {
            state.SkipWithError ("the launch opened no window");
            break;
        }
    }
}
BENCHMARK (BM_LaunchFacingStoppedInstance)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (3);

// A hand-over to a listener that never accepts, in process: the sender's own decision time.
static void BM_HandOverGivesUpOnSilentListener (benchmark::State& state)
{
    const Folders folders;
    const auto folder = folders.runtimeDir.getChildFile ("tolva-usb");
    folder.createDirectory();
    ::chmod (folder.getFullPathName().toRawUTF8(), 0700);

    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    folder.getChildFile ("instance.sock").getFullPathName().copyToUTF8 (address.sun_path, sizeof (address.sun_path));
    const int listener = ::socket (AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ::bind (listener, reinterpret_cast<const sockaddr*> (&address), sizeof (address));
    ::listen (listener, 64);

    for (auto _ : state)
        benchmark::DoNotOptimize (SingleInstanceChannel::sendToRunningInstance (
            "/default", SingleInstanceChannel::handOverTimeoutMs, { folder }));

    ::close (listener);
}
BENCHMARK (BM_HandOverGivesUpOnSilentListener)->Unit (benchmark::kMillisecond)->Iterations (3);
