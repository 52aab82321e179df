// The environment block that a launch with [Environment] hands to CreateProcess.
#ifdef _WIN32
#include "platform/win32/environment_block.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keeper {
namespace {

TEST(EnvironmentBlock, IsTheChangedEnvironmentSortedByNameWithoutRegardToCase) {
    using namespace std::string_literals;
    const struct {
        std::wstring Own;  // each entry ended by a NUL; c_str() adds the NUL of the end
        std::vector<VariableChange> Changes;
        std::wstring Block;
    } cases[] = {
        // Names before, between and after the inherited ones, in any order of the changes.
        {L"MMM=1\0PATH=C:\\x\0"s,
         {{"ZZZ", "z"}, {"AAA", "a"}, {"NNN", "n"}},
         L"AAA=a\0MMM=1\0NNN=n\0PATH=C:\\x\0ZZZ=z\0\0"s},
        // A removal together with a name that sorts before the removed one.
        {L"AAA=1\0MMM=2\0ZZZ_OLD=3\0"s,
         {{"ZZZ_OLD", ""}, {"BBB_NEW", "1"}},
         L"AAA=1\0BBB_NEW=1\0MMM=2\0\0"s},
        {L"AAA=1\0ZZZ=2\0"s, {{"aaa", ""}, {"zzz", ""}}, L"\0\0"s},
        // A change replaces the variable of its name in any case; the last change counts.
        // Upper-cased, "_" (5F) sorts after the letters, lower-case ones (61-7A) included.
        {L"Path=C:\\old\0TEMP=C:\\t\0_X=1\0"s,
         {{"PATH", "C:\\new"}, {"temp", "C:\\1"}, {"Temp", "C:\\2"}, {"alpha", "a"}},
         L"alpha=a\0PATH=C:\\new\0Temp=C:\\2\0_X=1\0\0"s},
        // The drives' directories: named "=C:", after digits and before letters.
        {L"=C:=C:\\x\0=D:=D:\\y\0PATH=p\0"s,
         {{"A", "1"}, {"1ST", "2"}},
         L"1ST=2\0=C:=C:\\x\0=D:=D:\\y\0A=1\0PATH=p\0\0"s},
        // An empty environment of keeper's own.
        {L""s, {{"B", "2"}, {"A", "1"}}, L"A=1\0B=2\0\0"s},
        {L""s, {{"A", ""}}, L"\0\0"s},
    };
    for (const auto& c : cases) {
        const std::vector<wchar_t> made = EnvironmentBlock(c.Own.c_str(), c.Changes);
        // The block as CreateProcess reads it: up to the NUL that follows the last entry's.
        const std::wstring block(made.begin(), made.end());
        EXPECT_EQ(block.substr(0, block.find(L"\0\0"s) + 2), c.Block) << c.Changes[0].Name;
    }
}

}  // namespace
}  // namespace keeper
#endif
