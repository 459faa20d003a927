// Stand-in for Foundation's NSAppleScript: a script made from UTF-8 source, run synchronously on the
// calling thread; running it yields a result object, or nil on failure.
#pragma once

struct NSAppleScript;
using id = void*;

NSAppleScript* NSAppleScriptInitWithSource (const char* utf8Source);   // [[NSAppleScript alloc] initWithSource:]
id NSAppleScriptExecuteAndReturnError (NSAppleScript* script, id* errorInfo);   // nil (nullptr) on failure
void NSAppleScriptRelease (NSAppleScript* script);
