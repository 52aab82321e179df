#include "log/strftime_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/date_time_text.h"

#ifndef _WIN32
#include <locale.h>
#include <time.h>
#endif

namespace keeper {
namespace {

// 7 December 2026, a Monday, at 13:05:07.250; 4 March 2026, a Wednesday, at 08:09:02.
const double Afternoon = DateValueOf(2026, 12, 7) + TimeValueOf(13, 5, 7, 250);
const double Morning = DateValueOf(2026, 3, 4) + TimeValueOf(8, 9, 2, 0);
const double Midnight = DateValueOf(2026, 12, 7) + TimeValueOf(0, 30, 0, 0);

LocaleDateTimeSettings Designators(std::string am, std::string pm) {
    LocaleDateTimeSettings settings;
    settings.AmDesignator = std::move(am);
    settings.PmDesignator = std::move(pm);
    return settings;
}

std::string Render(const std::string& picture, double value,
                   const LocaleDateTimeSettings& settings = Designators("AM", "PM")) {
    return DateTimeText(picture, value, settings, LeadByteSet{}, EraTexts{});
}

struct Case {
    const char* format;
    std::string picture;
    double value;
    std::string shown;
};

void ExpectAll(const std::vector<Case>& cases, std::string_view twelveHourFormat = "",
               const LocaleDateTimeSettings& settings = Designators("AM", "PM")) {
    for (const Case& c : cases) {
        const std::string picture = PictureOfStrftime(c.format, twelveHourFormat);
        EXPECT_EQ(picture, c.picture) << "format \"" << c.format << "\"";
        EXPECT_EQ(Render(picture, c.value, settings), c.shown) << "format \"" << c.format << "\"";
    }
}

TEST(StrftimePictureTest, FormatsOfLocales) {
    ExpectAll({
        // C and POSIX
        {"%m/%d/%y", "mm/dd/yy", Afternoon, "12/07/26"},
        {"%H:%M:%S", "hh:nn:ss", Afternoon, "13:05:07"},
        // de_DE
        {"%d.%m.%Y", "dd.mm.yyyy", Afternoon, "07.12.2026"},
        {"%T", "hh:nn:ss", Morning, "08:09:02"},
        // en_US, whose time format is %r
        {"%m/%d/%Y", "mm/dd/yyyy", Morning, "03/04/2026"},
        {"%r", "hh:nn:ss AMPM", Afternoon, "01:05:07 PM"},
        {"%r", "hh:nn:ss AMPM", Midnight, "12:30:00 AM"},
        {"%I:%M:%S %p", "hh:nn:ss AMPM", Morning, "08:09:02 AM"},
        // cs_CZ, bg_BG, aa_DJ
        {"%-d.%-m.%Y", "d.m.yyyy", Morning, "4.3.2026"},
        {"%e.%m.%Y", "d.mm.yyyy", Morning, "4.03.2026"},
        {"%k:%M:%S", "h:nn:ss", Morning, "8:09:02"},
        {"%l:%M:%S %p", "h:nn:ss AMPM", Afternoon, "1:05:07 PM"},
        // i18n, ff_SN
        {"%F", "yyyy-mm-dd", Morning, "2026-03-04"},
        {"%R", "hh:nn", Afternoon, "13:05"},
        // Names: mt_MT, en_PH, is_IS
        {"%A, %d ta %b, %Y", "dddd, dd \"ta \"mmm, yyyy", Afternoon, "Monday, 07 ta Dec, 2026"},
        {"%A, %d %B, %Y", "dddd, dd mmmm, yyyy", Morning, "Wednesday, 04 March, 2026"},
        {"%a %e.%b %Y", "ddd d.mmm yyyy", Morning, "Wed 4.Mar 2026"},
    });
}

TEST(StrftimePictureTest, LiteralLettersAndQuotesShowAsWritten) {
    ExpectAll({
        // nb_NO: the time zone offset is dropped with its blank
        {"kl. %H.%M %z", "\"kl. \"hh.nn", Afternoon, "kl. 13.05"},
        // eu_ES: letters right after tokens
        {"%a, %Y.eko %bren %da", "ddd, yyyy.\"eko \"mmm\"ren \"dd\"a\"", Afternoon,
         "Mon, 2026.eko Decren 07a"},
        // Letters that are tokens of the picture, and the AM/PM form
        {"Today: %d", "\"Today\": dd", Afternoon, "Today: 07"},
        {"AM/PM chat", "\"AM\"/\"PM chat\"", Afternoon, "AM/PM chat"},
        // Quotes of both kinds, one inside the other
        {"%H'%M\"", "hh\"'\"nn'\"'", Afternoon, "13'05\""},
        {"it's \"%H\"", "\"it's \"'\"'hh'\"'", Afternoon, "it's \"13\""},
    });
}

TEST(StrftimePictureTest, MultibyteTextStaysWhole) {
    const LocaleDateTimeSettings japan = Designators("午前", "午後");
    ExpectAll(
        {
            {"%Y年%m月%d日", "yyyy年mm月dd日", Afternoon, "2026年12月07日"},
            {"%H時%M分%S秒", "hh時nn分ss秒", Afternoon, "13時05分07秒"},
            {"%r", "AMPMhh時nn分ss秒", Afternoon, "午後01時05分07秒"},
            {"%r", "AMPMhh時nn分ss秒", Morning, "午前08時09分02秒"},
        },
        "%p%I時%M分%S秒", japan);
}

TEST(StrftimePictureTest, ConversionsWithoutToken) {
    ExpectAll({
        {"%H:%M:%S %Z", "hh:nn:ss", Afternoon, "13:05:07"},
        {"%Z %I:%M:%S %p", "hh:nn:ss AMPM", Afternoon, "01:05:07 PM"},
        {"<%j%U>", "<>", Afternoon, "<>"},
        {"%OC%Oy/%Om/%Od", "yyyy/mm/dd", Afternoon, "2026/12/07"},
        {"%C.%y", ".yy", Afternoon, ".26"},
        {"%Ey %OH %EY", "yy hh yyyy", Afternoon, "26 13 2026"},
        {"%D", "mm/dd/yy", Morning, "03/04/26"},
        {"%h %B %a %A", "mmm mmmm ddd dddd", Morning, "Mar March Wed Wednesday"},
        {"%n%t%%", "  %", Afternoon, "  %"},  // a log line stays one line
        {"%H%", "hh%", Afternoon, "13%"},
        {"%P %^p %#p", "AMPM AMPM AMPM", Morning, "AM AM AM"},
        {"%0e %0k %_H %-M %-S %10d", "dd hh h n s dd", Morning, "04 08 8 9 2 04"},
    });
}

TEST(StrftimePictureTest, NeighbouringTokensStayApart) {
    // A run of equal letters would be one token: dddd is the day's name, yyyyyy the year.
    ExpectAll({
        {"%d%d", "dd\"\"dd", Afternoon, "0707"},
        {"%y%Y", "yy\"\"yyyy", Afternoon, "262026"},
        {"%e%d", "d\"\"dd", Morning, "404"},
        {"%M%M%S%S", "nn\"\"nnss\"\"ss", Afternoon, "05050707"},
        {"%m%b", "mm\"\"mmm", Afternoon, "12Dec"},
        {"%p%p", "AMPMAMPM", Afternoon, "PMPM"},
    });
}

TEST(StrftimePictureTest, TwelveHourFormat) {
    // The locale's own %r, and the default where it has none or names %r again.
    EXPECT_EQ(PictureOfStrftime("%r", "%l:%M %p"), "h:nn AMPM");
    EXPECT_EQ(PictureOfStrftime("%r"), "hh:nn:ss AMPM");
    EXPECT_EQ(PictureOfStrftime("%r", ""), "hh:nn:ss AMPM");
    EXPECT_EQ(PictureOfStrftime("%r", "%r"), "hh:nn:ss AMPM");
    EXPECT_EQ(PictureOfStrftime("%T %r", "[%r]"), "hh:nn:ss [hh:nn:ss AMPM]");
}

TEST(StrftimePictureTest, ShortTimePicture) {
    const struct {
        std::string longPicture, shortPicture;
    } rows[] = {
        {"hh:nn:ss", "hh:nn"},
        {"hh:nn:ss AMPM", "hh:nn AMPM"},
        {"AMPM h:nn:ss", "AMPM h:nn"},
        {"hh.nn.ss", "hh.nn"},
        {"hh:nn:s", "hh:nn"},
        {"hh:nn:ss\" Uhr\"", "hh:nn\" Uhr\""},
        // Seconds not after a separator, more than once, or not at all stay
        {"hh時nn分ss秒", "hh時nn分ss秒"},
        {"ss", "ss"},
        {"hh:nn:ss ss", "hh:nn:ss ss"},
        {"\"kl. \"hh.nn", "\"kl. \"hh.nn"},
        // A quoted s is text, not seconds
        {"hh:nn\"s\"", "hh:nn\"s\""},
        {"hh:nn:ss \"s\"", "hh:nn \"s\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ShortTimePictureOf(row.longPicture), row.shortPicture) << row.longPicture;
    }
    EXPECT_EQ(Render(ShortTimePictureOf(PictureOfStrftime("%r")), Afternoon), "01:05 PM");
}

#ifndef _WIN32
// What the C library's strftime shows in the C locale, for comparison.
std::string Strftime(const char* format, double value) {
    const DateParts date = SplitDate(value);
    const TimeParts time = SplitTime(value);
    tm fields{};
    fields.tm_year = date.Year - 1900;
    fields.tm_mon = date.Month - 1;
    fields.tm_mday = date.Day;
    fields.tm_hour = time.Hour;
    fields.tm_min = time.Minute;
    fields.tm_sec = time.Second;
    fields.tm_wday = WeekdayOf(value) - 1;
    const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    char buffer[256];
    const std::size_t n = strftime_l(buffer, sizeof buffer, format, &fields, c);
    freelocale(c);
    return std::string(buffer, n);
}

TEST(StrftimePictureTest, ShowsWhatStrftimeShows) {
    // Values whose numbers have two digits, where strftime's blank padding plays no part.
    const double values[] = {Afternoon, Midnight, DateValueOf(2026, 12, 7),
                             DateValueOf(1999, 10, 31) + TimeValueOf(12, 0, 59, 0),
                             DateValueOf(2000, 11, 19) + TimeValueOf(23, 59, 10, 999)};
    const char* formats[] = {"%m/%d/%y",
                             "%H:%M:%S",
                             "%d.%m.%Y",
                             "%T",
                             "%D",
                             "%F",
                             "%R",
                             "%r",
                             "%I:%M %p",
                             "%a %A %b %B %h",
                             "100%% at %H",
                             "It's %H o'clock.",
                             "%y%Y%d%d",
                             "%-d.%-m.%y",
                             "\"%d\" 'at' %M",
                             "%Y%m%d%H%M%S",
                             "Hh Mm Ss Aa",
                             "%p AM/PM A/P"};
    for (const char* format : formats) {
        const std::string picture = PictureOfStrftime(format);
        for (double value : values) {
            EXPECT_EQ(Render(picture, value), Strftime(format, value))
                << "format \"" << format << "\", picture \"" << picture << "\" at " << value;
        }
    }
}
#endif

}  // namespace
}  // namespace keeper
