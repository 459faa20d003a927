// The 27-byte output report as the device expects it, written out here independently of the program.
#pragma once

#include <CoreFoundation.h>

#include <vector>

namespace testing_support
{
    inline std::vector<UInt8> reportBytes (UInt8 command, UInt8 value)
    {
        std::vector<UInt8> bytes (27, 0x00);
        bytes[0] = 0x12;
        bytes[1] = 0x34;
        bytes[2] = command;
        bytes[4] = 0x01;
        bytes[5] = value;
        bytes[21] = 0x80;
        return bytes;
    }
}
