// The date and time formats of strftime as pictures for DateTimeText.
#include "log/strftime_picture.h"

#include <cstddef>
#include <utility>

#include "text/ascii.h"

namespace keeper {

namespace {

bool IsQuote(char c) { return c == '"' || c == '\''; }

// One conversion: the flag that decides the padding, the conversion letter, and the
// position after it.
struct Conversion {
    char pad = 0;  // '-' or '_' for none, '0' for zeros, 0 for the conversion's own
    char letter = 0;
    std::size_t end = 0;
};

// The conversion whose '%' is at `at`; a letter of 0 when the format ends first.
Conversion ConversionAt(std::string_view format, std::size_t at) {
    Conversion c;
    std::size_t i = at + 1;
    while (i < format.size() &&
           std::string_view("-_0^#").find(format[i]) != std::string_view::npos) {
        if (format[i] != '^' && format[i] != '#') c.pad = format[i];
        ++i;
    }
    while (i < format.size() && format[i] >= '0' && format[i] <= '9')
        ++i;
    if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) ++i;
    if (i < format.size()) c.letter = format[i++];
    c.end = i;
    return c;
}

class Translator {
public:
    explicit Translator(std::string_view twelveHourFormat)
        : twelveHour_(twelveHourFormat.empty() ? DefaultTwelveHourFormat : twelveHourFormat) {}

    void Translate(std::string_view format, int depth);
    std::string Result() {
        CloseQuote();
        return std::move(picture_);
    }

private:
    void Literal(char c);
    void Token(std::string_view token);
    void Drop();
    void CloseQuote();

    std::string_view twelveHour_;
    std::string picture_;
    char openQuote_ = 0;
    bool dropBlank_ = false;
};

void Translator::CloseQuote() {
    if (openQuote_ != 0) {
        picture_ += openQuote_;
        openQuote_ = 0;
    }
}

void Translator::Literal(char c) {
    if (dropBlank_) {
        dropBlank_ = false;
        if (c == ' ') return;
    }
    if (c == '/' || c == ':') {
        CloseQuote();
        picture_ += c;
    } else if (IsAsciiLetter(c) || IsQuote(c)) {
        // A double quote can only be written inside single ones.
        const char quote = c == '"' ? '\'' : '"';
        if (openQuote_ != quote) {
            CloseQuote();
            picture_ += quote;
            openQuote_ = quote;
        }
        picture_ += c;
    } else {
        picture_ += c;  // blanks, digits, punctuation and UTF-8 bytes show as they are
    }
}

void Translator::Token(std::string_view token) {
    CloseQuote();
    dropBlank_ = false;
    // A run of equal letters is one token: dd right after dd would be the day's name.
    if (!picture_.empty() && picture_.back() == token.front()) picture_ += "\"\"";
    picture_ += token;
}

void Translator::Drop() {
    // Nothing is left of the conversion, so neither is the blank that set it apart.
    if (!picture_.empty() && picture_.back() == ' ') {
        picture_.pop_back();
    } else if (picture_.empty()) {
        dropBlank_ = true;
    }
}

void Translator::Translate(std::string_view format, int depth) {
    std::size_t i = 0;
    while (i < format.size()) {
        if (format[i] != '%') {
            Literal(format[i++]);
            continue;
        }
        const Conversion c = ConversionAt(format, i);
        i = c.end;
        const bool unpadded = c.pad == '-' || c.pad == '_';
        const bool zeros = c.pad == '0';
        switch (c.letter) {
            case 0:
                Literal('%');  // a lone % at the end
                break;
            case 'd':
                Token(unpadded ? "d" : "dd");
                break;
            case 'e':
                Token(zeros ? "dd" : "d");
                break;
            case 'm':
                Token(unpadded ? "m" : "mm");
                break;
            case 'y':
                Token("yy");
                break;
            case 'Y':
                Token("yyyy");
                break;
            case 'C':
                // The century followed by the year of the century is the whole year.
                if (i < format.size() && format[i] == '%') {
                    const Conversion next = ConversionAt(format, i);
                    if (next.letter == 'y') {
                        Token("yyyy");
                        i = next.end;
                        break;
                    }
                }
                Drop();
                break;
            case 'b':
            case 'h':
                Token("mmm");
                break;
            case 'B':
                Token("mmmm");
                break;
            case 'a':
                Token("ddd");
                break;
            case 'A':
                Token("dddd");
                break;
            case 'H':
            case 'I':
                Token(unpadded ? "h" : "hh");
                break;
            case 'k':
            case 'l':
                Token(zeros ? "hh" : "h");
                break;
            case 'M':
                Token(unpadded ? "n" : "nn");
                break;
            case 'S':
                Token(unpadded ? "s" : "ss");
                break;
            case 'p':
            case 'P':
                Token("AMPM");
                break;
            case 'T':
                Translate("%H:%M:%S", depth + 1);
                break;
            case 'R':
                Translate("%H:%M", depth + 1);
                break;
            case 'D':
                Translate("%m/%d/%y", depth + 1);
                break;
            case 'F':
                Translate("%Y-%m-%d", depth + 1);
                break;
            case 'r':
                // The locale's 12-hour format may itself say %r; that one is the default.
                Translate(depth == 0 ? twelveHour_ : DefaultTwelveHourFormat, depth + 1);
                break;
            case 'n':
            case 't':
                Literal(' ');
                break;
            case '%':
                Literal('%');
                break;
            default:
                Drop();
                break;
        }
    }
}

}  // namespace

std::string PictureOfStrftime(std::string_view format, std::string_view twelveHourFormat) {
    Translator translator(twelveHourFormat);
    translator.Translate(format, 0);
    return translator.Result();
}

std::string ShortTimePictureOf(std::string_view longPicture) {
    // Letters outside quotes are tokens here; find the one run of seconds.
    std::size_t runs = 0;
    std::size_t start = 0;
    std::size_t end = 0;
    for (std::size_t i = 0; i < longPicture.size();) {
        const char c = longPicture[i];
        if (IsQuote(c)) {
            const std::size_t close = longPicture.find(c, i + 1);
            i = close == std::string_view::npos ? longPicture.size() : close + 1;
        } else if (c == 's' || c == 'S') {
            start = i;
            while (i < longPicture.size() && longPicture[i] == c)
                ++i;
            end = i;
            ++runs;
        } else {
            ++i;
        }
    }
    if (runs != 1 || start == 0) return std::string(longPicture);
    const char separator = longPicture[start - 1];
    const bool oneByteSeparator =
        separator == ':' || separator == '.' || separator == '-' || separator == ',';
    if (!oneByteSeparator) return std::string(longPicture);
    std::string result(longPicture.substr(0, start - 1));
    result += longPicture.substr(end);
    return result;
}

}  // namespace keeper
