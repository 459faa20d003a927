// Stand-in for the CoreFoundation calls the device code makes: reference-counted strings, numbers,
// arrays and dictionaries, and the main run loop, which on this platform is JUCE's message thread.
#pragma once

#include <cstdint>
#include <juce_core/juce_core.h>

using Boolean = bool;
using UInt8 = std::uint8_t;
using SInt32 = std::int32_t;
using UInt32 = std::uint32_t;
using Float32 = float;
using Float64 = double;
using CFIndex = long;
using CFOptionFlags = unsigned long;
using CFTypeID = unsigned long;

// The objects behind the opaque references live in the simulated world; a ...Ref is a pointer to one.
// Objects start with a count of one.
namespace sim
{
    struct CFObject;
    struct RunLoop;
    struct RunLoopSource;
}

using CFTypeRef = const sim::CFObject*;
using CFStringRef = const sim::CFObject*;
using CFMutableStringRef = sim::CFObject*;
using CFNumberRef = const sim::CFObject*;
using CFArrayRef = const sim::CFObject*;
using CFMutableArrayRef = sim::CFObject*;
using CFDictionaryRef = const sim::CFObject*;
using CFMutableDictionaryRef = sim::CFObject*;
using CFAllocatorRef = const void*;

using CFRunLoopRef = sim::RunLoop*;
using CFRunLoopSourceRef = sim::RunLoopSource*;
using CFRunLoopMode = const char*;

struct CFArrayCallBacks
{
    int version;
};
struct CFDictionaryKeyCallBacks
{
    int version;
};
struct CFDictionaryValueCallBacks
{
    int version;
};

extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFArrayCallBacks kCFTypeArrayCallBacks;
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;
extern const CFRunLoopMode kCFRunLoopDefaultMode;
extern const CFRunLoopMode kCFRunLoopCommonModes;

enum CFStringBuiltInEncodings : UInt32
{
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUTF8 = 0x08000100
};
using CFStringEncoding = UInt32;

enum CFComparisonResult : CFIndex
{
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1
};
enum : CFOptionFlags
{
    kCFCompareCaseInsensitive = 1
};

enum CFNumberType : CFIndex
{
    kCFNumberSInt32Type = 3,
    kCFNumberIntType = 9
};

// Objects
CFTypeRef CFRetain (CFTypeRef object);
void CFRelease (CFTypeRef object);
CFIndex CFGetRetainCount (CFTypeRef object);
CFTypeID CFGetTypeID (CFTypeRef object);
CFTypeID CFStringGetTypeID();
CFTypeID CFNumberGetTypeID();
CFTypeID CFArrayGetTypeID();
CFTypeID CFDictionaryGetTypeID();

// Strings. CFSTR gives a constant string that lives for the whole process (retain and release are no-ops).
CFStringRef CFStringCreateWithCString (CFAllocatorRef allocator, const char* text, CFStringEncoding encoding);
CFStringRef cfConstantString (const char* text);
#define CFSTR(text) cfConstantString (text)
CFComparisonResult CFStringCompare (CFStringRef a, CFStringRef b, CFOptionFlags options);
// The text of a string object (an empty string for null or for an object that is not a string); the
// stand-in for juce::String::fromCFString, which JUCE offers on macOS only.
juce::String juceStringFromCFString (CFStringRef string);

// Numbers
CFNumberRef CFNumberCreate (CFAllocatorRef allocator, CFNumberType type, const void* value);
Boolean CFNumberGetValue (CFNumberRef number, CFNumberType type, void* value);

// Containers; they retain what is put in them and release it when they die.
CFMutableArrayRef CFArrayCreateMutable (CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks);
void CFArrayAppendValue (CFMutableArrayRef array, const void* value);
CFIndex CFArrayGetCount (CFArrayRef array);
const void* CFArrayGetValueAtIndex (CFArrayRef array, CFIndex index);
CFMutableDictionaryRef CFDictionaryCreateMutable (CFAllocatorRef allocator, CFIndex capacity,
                                                  const CFDictionaryKeyCallBacks* keyCallBacks,
                                                  const CFDictionaryValueCallBacks* valueCallBacks);
void CFDictionarySetValue (CFMutableDictionaryRef dictionary, const void* key, const void* value);
const void* CFDictionaryGetValue (CFDictionaryRef dictionary, const void* key);

// Run loops. There is one: the main run loop, served by JUCE's message thread. A source added to it
// has its callbacks delivered there, in the mode it was added with.
CFRunLoopRef CFRunLoopGetMain();
CFRunLoopRef CFRunLoopGetCurrent();
void CFRunLoopAddSource (CFRunLoopRef runLoop, CFRunLoopSourceRef source, CFRunLoopMode mode);
