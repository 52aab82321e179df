#include "log/event_log.h"

#include "log/text_file_channel.h"
#include "log/time_stamp.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process_text.h"
#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {

ErrorCode WriteLog(const std::string& logFileName, std::string_view message,
                   std::int32_t sizeLimit) {
    // The file is opened and closed for every entry: between entries others may read,
    // move or delete it, and a deleted log is created again by the next entry.
    TextFileChannel channel;
    BindChannel(channel, logFileName, sizeLimit);
    if (const ErrorCode error =
            IsExistingFile(logFileName) ? OpenForAppend(channel) : OpenForCreate(channel))
        return error;  // nothing to close
    Result<std::string> line = TimeStampText();
    ErrorCode error = line.Error;
    if (error == 0) {
        line.Value.append(" ").append(message).append("\r\n");
        error = PutText(channel, line.Value);
        if (error == 0) error = WriteOutBuffer(channel);
    }
    // The file is closed on every path; an error of the close takes the place of the one
    // on its way.
    if (const ErrorCode closing = CloseChannel(channel)) return closing;
    return error;
}

std::string VisibleText(std::string_view message) {
    std::string text;
    text.reserve(message.size());
    for (const char c : message) {
        if (static_cast<unsigned char>(c) >= 0x20) {
            text += c;
        } else {
            text += "\\x" + HexDigits(static_cast<unsigned char>(c), 2);
        }
    }
    return text;
}

std::string ErrorEntry(ErrorCode code) {
    return FormatMessageText(MessageId::ErrorEntryText,
                             {IntegerText(static_cast<std::int32_t>(code)), SystemErrorText(code)});
}

std::string TrimmedMessage(std::string text) {
    std::size_t n = text.size();
    while (n > 0 && (static_cast<unsigned char>(text[n - 1]) < 0x21 || text[n - 1] == '.'))
        --n;
    text.resize(n);
    return text;
}

std::string SystemErrorText(ErrorCode code) { return TrimmedMessage(SystemMessage(code)); }

}  // namespace keeper
