// The lead bytes of code page 932 (Shift-JIS) for the tests and fuzz targets of the
// double-byte rules: 81-9F and E0-FC.
#pragma once

#include "text/double_byte.h"

namespace keeper {

inline LeadByteSet ShiftJisLeadBytes() {
    LeadByteSet set;
    set.AddRange(0x81, 0x9F);
    set.AddRange(0xE0, 0xFC);
    return set;
}

}  // namespace keeper
