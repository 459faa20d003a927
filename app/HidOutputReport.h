// The one output report the panel sends to the device, and its commands and values.
#pragma once

#include <cstdint>
#include <array>

enum HidCommand : std::uint8_t
{
    hidCmdAttach = 0x1a,
    hidCmdInputSelect = 0x2a,
    hidCmdMonitor = 0x2c
};

enum HidValue : std::uint8_t
{
    inputCodeMic = 0x01,
    inputCodeHIZ = 0x02,
    inputCodeLine = 0x04,
    inputCodeMicHIZ = 0x08,
    inputFlagMuteOut = 0xc0,
    monitorValueOn = 0x05,
    monitorValueOff = 0x01
};

// 27 bytes: 0x12 0x34 command 0x00 0x01 value, fifteen 0x00, 0x80, five 0x00. Sent with report ID 0.
struct HidOutputReport
{
    static constexpr int size = 27;

    HidOutputReport (std::uint8_t command, std::uint8_t value);

    std::array<std::uint8_t, size> bytes;
};

// Sends the report to the attached HID device; does nothing when none is attached. The result is not used.
void sendHidCommand (std::uint8_t command, std::uint8_t value);
