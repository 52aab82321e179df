// Double-byte character rules of the ANSI code page.
#include "text/double_byte.h"

namespace keeper {

bool DoubleByteEnabled = false;
LeadByteSet LeadBytes;

void LeadByteSet::AddRange(std::uint8_t low, std::uint8_t high) {
    // An int counter, so that a range ending at 0xFF still stops.
    for (int value = low; value <= high; ++value) {
        bits_.set(static_cast<std::size_t>(value));
    }
}

LeadByteSet LeadByteSetFromRanges(const std::uint8_t (&ranges)[12]) {
    LeadByteSet set;
    for (std::size_t i = 0; i + 1 < sizeof ranges; i += 2) {
        const std::uint8_t low = ranges[i];
        const std::uint8_t high = ranges[i + 1];
        if (low == 0 && high == 0) {
            break;
        }
        set.AddRange(low, high);
    }
    return set;
}

ByteKind ByteKindAt(std::string_view text, std::size_t pos, const LeadByteSet& lead) {
    if (lead.Empty() || pos == 0 || pos > text.size()) {
        return ByteKind::Single;
    }
    const char byte = text[pos - 1];
    if (byte == '\0') {
        return ByteKind::Single;
    }
    // Walk back over the run of lead-byte values directly before this byte. Each pair in
    // the run is one whole character, so an odd run leaves a lead byte that owns this one.
    std::size_t run = 0;
    for (std::size_t i = pos - 1; i > 0 && lead.Has(text[i - 1]); --i) {
        ++run;
    }
    if (run % 2 == 1) {
        return ByteKind::Trail;
    }
    return lead.Has(byte) ? ByteKind::Lead : ByteKind::Single;
}

}  // namespace keeper
