#include "log/event_log.h"

#include <cstdio>

#include "platform/errors.h"
#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {

void WriteLog(const std::string& logFileName, std::string_view message) {
    // A plain appended line for now; the time stamp and the file channel come next.
    if (std::FILE* file = std::fopen(logFileName.c_str(), "ab")) {
        std::string line(message);
        line += "\r\n";
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
    }
}

bool LogIfFailed(const std::string& logFileName, bool succeeded, ErrorCode code) {
    if (succeeded) return true;
    WriteLog(logFileName,
             FormatMessageText(MessageId::ErrorEntryText,
                               {IntegerText(static_cast<std::int32_t>(code)), SystemErrorText(code)}));
    return false;
}

std::string SystemErrorText(ErrorCode code) {
    std::string text = SystemMessage(code);
    std::size_t n = text.size();
    while (n > 0 && (static_cast<unsigned char>(text[n - 1]) < 0x21 || text[n - 1] == '.')) --n;
    text.resize(n);
    return text;
}

}  // namespace keeper
