#include "log/strftime_picture.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

std::string Render(const std::string& picture, double value, const std::string& am = "AM",
                   const std::string& pm = "PM") {
    return DateTimeText(picture, value, {.AmDesignator = am, .PmDesignator = pm}, {}, {});
}

// Each case: strftime format, picture, value, the picture's text at that value.
using Case = std::tuple<const char*, std::string, double, std::string>;

void ExpectAll(std::initializer_list<Case> cases, std::string_view twelveHourFormat = "",
               const std::string& am = "AM", const std::string& pm = "PM") {
    for (const auto& [format, picture, value, shown] : cases) {
        EXPECT_EQ(PictureOfStrftime(format, twelveHourFormat), picture) << format;
        EXPECT_EQ(Render(picture, value, am, pm), shown) << format;
    }
}

TEST(StrftimePictureTest, FormatsOfLocales) {
    ExpectAll({
        // C, de_DE, en_US (whose time format is %r), cs_CZ, bg_BG, aa_DJ, i18n
        {"%m/%d/%y|%D", "mm/dd/yy|mm/dd/yy", Afternoon, "12/07/26|12/07/26"},
        {"%d.%m.%Y|%T", "dd.mm.yyyy|hh:nn:ss", Morning, "04.03.2026|08:09:02"},
        {"%r", "hh:nn:ss AMPM", Afternoon, "01:05:07 PM"},
        {"%r", "hh:nn:ss AMPM", Midnight, "12:30:00 AM"},
        {"%-d.%-m.%Y|%e.%m.%Y", "d.m.yyyy|d.mm.yyyy", Morning, "4.3.2026|4.03.2026"},
        {"%k:%M:%S|%l:%M:%S %p", "h:nn:ss|h:nn:ss AMPM", Afternoon, "13:05:07|1:05:07 PM"},
        {"%F|%R", "yyyy-mm-dd|hh:nn", Morning, "2026-03-04|08:09"},
        // Names: mt_MT, is_IS, and the other conversions that give them
        {"%A, %d ta %b, %Y", "dddd, dd \"ta \"mmm, yyyy", Afternoon, "Monday, 07 ta Dec, 2026"},
        {"%a %e.%B|%h", "ddd d.mmmm|mmm", Morning, "Wed 4.March|Mar"},
        // nb_NO: the time zone offset is dropped with its blank; eu_ES: letters after tokens
        {"kl. %H.%M %z", "\"kl. \"hh.nn", Afternoon, "kl. 13.05"},
        {"%a, %Y.eko %bren %da", "ddd, yyyy.\"eko \"mmm\"ren \"dd\"a\"", Afternoon,
         "Mon, 2026.eko Decren 07a"},
        // Letters that are tokens of the picture, and quotes of both kinds
        {"Today: %d|AM/PM chat", "\"Today\": dd|\"AM\"/\"PM chat\"", Afternoon,
         "Today: 07|AM/PM chat"},
        {"%H'%M\" it's", "hh\"'\"nn'\" '\"it's\"", Afternoon, "13'05\" it's"},
    });
    ExpectAll({{"%Y年%m月%d日 %r", "yyyy年mm月dd日 AMPMhh時nn分ss秒", Afternoon,
                "2026年12月07日 午後01時05分07秒"},
               {"%r", "AMPMhh時nn分ss秒", Morning, "午前08時09分02秒"}},
              "%p%I時%M分%S秒", "午前", "午後");
}

TEST(StrftimePictureTest, ConversionsWithoutTokenFlagsAndNeighbours) {
    ExpectAll({
        // What the formatter cannot show goes with the blank before it, or after it at the start.
        {"%Z %I %p|<%j%U>|%C.%y|%OC%Oy", "hh AMPM|<>|.yy|yyyy", Afternoon, "01 PM|<>|.26|2026"},
        {"%Ey %OH %EY %H:%M:%S %Z", "yy hh yyyy hh:nn:ss", Afternoon, "26 13 2026 13:05:07"},
        {"%n%t%%|%H%", "  %|hh%", Afternoon, "  %|13%"},  // a log line stays one line
        {"%P %^p %#p", "AMPM AMPM AMPM", Morning, "AM AM AM"},
        {"%0e %0k %_H %-^M %-S %10d", "dd hh h n s dd", Morning, "04 08 8 9 2 04"},
        // A run of equal letters would be one token: dddd is the day's name.
        {"%d%d|%y%Y|%e%d", "dd\"\"dd|yy\"\"yyyy|d\"\"dd", Morning, "0404|262026|404"},
        {"%M%M%S%S|%m%b|%p%p", "nn\"\"nnss\"\"ss|mm\"\"mmm|AMPMAMPM", Afternoon,
         "05050707|12Dec|PMPM"},
    });
    // The locale's own %r, and the default where it has none or names %r again.
    EXPECT_EQ(PictureOfStrftime("%r", "%l:%M %p"), "h:nn AMPM");
    EXPECT_EQ(PictureOfStrftime("%r", ""), "hh:nn:ss AMPM");
    EXPECT_EQ(PictureOfStrftime("%T %r", "[%r]"), "hh:nn:ss [hh:nn:ss AMPM]");
}

TEST(StrftimePictureTest, ShortTimePicture) {
    // Seconds go only when they stand once, not at the start, right after a one-byte separator
    // and outside quotes.
    // clang-format off
    const std::pair<std::string, std::string> rows[] = {
        {"hh:nn:ss", "hh:nn"},         {"AMPM h:nn:ss", "AMPM h:nn"}, {"hh.nn.ss", "hh.nn"},
        {"hh:nn:ss\" Uhr\"", "hh:nn\" Uhr\""},  {"hh:nn:ss \"s\"", "hh:nn \"s\""},
        {"hh時nn分ss秒", "hh時nn分ss秒"}, {"ss", "ss"}, {"ss:nn:ss", "ss:nn:ss"},
        {"hh:nn\"s\"", "hh:nn\"s\""}};
    // clang-format on
    for (const auto& [longPicture, shortPicture] : rows) {
        EXPECT_EQ(ShortTimePictureOf(longPicture), shortPicture) << longPicture;
    }
}

#ifndef _WIN32
TEST(StrftimePictureTest, ShowsWhatStrftimeShows) {
    // Values whose numbers have two digits, where strftime's blank padding plays no part.
    const double values[] = {Afternoon, Midnight, DateValueOf(2026, 12, 7),
                             DateValueOf(1999, 10, 31) + TimeValueOf(12, 0, 59, 0),
                             DateValueOf(2000, 11, 19) + TimeValueOf(23, 59, 10, 999)};
    const char* formats[] = {"%m/%d/%y %H:%M:%S", "%d.%m.%Y %T",    "%D %F %R %r",
                             "%I:%M %p",          "%a %A %b %B %h", "100%% at %H",
                             "It's %H o'clock.",  "%y%Y%d%d",       "%-d.%-m.%y",
                             "\"%d\" 'at' %M",    "%Y%m%d%H%M%S",   "Hh Mm Ss Aa %p AM/PM A/P"};
    const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    for (const char* format : formats) {
        const std::string picture = PictureOfStrftime(format);
        for (double value : values) {
            const DateParts date = SplitDate(value);
            const TimeParts time = SplitTime(value);
            tm f{};
            std::tie(f.tm_year, f.tm_mon, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, f.tm_wday) =
                std::make_tuple(date.Year - 1900, date.Month - 1, date.Day, time.Hour, time.Minute,
                                time.Second, WeekdayOf(value) - 1);
            char buffer[256];
            const std::size_t n = strftime_l(buffer, sizeof buffer, format, &f, c);
            EXPECT_EQ(Render(picture, value), std::string(buffer, n))
                << "format \"" << format << "\", picture \"" << picture << "\" at " << value;
        }
    }
    freelocale(c);
}
#endif

}  // namespace
}  // namespace keeper
