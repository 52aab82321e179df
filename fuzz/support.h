// What the fuzz targets share: the failure of a promise, and the lead-byte sets to try.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include "support/shift_jis.h"
#include "text/double_byte.h"

namespace keeper::fuzz {

/// Ends the run as a crash, so that libFuzzer keeps the input, when a promise is broken.
inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

/// No lead bytes (single-byte code pages and Linux) or those of code page 932.
inline LeadByteSet PickLeadBytes(FuzzedDataProvider& data) {
    return data.ConsumeBool() ? ShiftJisLeadBytes() : LeadByteSet{};
}

}  // namespace keeper::fuzz
