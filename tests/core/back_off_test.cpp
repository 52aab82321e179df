#include "core/back_off.h"

#include <gtest/gtest.h>

#include <vector>

namespace keeper {
namespace {

constexpr std::uint64_t Quick = 0;  // a run that ended at once, or a failed launch

/// The pauses after runs of the given lengths, in order.
std::vector<std::uint32_t> Pauses(std::int32_t sleepInterval, std::int32_t maxSleepInterval,
                                  const std::vector<std::uint64_t>& runs) {
    BackOff backOff{sleepInterval, maxSleepInterval};
    std::vector<std::uint32_t> pauses;
    for (const std::uint64_t lasted : runs)
        pauses.push_back(NextPause(backOff, lasted));
    return pauses;
}

TEST(BackOff, PausesDoubleAfterQuickRunsAndStartAgainAfterALongOne) {
    const struct {
        std::int32_t Sleep;
        std::int32_t Max;
        std::vector<std::uint64_t> Runs;
        std::vector<std::uint32_t> Pauses;
    } cases[] = {
        {0, 1600, std::vector<std::uint64_t>(7, Quick), {0, 100, 200, 400, 800, 1600, 1600}},
        {1000, 8000, std::vector<std::uint64_t>(5, Quick), {1000, 2000, 4000, 8000, 8000}},
        // A run of MaxSleepInterval or longer is healthy: its pause is SleepInterval, and
        // the quick runs after it start a new row.
        {0, 1600, {Quick, Quick, Quick, 1600, Quick, Quick}, {0, 100, 200, 0, 0, 100}},
        {500, 4000, {Quick, Quick, 3999, 4000, Quick}, {500, 1000, 2000, 500, 500}},
        // Doubling never goes below 100 ms, nor below SleepInterval, nor above the maximum.
        {30, 1000, std::vector<std::uint64_t>(4, Quick), {30, 100, 200, 400}},
        {0, 150, std::vector<std::uint64_t>(3, Quick), {0, 100, 150}},
        {0, 50, std::vector<std::uint64_t>(3, Quick), {0, 50, 50}},
        // A maximum at or below SleepInterval keeps every pause at SleepInterval.
        {1000, 1000, {Quick, Quick, 5000, Quick}, {1000, 1000, 1000, 1000}},
        {1000, 300, {Quick, 200, 300, Quick}, {1000, 1000, 1000, 1000}},
        // Off: every pause is SleepInterval, however the runs went.
        {700, 0, {Quick, Quick, 99999}, {700, 700, 700}},
        {700, -5, {Quick, Quick}, {700, 700}},
        // Near 2^31 doubling does not overflow.
        {1073741824, 2147483647, {Quick, Quick, Quick}, {1073741824, 2147483647, 2147483647}},
        {2147483647, 2147483647, {Quick, Quick}, {2147483647, 2147483647}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Pauses(c.Sleep, c.Max, c.Runs), c.Pauses) << c.Sleep << " " << c.Max;
}

}  // namespace
}  // namespace keeper
