// Hands a second launch's command line to the running instance. JUCE's own hand-over does nothing on
// Linux, so the running instance listens on a Unix domain socket that only the same user can reach:
// "tolva-usb/instance.sock" in the user's runtime folder, the folder mode 0700, the socket 0600, and
// every peer's uid checked before its message is taken.
#pragma once

#include <juce_events/juce_events.h>

#include <functional>
#include <memory>

class SingleInstanceChannel
{
public:
    using Callback = std::function<void (const juce::String& commandLine)>;

    // Starts listening at once. Each command line received reaches the callback on the message
    // thread; nothing is delivered once the channel is destroyed. A socket file left behind by a
    // crashed instance is replaced; a live one is left alone and this channel does not listen.
    explicit SingleInstanceChannel (Callback onCommandLine);
    // Destroy on the message thread: that keeps the callback from running during or after it.
    ~SingleInstanceChannel();

    bool isListening() const noexcept;

    // Used by a second launch: true only when a running instance of this user received the text.
    static bool sendToRunningInstance (const juce::String& commandLine);

    // The socket's path: $XDG_RUNTIME_DIR/tolva-usb/instance.sock, or inside the user's application
    // data folder when there is no runtime folder.
    static juce::File getSocketFile();

private:
    class Listener;
    std::unique_ptr<Listener> listener;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SingleInstanceChannel)
};
