// The argument scanner over an arbitrary command line, with and without lead bytes.
#include <cstdint>
#include <string>

#include "support.h"
#include "text/arguments.h"

using keeper::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const keeper::LeadByteSet lead = keeper::fuzz::PickLeadBytes(provider);
    const std::string line = provider.ConsumeRemainingBytesAsString();

    // Scanning moves forward, stays inside the line, and drops every quote that is a
    // character of its own.
    std::size_t pos = 0;
    for (;;) {
        const keeper::ScannedArgument scanned = keeper::ScanArgument(line, pos, lead);
        Require(scanned.Next >= pos && scanned.Next <= line.size());
        if (lead.Empty()) Require(scanned.Token.find('"') == std::string::npos);
        if (scanned.Token.empty()) break;
        Require(scanned.Next > pos);
        pos = scanned.Next;
    }
    // Every argument up to the count is there, and none after it.
    const int count = keeper::CountArguments(line, lead);
    Require(count >= 0);
    for (int i = 1; i <= count; ++i) Require(!keeper::ArgumentOf(line, i, lead).empty());
    Require(keeper::ArgumentOf(line, count + 1, lead).empty());
    Require(keeper::ArgumentOf(line, -1, lead).empty());
    return 0;
}
