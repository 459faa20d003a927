#include <CoreFoundation.h>

#include <gtest/gtest.h>

TEST (CoreFoundation, ObjectsAreCountedAndContainersRetainWhatTheyHold)
{
    const SInt32 productId = 0x0142;
    auto number = CFNumberCreate (kCFAllocatorDefault, kCFNumberIntType, &productId);
    EXPECT_EQ (CFGetRetainCount (number), 1);

    auto array = CFArrayCreateMutable (kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue (array, number);
    EXPECT_EQ (CFGetRetainCount (number), 2);
    CFRelease (number);   // the array keeps it alive

    ASSERT_EQ (CFArrayGetCount (array), 1);
    SInt32 value = 0;
    EXPECT_TRUE (CFNumberGetValue (static_cast<CFNumberRef> (CFArrayGetValueAtIndex (array, 0)), kCFNumberSInt32Type, &value));
    EXPECT_EQ (value, 0x0142);
    EXPECT_EQ (CFArrayGetValueAtIndex (array, 1), nullptr);
    CFRelease (array);
}

TEST (CoreFoundation, ConstantStringsLiveForeverAndAreShared)
{
    auto constant = CFSTR ("VendorID");
    EXPECT_EQ (constant, CFSTR ("VendorID"));
    CFRelease (constant);
    CFRelease (constant);
    EXPECT_EQ (juceStringFromCFString (CFSTR ("VendorID")), "VendorID");
}

TEST (CoreFoundation, DictionaryFindsKeysByTheirTextAndReplacesValues)
{
    auto dictionary = CFDictionaryCreateMutable (kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks,
                                                 &kCFTypeDictionaryValueCallBacks);
    auto key = CFStringCreateWithCString (kCFAllocatorDefault, "ProductID", kCFStringEncodingASCII);
    const SInt32 first = 1, second = 2;
    auto one = CFNumberCreate (kCFAllocatorDefault, kCFNumberSInt32Type, &first);
    auto two = CFNumberCreate (kCFAllocatorDefault, kCFNumberSInt32Type, &second);

    CFDictionarySetValue (dictionary, key, one);
    CFDictionarySetValue (dictionary, CFSTR ("ProductID"), two);
    EXPECT_EQ (CFGetRetainCount (one), 1);   // replaced, so released by the dictionary
    EXPECT_EQ (CFDictionaryGetValue (dictionary, CFSTR ("ProductID")), two);
    EXPECT_EQ (CFDictionaryGetValue (dictionary, CFSTR ("VendorID")), nullptr);

    for (auto object : { key, one, two, static_cast<CFTypeRef> (dictionary) })
        CFRelease (object);
}

TEST (CoreFoundation, StringsCompareWithOrWithoutLetterCase)
{
    auto a = CFStringCreateWithCString (kCFAllocatorDefault, "TARVIK, Inc.", kCFStringEncodingASCII);
    auto b = CFStringCreateWithCString (kCFAllocatorDefault, "tarvik, inc.", kCFStringEncodingUTF8);

    EXPECT_EQ (CFStringCompare (a, b, kCFCompareCaseInsensitive), kCFCompareEqualTo);
    EXPECT_NE (CFStringCompare (a, b, 0), kCFCompareEqualTo);
    EXPECT_EQ (CFStringCompare (a, CFSTR ("TARVIK"), kCFCompareCaseInsensitive), kCFCompareGreaterThan);
    EXPECT_EQ (CFGetTypeID (a), CFStringGetTypeID());
    CFRelease (a);
    CFRelease (b);
}

TEST (CoreFoundation, KindsAreToldApart)
{
    const SInt32 seven = 7;
    auto number = CFNumberCreate (kCFAllocatorDefault, kCFNumberIntType, &seven);
    SInt32 value = -1;

    EXPECT_FALSE (CFNumberGetValue (CFSTR ("7"), kCFNumberSInt32Type, &value));
    EXPECT_FALSE (CFNumberGetValue (nullptr, kCFNumberSInt32Type, &value));
    EXPECT_EQ (value, -1);
    EXPECT_EQ (juceStringFromCFString (number), juce::String());
    EXPECT_EQ (juceStringFromCFString (nullptr), juce::String());
    EXPECT_EQ (CFGetTypeID (number), CFNumberGetTypeID());
    CFRelease (number);
}
