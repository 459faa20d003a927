// Shared fixture of the platform tests: every test starts from an empty world and leaves it empty.
#pragma once

#include <WorldSupport.h>

#include <gtest/gtest.h>

class PlatformTest : public ::testing::Test
{
protected:
    void SetUp() override { world().reset(); }
    void TearDown() override { testing_support::resetWorld(); }

    static sim::TestWorld& world() { return testing_support::world(); }

    static bool onMessageThread() { return juce::MessageManager::getInstance()->isThisTheMessageThread(); }

    // The Tolva interface's HID device with any of its properties changed or left out (null).
    static sim::HidDeviceSpec hidSpec (std::optional<SInt32> vendorId,
                                       std::optional<SInt32> productId = sim::tolvaProductId, const char* product = "Tolva")
    {
        auto spec = sim::tolvaHidSpec (0);
        spec.vendorId = vendorId;
        spec.productId = productId;
        spec.product.reset();
        if (product != nullptr)
            spec.product = juce::String (product);
        return spec;
    }

    static sim::AudioDeviceSpec tolvaSpec() { return sim::tolvaAudioSpec(); }
};

// Addresses compare field by field.
inline bool operator== (const AudioObjectPropertyAddress& a, const AudioObjectPropertyAddress& b)
{
    return a.mSelector == b.mSelector && a.mScope == b.mScope && a.mElement == b.mElement;
}
