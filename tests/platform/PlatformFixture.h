// Shared fixture of the platform tests: every test starts from an empty world and leaves it empty.
#pragma once

#include <SimulatedWorld.h>
#include <TestSupport.h>

#include <gtest/gtest.h>

class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override { world().reset(); }

    void TearDown() override
    {
        testing_support::pumpUntil ([] { return sim::World::get().listenerIdle(); });
        world().reset();
    }

    static sim::World& world() { return sim::World::get(); }

    static bool onMessageThread() { return juce::MessageManager::getInstance()->isThisTheMessageThread(); }

    static sim::HidDeviceSpec hidSpec (std::optional<SInt32> vendorId, std::optional<SInt32> productId = 0x0142,
                                       const char* product = "Tolva")
    {
        sim::HidDeviceSpec spec;
        spec.vendorId = vendorId;
        spec.productId = productId;
        if (product != nullptr)
            spec.product = juce::String (product);
        return spec;
    }

    static sim::AudioDeviceSpec tolvaSpec()
    {
        sim::AudioDeviceSpec spec;
        spec.name = "Tolva";
        spec.manufacturer = "TARVIK, Inc.";
        spec.uid = "tolva-uid";
        return spec;
    }
};

// Addresses compare field by field.
inline bool operator== (const AudioObjectPropertyAddress& a, const AudioObjectPropertyAddress& b)
{
    return a.mSelector == b.mSelector && a.mScope == b.mScope && a.mElement == b.mElement;
}
