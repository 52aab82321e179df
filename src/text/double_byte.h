// Double-byte character rules of the ANSI code page.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace keeper {

/// The lead bytes of the active double-byte code page, one bit per byte value.
/// An empty set means every byte is a character of its own.
class LeadByteSet {
public:
    bool Has(std::uint8_t byte) const { return bits_[byte]; }
    bool Has(char byte) const { return Has(static_cast<std::uint8_t>(byte)); }
    bool Empty() const { return bits_.none(); }
    /// Adds every value from low to high inclusive; nothing when high < low.
    void AddRange(std::uint8_t low, std::uint8_t high);

private:
    std::bitset<256> bits_;
};

/// Fills a set from the 12-byte LeadByte member of a CPINFO: up to six (low, high)
/// pairs, read until the first pair whose two bytes are both 0.
LeadByteSet LeadByteSetFromRanges(const std::uint8_t (&ranges)[12]);

enum class ByteKind { Single, Lead, Trail };

/// The bytes of the character that starts at offset `pos`: 2 for a lead byte with a
/// byte after it, else 1 (a lead byte at the end of the text stands alone).
inline std::size_t CharacterLength(std::string_view text, std::size_t pos,
                                   const LeadByteSet& lead) {
    return lead.Has(text[pos]) && pos + 1 < text.size() ? 2 : 1;
}

/// Classifies the byte at 1-based position `pos` of `text`.
/// "a\x81\\" => Trail at 3 (with Shift-JIS lead bytes); a NUL byte is always Single.
ByteKind ByteKindAt(std::string_view text, std::size_t pos, const LeadByteSet& lead);

/// Process-wide double-byte tables, filled once at start-up and only read afterwards.
/// `LeadBytes` stays empty unless `DoubleByteEnabled` is set.
extern bool DoubleByteEnabled;
extern LeadByteSet LeadBytes;

}  // namespace keeper
