#include "log/exceptions.h"

#include <map>

#include "platform/errors.h"
#include "resources/messages.h"
#include "text/integer_text.h"

namespace keeper {
namespace {

std::map<ErrorCode, std::string> InOutErrorTexts;
std::string OtherInOutErrorText = "I/O error %d";

}  // namespace

void LoadInOutErrorTexts() {
    const std::pair<ErrorCode, MessageId> rows[] = {
        {2, MessageId::FileNotFoundText},         {3, MessageId::InvalidFileNameText},
        {4, MessageId::TooManyOpenFilesText},     {5, MessageId::AccessDeniedText},
        {100, MessageId::ReadBeyondEndText},      {101, MessageId::DiskFullText},
        {106, MessageId::InvalidNumericInputText}};
    for (const auto& [code, id] : rows)
        InOutErrorTexts[code] = MessageText(id);
    OtherInOutErrorText = MessageText(MessageId::InOutErrorText);
}

EInOutError InOutError(ErrorCode code) {
    const auto signedCode = static_cast<std::int32_t>(code);
    const auto row = InOutErrorTexts.find(InOutTableCode(code));
    if (row != InOutErrorTexts.end()) return EInOutError(signedCode, row->second);
    return EInOutError(signedCode, Substitute(OtherInOutErrorText, {IntegerText(signedCode)}));
}

}  // namespace keeper
