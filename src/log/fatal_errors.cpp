#include "log/fatal_errors.h"

#include "platform/errors.h"
#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {
namespace {

/// The codes of failed file operations that have a text of their own.
struct InOutRow {
    ErrorCode Code;
    MessageId Text;
};
constexpr InOutRow InOutRows[] = {
    {2, MessageId::FileNotFoundText},         {3, MessageId::InvalidFileNameText},
    {4, MessageId::TooManyOpenFilesText},     {5, MessageId::AccessDeniedText},
    {100, MessageId::ReadBeyondEndText},      {101, MessageId::DiskFullText},
    {106, MessageId::InvalidNumericInputText}};

}  // namespace

EInOutError InOutError(ErrorCode code) {
    // The text is taken from the message table when the error is raised: the waiting
    // watcher keeps no copy of texts it may never need.
    const auto signedCode = static_cast<std::int32_t>(code);
    const ErrorCode tableCode = InOutTableCode(code);
    for (const InOutRow& row : InOutRows) {
        if (row.Code == tableCode) return EInOutError(signedCode, MessageText(row.Text));
    }
    return EInOutError(signedCode,
                       FormatMessageText(MessageId::InOutErrorText, {IntegerText(signedCode)}));
}

Exception FatalError(ErrorCode code) {
    switch (code) {
        case DateOutsideCalendar:
            return EConvertError(MessageText(MessageId::DateEncodeErrorText));
        case TimeOutsideCalendar:
            return EConvertError(MessageText(MessageId::TimeEncodeErrorText));
        default:
            return InOutError(code);
    }
}

}  // namespace keeper
