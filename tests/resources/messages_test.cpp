#include "resources/messages.h"

#include <gtest/gtest.h>

namespace keeper {
namespace {

TEST(Messages, TextsComeFromTheTableVerbatim) {
    EXPECT_EQ(MessageText(MessageId::NoModuleNameText), "A module name is not defined.");
    EXPECT_EQ(MessageText(MessageId::ExceptionReportText),
              "Exception %s in module %s at %p.\r\n%s%s\r\n");
    EXPECT_EQ(MessageText(MessageId::FridayName), "Friday");
    EXPECT_EQ(MessageText(static_cast<MessageId>(1234)), "");
}

TEST(Messages, SubstituteFillsEachPlaceholderOnce) {
    EXPECT_EQ(FormatMessageText(MessageId::ErrorEntryText, {"2", "x"}), "Error 2: x");
    EXPECT_EQ(FormatMessageText(MessageId::AlreadyWatchingText, {"SERVER.EXE"}),
              "Watching on the module SERVER.EXE is already started on this computer.");
    EXPECT_EQ(Substitute("%s and %s", {"%s"}), "%s and %s");  // an argument is not rescanned
    EXPECT_EQ(Substitute("100%", {"x"}), "100%");
    EXPECT_EQ(Substitute("%s", {""}), "");
}

}  // namespace
}  // namespace keeper
