// Internal: the state of the simulated device world, shared by the platform calls and sim::World. One
// mutex guards all of it; callbacks into the program are made without holding it.
#pragma once

#include "SimulatedWorld.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace sim::detail
{
    // A matching dictionary turned into key and value pairs (values are CF strings or numbers, retained).
    struct Criterion
    {
        juce::String key;
        CFTypeRef value;   // retained by the owning Criteria
    };

    struct Criteria
    {
        Criteria() = default;
        Criteria (const Criteria&) = delete;
        Criteria& operator= (const Criteria&) = delete;
        ~Criteria();

        // Builds from one dictionary; keys that are not strings are left out.
        void addDictionary (CFDictionaryRef dictionary);
        std::vector<std::vector<Criterion>> dictionaries;
    };
}

namespace sim
{
    // A run loop. The main one is served by JUCE's message thread; every other thread has one of its own,
    // which nothing here ever runs.
    struct RunLoop
    {
        bool isMain = false;
    };

    // Where a source or a HID manager was put: each run loop with the mode it was added in.
    struct RunLoopSchedule
    {
        struct Entry
        {
            RunLoop* runLoop;
            juce::String mode;
        };

        std::vector<Entry> entries;

        bool scheduled() const { return ! entries.empty(); }
        void add (RunLoop* runLoop, CFRunLoopMode mode);
        // Whether its callbacks run while the given run loop runs in the given mode.
        bool runsIn (const RunLoop* runLoop, const juce::String& mode) const;
    };

    // The objects behind the IOKit and CoreFoundation handles that the platform calls hand out.
    struct HidDevice
    {
        HidDeviceSpec spec;
        bool attached = true;
        bool open = false;
        // Removal callbacks posted for it and not yet returned; once the last has returned the handle is
        // released, and any call on it is the program's fault.
        int removalsPending = 0;
        bool released = false;
        std::vector<HidReport> reports;   // kept only while tests read them
        io_object_t serviceId = 0;
        // The property objects that IOHIDDeviceGetProperty hands out (null when absent).
        CFNumberRef vendorIdObject = nullptr;
        CFNumberRef productIdObject = nullptr;
        CFStringRef productObject = nullptr;

        ~HidDevice();
        // The device's value for a property key, or null when it has none.
        CFTypeRef property (const juce::String& key) const;
    };

    namespace detail
    {
        // A device matches when every key of at least one dictionary equals its property.
        bool matchesAny (const Criteria& criteria, const HidDevice& device);
    }

    struct HidManager
    {
        std::optional<detail::Criteria> criteria;   // none set: every device matches
        IOHIDDeviceCallback matchingCallback = nullptr;
        void* matchingContext = nullptr;
        IOHIDDeviceCallback removalCallback = nullptr;
        void* removalContext = nullptr;
        RunLoopSchedule schedule;
        bool open = false;
        std::vector<IOHIDDeviceRef> reported;   // devices whose arrival was posted

        bool matches (const HidDevice& device) const;
    };

    struct NotificationPort;

    struct RunLoopSource
    {
        NotificationPort* port;
        RunLoopSchedule schedule;
    };

    struct NotificationPort
    {
        NotificationPort() : source { this, {} } {}

        RunLoopSource source;
        // Power ports only
        bool isPowerPort = false;
        void* refcon = nullptr;
        IOServiceInterestCallback powerCallback = nullptr;
        io_connect_t connection = 0;
    };
}

struct NSAppleScript
{
    juce::String source;
};

namespace sim::detail
{
    struct Listener
    {
        AudioObjectPropertyListenerProc proc;
        void* clientData;
        AudioObjectPropertyAddress address;
    };

    struct Announcement
    {
        std::uint64_t generation;
        AudioObjectID object;
        std::vector<AudioObjectPropertyAddress> addresses;
    };

    // The modes that kCFRunLoopCommonModes stands for.
    bool isCommonMode (const juce::String& mode);

    // Whether a listener installed at 'wanted' hears a change of 'changed' (wildcards match anything).
    inline bool addressesMatch (const AudioObjectPropertyAddress& wanted, const AudioObjectPropertyAddress& changed)
    {
        auto same = [] (UInt32 a, UInt32 b, UInt32 wildcard) { return a == b || a == wildcard || b == wildcard; };
        return same (wanted.mSelector, changed.mSelector, kAudioObjectPropertySelectorWildcard)
               && same (wanted.mScope, changed.mScope, kAudioObjectPropertyScopeWildcard)
               && same (wanted.mElement, changed.mElement, kAudioObjectPropertyElementWildcard);
    }

    enum class Direction
    {
        input = 0,
        output = 1
    };

    struct AudioDevice
    {
        AudioDeviceSpec spec;
        AudioObjectID id = 0;
        double rate = 48000.0;
        std::optional<double> pendingRate;
        double pendingDue = 0.0;   // platform milliseconds
        int settleDelayMs = 0;
        float volumeDb[2][3] {};   // [direction][element]
        bool muted[2] {};
        bool playThru = false;
        UInt32 dataSource = dataSourceLine;
        std::vector<AudioObjectPropertySelector> failingGets;
        std::vector<AudioObjectPropertySelector> failingSets;

        bool hasDirection (Direction d) const { return d == Direction::input ? spec.hasInput : spec.hasOutput; }
        juce::Range<float> dbRange (Direction d) const
        {
            return d == Direction::input ? spec.inputDbRange : spec.outputDbRange;
        }
        bool getFails (AudioObjectPropertySelector selector) const;
        bool setFails (AudioObjectPropertySelector selector) const;
    };

    // Who asks for a property change: the program goes through the settle delay and the write log.
    enum class Origin
    {
        program,
        outside
    };

    struct ServiceNotification
    {
        io_iterator_t iterator = 0;
        NotificationPort* port = nullptr;
        Criteria criteria;
        IOServiceMatchingCallback callback = nullptr;
        void* refCon = nullptr;
        std::deque<io_object_t> pending;   // services not yet taken with IOIteratorNext
        bool armed = false;
    };

    class WorldState
    {
    public:
        static WorldState& get();
        ~WorldState();

        mutable std::mutex mutex;
        std::atomic<std::uint64_t> generation { 1 };
        // Whether the logs below (reports, writes, power changes, scripts) are kept. Only tests read
        // them; the program, which runs for hours, keeps none.
        bool keepLogs = false;

        // HID
        std::vector<std::unique_ptr<HidDevice>> hidDevices;   // plug order, unplugged ones kept
        std::vector<std::unique_ptr<HidManager>> managers;
        int reportAttempts = 0;
        int reportsRefused = 0;
        // Faults of the program that only a reset forgets.
        int malformedReports = 0;
        int reportsToClosedDevices = 0;
        int callsAfterRemoval = 0;
        juce::StringArray lastCriteria;

        // Core Audio
        std::vector<std::unique_ptr<AudioDevice>> audioDevices;     // in device-list order
        std::map<AudioObjectID, std::vector<Listener>> listeners;   // by identifier; outlive a removal
        AudioObjectID nextAudioId = 0x30;
        std::vector<PropertyWrite> writes;

        // Switches
        bool refuseDuplicateListener = false;
        bool deviceListFails = false;
        bool powerRegistrationFails = false;
        bool audioMidiSetupAvailable = false;

        // Power, services, AppleScript
        std::vector<std::unique_ptr<NotificationPort>> ports;
        std::vector<std::unique_ptr<ServiceNotification>> serviceNotifications;
        std::vector<intptr_t> allowedPowerChanges;
        int powerRegistrations = 0;
        int serviceRegistrations = 0;
        io_object_t nextObjectId = 0x1000;
        juce::StringArray scriptsRun;

        // Lookups and changes; the caller holds the mutex.
        HidDevice* findHid (IOHIDDeviceRef device) const;
        AudioDevice* findAudio (AudioObjectID object) const;
        void postArrival (HidManager& manager, HidDevice& device);
        void postRemoval (HidManager& manager, HidDevice& device);
        void deliverPresentDevices (HidManager& manager);
        void offerToServiceNotifications (const HidDevice& device);
        void applyHidCommand (const HidDevice& device, const std::vector<UInt8>& bytes);
        OSStatus getProperty (AudioObjectID object, const AudioObjectPropertyAddress& address, UInt32* ioSize,
                              void* data, bool sizeOnly);
        OSStatus setProperty (AudioObjectID object, const AudioObjectPropertyAddress& address, UInt32 size,
                              const void* data, Origin origin);
        void announce (AudioObjectID object, std::vector<AudioObjectPropertyAddress> addresses);
        void settleRates();

        // Counts a call on a handle whose removal callbacks have all returned; true when it was one.
        bool countCallAfterRemoval (const HidDevice& device);

        // The main run loop and the mode it runs in now (the default mode unless a test says otherwise).
        static RunLoop& mainRunLoop();
        juce::String mainRunLoopMode { kCFRunLoopDefaultMode };
        void setMainRunLoopMode (const juce::String& mode);

        // Runs prepare's call as a callback of a source with this schedule: on the message thread, while
        // the main run loop runs in one of the source's modes, in the order posted, and not at all when
        // the world is reset first or the source is on no run loop that runs. prepare is called with the
        // mutex held and returns the call to make once it is released.
        void postToRunLoop (const RunLoopSchedule& schedule, std::function<std::function<void()>()> prepare);

        // Notification thread
        bool listenerIdle() const;
        std::atomic<int> listenerCalls { 0 };
        // Stops the thread and drops what is queued; pumps the message loop while waiting when called
        // on the message thread, so a listener that waits for the message thread can finish.
        void stopNotificationThread (bool pumpMessages);

        void reset();

    private:
        WorldState() = default;

        struct PendingCallback
        {
            std::uint64_t generation;
            const RunLoopSchedule* schedule;
            std::function<std::function<void()>()> prepare;
        };

        void deliver (PendingCallback callback);
        void releaseHeldCallbacks();
        std::deque<PendingCallback> held;   // waiting for a mode they run in

        void ensureNotificationThread();
        void notificationLoop();
        std::optional<double> realMsUntilNextSettle() const;

        std::deque<Announcement> queue;
        bool delivering = false;
        bool stopRequested = false;
        std::atomic<bool> threadFinished { false };
        std::thread thread;
        std::condition_variable wake;
        bool shutdownHookInstalled = false;
        friend class ShutdownHook;
    };
}
