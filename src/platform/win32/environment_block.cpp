#include "platform/win32/environment_block.h"

#include <windows.h>

#include <algorithm>
#include <string_view>

namespace keeper {
namespace {

/// The name of an environment entry "NAME=value": up to the first "=" after its first
/// character, as the entries of the drives' directories ("=C:=C:\\x") begin with one.
std::wstring_view NameOf(std::wstring_view entry) {
    return entry.substr(0, std::min(entry.find(L'=', 1), entry.size()));
}

/// Writes `text` of the ANSI code page at `out` in UTF-16, which never takes more units than
/// the text has bytes; gives the number of units written.
std::size_t WriteWide(const std::string& text, wchar_t* out) {
    const auto size = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), size, out, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

/// Whether the names of two entries compare as Windows compares them: `order` is
/// CSTR_LESS_THAN for the order it requires of a block (upper-cased, by code unit), or
/// CSTR_EQUAL for the same name.
bool CompareNames(std::wstring_view a, std::wstring_view b, int order) {
    const std::wstring_view x = NameOf(a), y = NameOf(b);
    return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(),
                                static_cast<int>(y.size()), TRUE) == order;
}

}  // namespace

std::vector<wchar_t> EnvironmentBlock(const wchar_t* own,
                                      const std::vector<VariableChange>& changes) {
    std::vector<std::wstring_view> entries;
    for (const wchar_t* entry = own; entry != nullptr && *entry != L'\0';
         entry += entries.back().size() + 1)
        entries.emplace_back(entry);
    // The entries the changes make, "NAME=value" each, in storage of their whole size.
    std::size_t size = 0;
    for (const VariableChange& change : changes)
        size += change.Name.size() + change.Value.size() + 1;
    std::vector<wchar_t> made(size);
    wchar_t* at = made.data();
    for (const VariableChange& change : changes) {
        std::size_t n = WriteWide(change.Name, at);
        at[n++] = L'=';
        // Removed from the list, not left as an empty entry: no name compares with none,
        // and the sort below would stop at it.
        const std::wstring_view name(at, n);
        std::erase_if(entries, [name](std::wstring_view entry) {
            return CompareNames(entry, name, CSTR_EQUAL);
        });
        n += WriteWide(change.Value, at + n);
        if (!change.Value.empty()) entries.emplace_back(at, n);
        at += n;
    }
    // An insertion sort: a few dozen entries, and little code.
    std::size_t units = 2;  // the last NUL, and one more for an empty block
    for (std::size_t i = 0; i < entries.size(); ++i) {
        units += entries[i].size() + 1;
        for (std::size_t j = i; j > 0 && CompareNames(entries[j], entries[j - 1], CSTR_LESS_THAN);
             --j)
            std::swap(entries[j], entries[j - 1]);
    }
    std::vector<wchar_t> block(units);  // NULs
    at = block.data();
    for (const std::wstring_view entry : entries)
        at = std::copy(entry.begin(), entry.end(), at) + 1;
    return block;
}

}  // namespace keeper
