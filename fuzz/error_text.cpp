// The trimming of system messages: only trailing blanks, control bytes and full stops go.
#include <cstdint>
#include <string>

#include "log/event_log.h"
#include "support.h"

using keeper::fuzz::Require;

namespace {
bool Trimmable(char c) { return static_cast<unsigned char>(c) < 0x21 || c == '.'; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const auto code = provider.ConsumeIntegral<keeper::ErrorCode>();
    const std::string message = provider.ConsumeRemainingBytesAsString();

    const std::string trimmed = keeper::TrimmedMessage(message);
    Require(message.compare(0, trimmed.size(), trimmed) == 0);
    Require(trimmed.empty() || !Trimmable(trimmed.back()));
    for (std::size_t i = trimmed.size(); i < message.size(); ++i) Require(Trimmable(message[i]));

    // Any code gives a text, trimmed the same way.
    const std::string text = keeper::SystemErrorText(code);
    Require(text.empty() || !Trimmable(text.back()));
    return 0;
}
