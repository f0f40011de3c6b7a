#pragma once

#include "device/hid/DeviceIds.h"

#include <cstdint>

namespace vy::emu {

// Faults applied to replies at random, from the emulator's seeded generator,
// so that a run with the same seed and the same requests behaves the same.
struct SEmuFaults {
    int latencyMs = 0; // every reply waits this long
    int latencyJitterMs = 0; // plus a random 0 .. jitter
    double dropRate = 0; // reply not sent
    double corruptRate = 0; // check byte wrong
    double rejectRate = 0; // status 0x00 instead of 0xFF
};

// One-shot faults for the next matching requests.
enum class EEmuFault {
    Drop, // no reply
    Corrupt, // reply with a wrong check byte
    Reject, // reply with status 0x00
    Disconnect, // the connection is closed instead of answering
};

struct SEmuConfig {
    uint16_t vendorId = kPx40VendorId;
    uint16_t productId = kPx40ProductId;
    // Report lengths including the report-id byte.
    int inputReportLength = 41;
    int outputReportLength = 41;
    uint32_t seed = 1;
    SEmuFaults faults;
};

} // namespace vy::emu
