// Internal: the objects behind CFTypeRef. Each kind is a subclass of sim::CFObject with an atomic
// reference count; constant strings are immortal.
#pragma once

#include "CoreFoundation.h"

#include <atomic>
#include <utility>
#include <vector>

namespace sim
{
    struct CFObject
    {
        enum class Kind
        {
            string,
            number,
            array,
            dictionary
        };

        explicit CFObject (Kind k) : kind (k) {}
        virtual ~CFObject() = default;

        const Kind kind;
        std::atomic<long> count { 1 };
        bool immortal = false;
    };
}

namespace cf
{
    using sim::CFObject;

    struct StringObject : CFObject
    {
        explicit StringObject (juce::String t) : CFObject (Kind::string), text (std::move (t)) {}
        const juce::String text;
    };

    struct NumberObject : CFObject
    {
        explicit NumberObject (std::int64_t v) : CFObject (Kind::number), value (v) {}
        const std::int64_t value;
    };

    // Containers made with the type callbacks retain what they hold; without callbacks they only store it.
    struct ArrayObject : CFObject
    {
        explicit ArrayObject (bool retains) : CFObject (Kind::array), retainsValues (retains) {}
        ~ArrayObject() override;
        const bool retainsValues;
        std::vector<const void*> items;
    };

    struct DictionaryObject : CFObject
    {
        DictionaryObject (bool keys, bool values)
            : CFObject (Kind::dictionary),
              retainsKeys (keys),
              retainsValues (values)
        {}
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
