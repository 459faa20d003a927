// Hands a second launch's command line to the running instance. JUCE's own hand-over does nothing on
// Linux, so the running instance listens on a Unix domain socket that only the same user can reach:
// "instance.sock" in a private folder (mode 0700, owned by the user), the socket 0600, and every
// peer's uid checked.
//
// Where the socket lives: every launch lists the same folders in the same order (see
// candidateFolders) and listens in the first one it can use. A launch looking for a running instance
// tries every folder of the list, so an instance that had to fall back (no runtime folder yet, or a
// folder that was not ours) is still found by a launch that could use an earlier folder.
//
// One hand-over: the launch sends a 4-byte big-endian length and the UTF-8 text; the running instance
// answers with an acknowledgement; the launch confirms with a commit byte, and only then is the text
// delivered. A launch that gave up waiting never commits, so its command line cannot arrive after it
// has opened a window of its own.
#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

class SingleInstanceChannel
{
public:
    using Callback = std::function<void (const juce::String& commandLine)>;

    // Starts listening at once, in the first usable folder. Each command line received reaches the
    // callback on the message thread; nothing is delivered once the channel is destroyed. A socket file
    // left behind by a crashed instance is replaced; at a live one this channel does not listen.
    explicit SingleInstanceChannel (Callback onCommandLine, const juce::Array<juce::File>& folders = candidateFolders());
    // Destroy on the message thread: that keeps the callback from running during or after it. Returns
    // at once however many peers are connected.
    ~SingleInstanceChannel();

    bool isListening() const noexcept;
    // The socket this channel listens on, or an empty file when it does not listen.
    juce::File getSocketFile() const;

    // Used by a second launch: true only when a running instance of this user took the text. Gives up
    // once the timeout has passed, whatever the peer does. A text longer than maxMessageBytes goes
    // shortened to its first whole UTF-8 characters within that size.
    static bool sendToRunningInstance (const juce::String& commandLine, int timeoutMs = handOverTimeoutMs,
                                       const juce::Array<juce::File>& folders = candidateFolders());

    // $XDG_RUNTIME_DIR/tolva-usb (when the variable holds an absolute path), then "tolva-usb" in the
    // user's application data folder, then tolva-usb-<uid> in the temporary folder ($TMPDIR when it
    // holds an absolute path, as POSIX programs take it, else /tmp).
    static juce::Array<juce::File> candidateFolders();

    static constexpr const char* socketName = "instance.sock";
    // A launch's whole hand-over, from the first connect to the commit.
    static constexpr int handOverTimeoutMs = 1500;
    // A launch that lost the race to listen tries once more, briefly: the winner's thread answers at
    // once, and together both tries stay well within the three seconds a launch may take to decide.
    static constexpr int lostRaceHandOverTimeoutMs = 500;
    // How long the running instance gives one peer, from accepting it to its commit.
    static constexpr int peerDeadlineMs = 2000;
    // Peers served at once; the oldest is dropped to make room for a new one.
    static constexpr int maxPeers = 16;
    static constexpr uint32_t maxMessageBytes = 64 * 1024;

private:
    class Listener;
    std::unique_ptr<Listener> listener;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SingleInstanceChannel)
};
