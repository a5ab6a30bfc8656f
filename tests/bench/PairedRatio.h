#pragma once
// Summary of per-round ratios between two timed copies: one noisy round (a disk still
// flushing the previous copy) moves a median far less than a best-of or a mean.
#include <algorithm>
#include <cstddef>
#include <vector>

struct RatioSummary {
    size_t rounds = 0; // rounds in which both copies succeeded
    double median = 0;
    double lowest = 0;
    double highest = 0;
};

// `ratios` holds one value per paired round; a value that is not positive marks a round
// in which either copy failed and is left out.
inline RatioSummary SummariseRatios(std::vector<double> ratios)
{
    ratios.erase(std::remove_if(ratios.begin(), ratios.end(), [](double r) { return !(r > 0); }),
                 ratios.end());
    RatioSummary summary;
    summary.rounds = ratios.size();
    if (ratios.empty())
        return summary;
    std::sort(ratios.begin(), ratios.end());
    const size_t middle = ratios.size() / 2;
    summary.median = ratios.size() % 2 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
    summary.lowest = ratios.front();
    summary.highest = ratios.back();
    return summary;
}
