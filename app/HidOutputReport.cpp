#include "HidOutputReport.h"

#include "RegisterDeviceCallBacksMac.h"

HidOutputReport::HidOutputReport (std::uint8_t command, std::uint8_t value) : bytes {}
{
    bytes[0] = 0x12;
    bytes[1] = 0x34;
    bytes[2] = command;
    bytes[4] = 0x01;
    bytes[5] = value;
    bytes[21] = 0x80;
}

void sendHidCommand (std::uint8_t command, std::uint8_t value)
{
    const HidOutputReport report (command, value);

    // The handle is cleared on the message thread when the device goes away, so it is never stale here.
    if (auto device = ghidInterface.load())
        IOHIDDeviceSetReport (device, kIOHIDReportTypeOutput, 0, report.bytes.data(), HidOutputReport::size);
}
