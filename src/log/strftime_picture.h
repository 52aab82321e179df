// The date and time formats of strftime as pictures for DateTimeText.
#pragma once

#include <string>
#include <string_view>

namespace keeper {

/// What %r stands for when the locale has no 12-hour format of its own.
inline constexpr std::string_view DefaultTwelveHourFormat = "%I:%M:%S %p";

/// The picture that makes DateTimeText show what strftime shows for `format`, given the
/// locale's names and designators in the settings record, the date separator '/' and the
/// time separator ':'.  Minutes are n, so an m is always a month.  Literal letters and
/// quotes go inside quotes, / and : become the separator tokens, other bytes (UTF-8
/// included) stay as they are.  Flags (- _ 0 ^ #), widths and the E and O modifiers are
/// read over; - and _ drop the leading zero, 0 adds one to %e, %k and %l.  %r is
/// `twelveHourFormat`, or DefaultTwelveHourFormat when that is empty; %C directly before %y
/// is the four-digit year.  A conversion the formatter cannot show (%Z, %z, %j, %C alone,
/// ...) is dropped together with the blank before it, or at the start with the blank after it.
///   "%m/%d/%y" => "mm/dd/yy";  "%d.%m.%Y" => "dd.mm.yyyy";  "%T" => "hh:nn:ss"
///   "%Y年%m月%d日" => "yyyy年mm月dd日";  "%r" => "hh:nn:ss AMPM"
///   "kl. %H.%M %z" => "\"kl. \"hh.nn";  "%d%d" => "dd\"\"dd" (two days, not a day name)
/// The hour shows in its 12-hour form only through a designator of the same picture (%p),
/// which every locale that writes %I or %l also writes; an m written directly after an
/// hour with no other letter between would still be a minute, which no date format does.
std::string PictureOfStrftime(std::string_view format,
                              std::string_view twelveHourFormat = DefaultTwelveHourFormat);

/// A time picture of PictureOfStrftime without its seconds, when they stand once and right
/// after a one-byte separator; otherwise the picture unchanged.
///   "hh:nn:ss" => "hh:nn";  "h:nn:ss AMPM" => "h:nn AMPM";
///   "hh時nn分ss秒" => unchanged
std::string ShortTimePictureOf(std::string_view longPicture);

}  // namespace keeper
