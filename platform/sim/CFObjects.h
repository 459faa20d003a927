// Internal: the objects behind CFTypeRef. Each kind is a subclass of __CFObject with an atomic
// reference count; constant strings are immortal.
#pragma once

#include "CoreFoundation.h"

#include <atomic>
#include <utility>
#include <vector>

struct __CFObject
{
    enum class Kind { string, number, array, dictionary };

    explicit __CFObject (Kind k) : kind (k) {}
    virtual ~__CFObject() = default;

    const Kind kind;
    std::atomic<long> count { 1 };
    bool immortal = false;
};

namespace cf
{
    struct StringObject : __CFObject
    {
        explicit StringObject (juce::String t) : __CFObject (Kind::string), text (std::move (t)) {}
        const juce::String text;
    };

    struct NumberObject : __CFObject
    {
        explicit NumberObject (std::int64_t v) : __CFObject (Kind::number), value (v) {}
        const std::int64_t value;
    };

    // Containers made with the type callbacks retain what they hold; without callbacks they only store it.
    struct ArrayObject : __CFObject
    {
        explicit ArrayObject (bool retains) : __CFObject (Kind::array), retainsValues (retains) {}
        ~ArrayObject() override;
        const bool retainsValues;
        std::vector<const void*> items;
    };

    struct DictionaryObject : __CFObject
    {
        DictionaryObject (bool keys, bool values)
            : __CFObject (Kind::dictionary), retainsKeys (keys), retainsValues (values) {}
        ~DictionaryObject() override;
        const bool retainsKeys, retainsValues;
        std::vector<std::pair<const void*, const void*>> entries;   // in insertion order
    };

    const StringObject* asString (CFTypeRef object);
    const NumberObject* asNumber (CFTypeRef object);
    const ArrayObject* asArray (CFTypeRef object);
    const DictionaryObject* asDictionary (CFTypeRef object);

    // Equality as CFEqual sees it for the kinds used as keys and matching values.
    bool equal (CFTypeRef a, CFTypeRef b);

    CFStringRef makeString (const juce::String& text);
    CFNumberRef makeNumber (std::int64_t value);
}
