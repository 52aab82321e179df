// Date-time text: the pattern formatter and the shaping of the locale's patterns.
#include "log/date_time_text.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>

#include "text/ascii.h"

namespace keeper {

namespace {

constexpr std::size_t OutputLimit = 256;
constexpr int DeepestLevel = 2;

constexpr int CalendarJapan = 3;
constexpr int CalendarKorea = 5;  // CAL_TAIWAN (4) lies between

// Whether `form`, written in upper case, starts at `pos`; ASCII letters match either case.
bool FormAt(std::string_view text, std::size_t pos, std::string_view form) {
    if (pos > text.size() || text.size() - pos < form.size()) {
        return false;
    }
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (AsciiUpperCase(text[pos + i]) != form[i]) {
            return false;
        }
    }
    return true;
}

// Renders one DateTimeText call into a fixed buffer; nothing is allocated but the era texts.
class Formatter {
public:
    Formatter(DateTimeValue value, const LocaleDateTimeSettings& settings, const LeadByteSet& lead,
              const EraTexts& era)
        : value_(value), settings_(settings), lead_(lead), era_(era) {}

    void Render(std::string_view pattern);
    std::string Result() const { return std::string(buffer_, used_); }

private:
    // What one pattern, outer or nested, keeps while it is being rendered.
    struct PatternState {
        char previousLetter = ' ';
        bool dateSplit = false;
        DateParts date;
        bool timeSplit = false;
        TimeParts time;
        bool twelveHour = false;
    };

    const DateParts& Date(PatternState& state) const;
    const TimeParts& Time(PatternState& state) const;
    void Put(std::string_view text);
    void PutChar(char c) { Put(std::string_view(&c, 1)); }
    void PutNumber(unsigned number, std::size_t digits);
    template <std::size_t N>
    void PutName(const std::array<std::string, N>& names, unsigned index);
    void PutEra(const EraTexts::Query& query, std::size_t count, PatternState& state);
    void PutHour(std::string_view pattern, std::size_t next, std::size_t count,
                 PatternState& state);
    std::size_t PutAForm(std::string_view pattern, std::size_t at, PatternState& state);
    std::size_t PutQuoted(std::string_view pattern, std::size_t from, char quote);

    DateTimeValue value_;
    const LocaleDateTimeSettings& settings_;
    const LeadByteSet& lead_;
    const EraTexts& era_;
    char buffer_[OutputLimit];
    std::size_t used_ = 0;
    int level_ = 0;
};

const DateParts& Formatter::Date(PatternState& state) const {
    if (!state.dateSplit) {
        state.date = SplitDate(value_);
        state.dateSplit = true;
    }
    return state.date;
}

const TimeParts& Formatter::Time(PatternState& state) const {
    if (!state.timeSplit) {
        state.time = SplitTime(value_);
        state.timeSplit = true;
    }
    return state.time;
}

void Formatter::Put(std::string_view text) {
    // Bytes past the end of the buffer are dropped, whole characters or not.
    const std::size_t room = OutputLimit - used_;
    const std::size_t n = std::min(room, text.size());
    if (n > 0) {
        std::memcpy(buffer_ + used_, text.data(), n);
        used_ += n;
    }
}

void Formatter::PutNumber(unsigned number, std::size_t digits) {
    char text[12];
    std::size_t start = sizeof text;
    do {
        text[--start] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    while (sizeof text - start < digits) {
        text[--start] = '0';
    }
    Put(std::string_view(text + start, sizeof text - start));
}

template <std::size_t N>
void Formatter::PutName(const std::array<std::string, N>& names, unsigned index) {
    // Month 0 comes from values before year 1; such a name has no text.
    if (index >= 1 && index <= N) {
        Put(names[index - 1]);
    }
}

void Formatter::PutEra(const EraTexts::Query& query, std::size_t count, PatternState& state) {
    if (!query) {
        return;
    }
    const DateParts& date = Date(state);
    Put(query(static_cast<int>(std::min<std::size_t>(count, INT_MAX)), date.Year, date.Month,
              date.Day));
}

void Formatter::PutHour(std::string_view pattern, std::size_t next, std::size_t count,
                        PatternState& state) {
    // Look ahead for the clock's marker, up to the next h.  Quoted a's do not count, and
    // either quote closes a quote opened by either.
    bool quoted = false;
    for (std::size_t i = next; i < pattern.size() && !state.twelveHour;) {
        const char c = pattern[i];
        if (lead_.Has(c)) {
            i += 2;
            continue;
        }
        if (c == 'h' || c == 'H') {
            break;
        }
        if (c == '\'' || c == '"') {
            quoted = !quoted;
        } else if ((c == 'a' || c == 'A') && !quoted) {
            state.twelveHour = FormAt(pattern, i, "AM/PM") || FormAt(pattern, i, "A/P") ||
                               FormAt(pattern, i, "AMPM");
            break;
        }
        ++i;
    }
    unsigned hour = Time(state).Hour;
    if (state.twelveHour) {
        if (hour == 0) {
            hour = 12;
        } else if (hour > 12) {
            hour -= 12;
        }
    }
    PutNumber(hour, count >= 2 ? 2 : 1);
}

std::size_t Formatter::PutAForm(std::string_view pattern, std::size_t at, PatternState& state) {
    if (FormAt(pattern, at, "AM/PM")) {
        // The two letters as the pattern writes them.
        Put(pattern.substr(Time(state).Hour < 12 ? at : at + 3, 2));
        state.twelveHour = true;
        return at + 5;
    }
    if (FormAt(pattern, at, "A/P")) {
        Put(pattern.substr(Time(state).Hour < 12 ? at : at + 2, 1));
        state.twelveHour = true;
        return at + 3;
    }
    if (FormAt(pattern, at, "AMPM")) {
        Put(Time(state).Hour < 12 ? settings_.AmDesignator : settings_.PmDesignator);
        state.twelveHour = true;
        return at + 4;
    }
    if (FormAt(pattern, at, "AAAA")) {
        PutName(settings_.DayFullNames, WeekdayOf(value_));
        return at + 4;
    }
    if (FormAt(pattern, at, "AAA")) {
        PutName(settings_.DayAbbreviations, WeekdayOf(value_));
        return at + 3;
    }
    PutChar(pattern[at]);
    return at + 1;
}

std::size_t Formatter::PutQuoted(std::string_view pattern, std::size_t from, char quote) {
    // No escape: the next equal quote ends the text, unless it is a trail byte.
    std::size_t end = from;
    while (end < pattern.size() && pattern[end] != quote) {
        end += CharacterLength(pattern, end, lead_);
    }
    Put(pattern.substr(from, end - from));
    return end < pattern.size() ? end + 1 : end;
}

void Formatter::Render(std::string_view pattern) {
    if (pattern.empty() || level_ >= DeepestLevel) {
        return;
    }
    ++level_;
    PatternState state;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char first = pattern[i];
        if (lead_.Has(first)) {
            const std::size_t length = CharacterLength(pattern, i, lead_);
            Put(pattern.substr(i, length));
            i += length;
            state.previousLetter = ' ';
            continue;
        }
        ++i;

        // Every letter, token or not, becomes the previous letter; an m right after an h
        // (h:mm, h mm, but not h x mm) is a minute.
        char token = AsciiUpperCase(first);
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && state.previousLetter == 'H') {
                token = 'N';
            }
            state.previousLetter = token;
        }

        // Counted tokens take every directly following byte equal to their first, case
        // included: Mm is two months.
        std::size_t count = 1;
        if (std::string_view("CDMNYHSZTGE").find(token) != std::string_view::npos) {
            while (i < pattern.size() && pattern[i] == first) {
                ++i;
                ++count;
            }
        }

        switch (token) {
            case 'C':
                // Inside a nested pattern the whole token is silent, blank included.
                if (level_ < DeepestLevel) {
                    Render(settings_.ShortDatePattern);
                    const TimeParts& time = Time(state);
                    if (time.Hour != 0 || time.Minute != 0 || time.Second != 0) {
                        PutChar(' ');
                        Render(settings_.LongTimePattern);
                    }
                }
                break;
            case 'D':
                if (count <= 2) {
                    PutNumber(Date(state).Day, count);
                } else if (count == 3) {
                    PutName(settings_.DayAbbreviations, WeekdayOf(value_));
                } else if (count == 4) {
                    PutName(settings_.DayFullNames, WeekdayOf(value_));
                } else if (count == 5) {
                    Render(settings_.ShortDatePattern);
                } else {
                    Render(settings_.LongDatePattern);
                }
                break;
            case 'M':
                if (count <= 2) {
                    PutNumber(Date(state).Month, count);
                } else if (count == 3) {
                    PutName(settings_.MonthAbbreviations, Date(state).Month);
                } else {
                    PutName(settings_.MonthFullNames, Date(state).Month);
                }
                break;
            case 'N':
                PutNumber(Time(state).Minute, count >= 2 ? 2 : 1);
                break;
            case 'Y':
                if (count <= 2) {
                    PutNumber(Date(state).Year % 100u, 2);
                } else {
                    PutNumber(Date(state).Year, 4);
                }
                break;
            case 'H':
                PutHour(pattern, i, count, state);
                break;
            case 'S':
                PutNumber(Time(state).Second, count >= 2 ? 2 : 1);
                break;
            case 'Z':
                PutNumber(Time(state).Millisecond, std::min<std::size_t>(count, 3));
                break;
            case 'T':
                Render(count == 1 ? settings_.ShortTimePattern : settings_.LongTimePattern);
                break;
            case 'G':
                PutEra(era_.EraNameText, count, state);
                break;
            case 'E':
                PutEra(era_.EraYearText, count, state);
                break;
            case 'A':
                i = PutAForm(pattern, i - 1, state);
                break;
            case '/':
                if (settings_.DateSeparatorChar != '\0') {
                    PutChar(settings_.DateSeparatorChar);
                }
                break;
            case ':':
                if (settings_.TimeSeparatorChar != '\0') {
                    PutChar(settings_.TimeSeparatorChar);
                }
                break;
            case '\'':
            case '"':
                i = PutQuoted(pattern, i, first);
                break;
            default:
                PutChar(first);
                break;
        }
    }
    --level_;
}

}  // namespace

std::string DateTimeText(std::string_view pattern, DateTimeValue value,
                         const LocaleDateTimeSettings& settings, const LeadByteSet& lead,
                         const EraTexts& era) {
    Formatter formatter(value, settings, lead, era);
    formatter.Render(pattern.empty() ? std::string_view("C") : pattern);
    return formatter.Result();
}

std::string AdaptDatePattern(std::string_view picture, int calendarType, unsigned primaryLanguage,
                             const LeadByteSet& lead) {
    std::string result;
    if (calendarType >= CalendarJapan && calendarType <= CalendarKorea) {
        // Era calendars: the era name in full and the year within the era.
        std::size_t i = 0;
        while (i < picture.size()) {
            if (lead.Has(picture[i])) {
                const std::size_t length = CharacterLength(picture, i, lead);
                result.append(picture.substr(i, length));
                i += length;
            } else if (FormAt(picture, i, "GG")) {
                result += "ggg";
                i += 2;
            } else if (FormAt(picture, i, "YYYY")) {
                result += "eeee";
                i += 4;
            } else if (FormAt(picture, i, "YY")) {
                result += "ee";
                i += 2;
            } else if (AsciiUpperCase(picture[i]) == 'Y') {
                result += 'e';
                ++i;
            } else {
                result += picture[i];
                ++i;
            }
        }
        return result;
    }
    if (primaryLanguage == LanguageChinese || primaryLanguage == LanguageJapanese ||
        primaryLanguage == LanguageKorean) {
        // The Gregorian calendar has no era to name.  A g that is the trail byte of a
        // double-byte character belongs to that character and stays.
        std::size_t i = 0;
        while (i < picture.size()) {
            const std::size_t length = CharacterLength(picture, i, lead);
            if (length == 2 || AsciiUpperCase(picture[i]) != 'G') {
                result.append(picture.substr(i, length));
            }
            i += length;
        }
        return result;
    }
    return std::string(picture);
}

TimePatterns ComposeTimePatterns(int clockFormat, int markPosition, int hourLeadingZero) {
    std::string prefix;
    std::string suffix;
    if (clockFormat == 0) {  // 12-hour clock: the designator before or after the time
        if (markPosition == 0) {
            suffix = " AMPM";
        } else {
            prefix = "AMPM ";
        }
    }
    const std::string hour = prefix + (hourLeadingZero != 0 ? "hh" : "h");
    return {hour + ":mm" + suffix, hour + ":mm:ss" + suffix};
}

}  // namespace keeper
