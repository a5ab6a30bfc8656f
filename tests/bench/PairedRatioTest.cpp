#include "PairedRatio.h"

#include <gtest/gtest.h>

TEST(PairedRatio, MedianAndSpreadOverTheRoundsThatRan)
{
    struct Row {
        const char* what;
        std::vector<double> ratios;
        size_t rounds;
        double median, lowest, highest;
    } rows[] = {
        {"odd count, unsorted", {110, 71, 79}, 3, 79, 71, 110},
        {"even count takes the middle two", {96, 104, 90, 100}, 4, 98, 90, 104},
        {"failed rounds are left out", {0, 95, -1, 105}, 2, 100, 95, 105},
        {"one round", {88}, 1, 88, 88, 88},
        {"no round ran", {0, 0}, 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        RatioSummary s = SummariseRatios(row.ratios);
        EXPECT_EQ(row.rounds, s.rounds) << row.what;
        EXPECT_DOUBLE_EQ(row.median, s.median) << row.what;
        EXPECT_DOUBLE_EQ(row.lowest, s.lowest) << row.what;
        EXPECT_DOUBLE_EQ(row.highest, s.highest) << row.what;
    }
}
