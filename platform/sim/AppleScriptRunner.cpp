// NSAppleScript stand-in: the only script that can succeed activates Audio MIDI Setup, and only when
// the world has that utility.
#include "AppleScript.h"
#include "WorldState.h"

using sim::detail::WorldState;

namespace
{
    const char* const activateAudioMidiSetup = "tell application \"Audio MIDI Setup\" to activate";

    // The result and error objects handed back; their contents are never looked at.
    int resultObject = 0;
    int errorObject = 0;
}

NSAppleScript* NSAppleScriptInitWithSource (const char* utf8Source)
{
    if (utf8Source == nullptr)
        return nullptr;

    return new NSAppleScript { juce::String::fromUTF8 (utf8Source) };
}

id NSAppleScriptExecuteAndReturnError (NSAppleScript* script, id* errorInfo)
{
    bool succeeded = false;
    if (script != nullptr)
    {
        auto& state = WorldState::get();
        const std::lock_guard<std::mutex> guard (state.mutex);
        if (state.keepLogs)
            state.scriptsRun.add (script->source);
        succeeded = state.audioMidiSetupAvailable && script->source == activateAudioMidiSetup;
    }

    if (errorInfo != nullptr)
        *errorInfo = succeeded ? nullptr : &errorObject;

    return succeeded ? &resultObject : nullptr;
}

void NSAppleScriptRelease (NSAppleScript* script)
{
    delete script;
}
