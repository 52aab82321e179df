#include "log/time_stamp.h"

#include "log/date_time_text.h"
#include "platform/locale.h"
#include "text/double_byte.h"

namespace keeper {

std::string TimeStampText() {
    return DateTimeText("", CurrentLocalDateTime(), LocaleSettings, LeadBytes, PlatformEraTexts());
}

}  // namespace keeper
