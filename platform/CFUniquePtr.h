// Owns a CoreFoundation object that the caller must release: a unique pointer whose deleter calls
// CFRelease. Use it as CFUniquePtr<CFStringRef> and so on.
#pragma once

#include "CoreFoundation.h"

#include <memory>
#include <type_traits>

template <typename CFRef>
struct CFObjectReleaser
{
    void operator() (CFRef object) const
    {
        if (object != nullptr)
            CFRelease (object);
    }
};

template <typename CFRef>
using CFUniquePtr = std::unique_ptr<std::remove_pointer_t<CFRef>, CFObjectReleaser<CFRef>>;
