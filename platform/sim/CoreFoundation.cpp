// Reference-counted CoreFoundation objects: strings, numbers, arrays and dictionaries.
#include "CFObjects.h"

#include <limits>
#include <map>
#include <mutex>
#include <string>

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFArrayCallBacks kCFTypeArrayCallBacks { 0 };
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks { 0 };
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks { 0 };

namespace
{
    enum : CFTypeID
    {
        stringTypeId = 7,
        numberTypeId = 22,
        arrayTypeId = 19,
        dictionaryTypeId = 18
    };

    sim::CFObject* mutableObject (CFTypeRef object)
    {
        return const_cast<sim::CFObject*> (object);
    }

    void retainValue (const void* value, bool retains)
    {
        if (retains && value != nullptr)
            CFRetain (static_cast<CFTypeRef> (value));
    }

    void releaseValue (const void* value, bool retains)
    {
        if (retains && value != nullptr)
            CFRelease (static_cast<CFTypeRef> (value));
    }

    cf::ArrayObject* mutableArray (CFMutableArrayRef array)
    {
        return const_cast<cf::ArrayObject*> (cf::asArray (array));
    }

    cf::DictionaryObject* mutableDictionary (CFMutableDictionaryRef dictionary)
    {
        return const_cast<cf::DictionaryObject*> (cf::asDictionary (dictionary));
    }
}

namespace cf
{
    ArrayObject::~ArrayObject()
    {
        for (auto* item : items)
            releaseValue (item, retainsValues);
    }

    DictionaryObject::~DictionaryObject()
    {
        for (auto& [key, value] : entries)
        {
            releaseValue (key, retainsKeys);
            releaseValue (value, retainsValues);
        }
    }

    const StringObject* asString (CFTypeRef object)
    {
        return object != nullptr && object->kind == CFObject::Kind::string ? static_cast<const StringObject*> (object) : nullptr;
    }

    const NumberObject* asNumber (CFTypeRef object)
    {
        return object != nullptr && object->kind == CFObject::Kind::number ? static_cast<const NumberObject*> (object) : nullptr;
    }

    const ArrayObject* asArray (CFTypeRef object)
    {
        return object != nullptr && object->kind == CFObject::Kind::array ? static_cast<const ArrayObject*> (object) : nullptr;
    }

    const DictionaryObject* asDictionary (CFTypeRef object)
    {
        return object != nullptr && object->kind == CFObject::Kind::dictionary ? static_cast<const DictionaryObject*> (object)
                                                                               : nullptr;
    }

    bool equal (CFTypeRef a, CFTypeRef b)
    {
        if (a == b)
            return true;

        if (auto* sa = asString (a))
            if (auto* sb = asString (b))
                return sa->text == sb->text;

        if (auto* na = asNumber (a))
            if (auto* nb = asNumber (b))
                return na->value == nb->value;

        return false;
    }

    CFStringRef makeString (const juce::String& text)
    {
        return new StringObject (text);
    }
    CFNumberRef makeNumber (std::int64_t value)
    {
        return new NumberObject (value);
    }
}

// Objects ------------------------------------------------------------------------------------------------

CFTypeRef CFRetain (CFTypeRef object)
{
    if (object != nullptr && ! object->immortal)
        mutableObject (object)->count.fetch_add (1, std::memory_order_relaxed);

    return object;
}

void CFRelease (CFTypeRef object)
{
    if (object == nullptr || object->immortal)
        return;

    if (mutableObject (object)->count.fetch_sub (1, std::memory_order_acq_rel) == 1)
        delete object;
}

CFIndex CFGetRetainCount (CFTypeRef object)
{
    return object == nullptr ? 0 : object->count.load (std::memory_order_relaxed);
}

CFTypeID CFGetTypeID (CFTypeRef object)
{
    if (object == nullptr)
        return 0;

    switch (object->kind)
    {
        case sim::CFObject::Kind::string:
            return stringTypeId;
        case sim::CFObject::Kind::number:
            return numberTypeId;
        case sim::CFObject::Kind::array:
            return arrayTypeId;
        case sim::CFObject::Kind::dictionary:
            return dictionaryTypeId;
    }

    return 0;
}

CFTypeID CFStringGetTypeID()
{
    return stringTypeId;
}
CFTypeID CFNumberGetTypeID()
{
    return numberTypeId;
}
CFTypeID CFArrayGetTypeID()
{
    return arrayTypeId;
}
CFTypeID CFDictionaryGetTypeID()
{
    return dictionaryTypeId;
}

// Strings ------------------------------------------------------------------------------------------------

CFStringRef CFStringCreateWithCString (CFAllocatorRef, const char* text, CFStringEncoding encoding)
{
    if (text == nullptr)
        return nullptr;

    if (encoding == kCFStringEncodingASCII)
        return cf::makeString (juce::String (juce::CharPointer_ASCII (text)));

    return cf::makeString (juce::String::fromUTF8 (text));
}

CFStringRef cfConstantString (const char* text)
{
    // One immortal object per text, interned for the life of the process. The table is never destroyed,
    // so constants stay valid during static destruction too.
    static auto* table = new std::map<std::string, CFStringRef>();
    static auto* tableLock = new std::mutex();

    const std::string key (text != nullptr ? text : "");
    const std::lock_guard<std::mutex> lock (*tableLock);

    auto& entry = (*table)[key];
    if (entry == nullptr)
    {
        auto* object = new cf::StringObject (juce::String::fromUTF8 (key.c_str()));
        object->immortal = true;
        entry = object;
    }

    return entry;
}

CFComparisonResult CFStringCompare (CFStringRef a, CFStringRef b, CFOptionFlags options)
{
    const auto textA = juceStringFromCFString (a);
    const auto textB = juceStringFromCFString (b);
    const int order = (options & kCFCompareCaseInsensitive) != 0 ? textA.compareIgnoreCase (textB) : textA.compare (textB);
    return order < 0 ? kCFCompareLessThan : (order > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo);
}

juce::String juceStringFromCFString (CFStringRef string)
{
    if (auto* s = cf::asString (string))
        return s->text;

    return {};
}

// Numbers ------------------------------------------------------------------------------------------------

CFNumberRef CFNumberCreate (CFAllocatorRef, CFNumberType type, const void* value)
{
    if (value == nullptr || (type != kCFNumberSInt32Type && type != kCFNumberIntType))
        return nullptr;

    return cf::makeNumber (*static_cast<const SInt32*> (value));
}

Boolean CFNumberGetValue (CFNumberRef number, CFNumberType type, void* value)
{
    auto* n = cf::asNumber (number);
    if (n == nullptr || value == nullptr || (type != kCFNumberSInt32Type && type != kCFNumberIntType))
        return false;

    *static_cast<SInt32*> (value) = static_cast<SInt32> (n->value);
    return n->value >= std::numeric_limits<SInt32>::min() && n->value <= std::numeric_limits<SInt32>::max();
}

// Containers ---------------------------------------------------------------------------------------------

CFMutableArrayRef CFArrayCreateMutable (CFAllocatorRef, CFIndex, const CFArrayCallBacks* callBacks)
{
    return new cf::ArrayObject (callBacks != nullptr);
}

void CFArrayAppendValue (CFMutableArrayRef array, const void* value)
{
    if (auto* a = mutableArray (array))
    {
        retainValue (value, a->retainsValues);
        a->items.push_back (value);
    }
}

CFIndex CFArrayGetCount (CFArrayRef array)
{
    auto* a = cf::asArray (array);
    return a != nullptr ? static_cast<CFIndex> (a->items.size()) : 0;
}

const void* CFArrayGetValueAtIndex (CFArrayRef array, CFIndex index)
{
    auto* a = cf::asArray (array);
    if (a == nullptr || index < 0 || index >= static_cast<CFIndex> (a->items.size()))
        return nullptr;

    return a->items[static_cast<size_t> (index)];
}

CFMutableDictionaryRef CFDictionaryCreateMutable (CFAllocatorRef, CFIndex, const CFDictionaryKeyCallBacks* keyCallBacks,
                                                  const CFDictionaryValueCallBacks* valueCallBacks)
{
    return new cf::DictionaryObject (keyCallBacks != nullptr, valueCallBacks != nullptr);
}

void CFDictionarySetValue (CFMutableDictionaryRef dictionary, const void* key, const void* value)
{
    auto* d = mutableDictionary (dictionary);
    if (d == nullptr || key == nullptr)
        return;

    retainValue (value, d->retainsValues);

    for (auto& entry : d->entries)
    {
        if (cf::equal (static_cast<CFTypeRef> (entry.first), static_cast<CFTypeRef> (key)))
        {
            releaseValue (entry.second, d->retainsValues);
            entry.second = value;
            return;
        }
    }

    retainValue (key, d->retainsKeys);
    d->entries.emplace_back (key, value);
}

const void* CFDictionaryGetValue (CFDictionaryRef dictionary, const void* key)
{
    if (auto* d = cf::asDictionary (dictionary))
        for (auto& entry : d->entries)
            if (cf::equal (static_cast<CFTypeRef> (entry.first), static_cast<CFTypeRef> (key)))
                return entry.second;

    return nullptr;
}
