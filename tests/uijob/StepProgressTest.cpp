// The progress page's arithmetic: step code and value in, status text and bar position out.
#include "ui/StepProgress.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Step {
    int code;
    int value;
    const wchar_t* text; // null: unchanged
    int position;        // bar position after the step
};

std::string Describe(const Step& s) { return std::to_string(s.code) + "/" + std::to_string(s.value); }

// Plays steps in order on one state and checks each one.
void Play(StepProgressState& state, int wim, std::initializer_list<Step> steps)
{
    for (const Step& s : steps) {
        StepView view = ApplyStep(state, s.code, s.value, wim);
        EXPECT_EQ(view.position, s.position) << Describe(s);
        if (s.text) {
            ASSERT_NE(view.text, nullptr) << Describe(s);
            EXPECT_EQ(std::wstring(view.text), s.text) << Describe(s);
        } else {
            EXPECT_EQ(view.kind, StepText::Unchanged) << Describe(s);
        }
    }
}

StepProgressState Counted(int steps)
{
    StepProgressState s;
    s.counted = true;
    s.stepCount = steps;
    return s;
}

} // namespace

TEST(StepProgress, UsbJobWithOneImage)
{
    // Five steps: format, copy, boot.wim, OS copy, Other copy.
    StepProgressState s = Counted(5);
    Play(s, 3,
         {{0, 50, L"Format", 10},
          {1, 100, L"Format success", 20},
          {2, 50, L"Copy OS", 30},
          {2, 100, L"Copy OS", 40},
          {3, 100, L"Copy success", 40},
          {6, 50, L"Mount", 43}, // 50 / 3 = 16, then 16 / 5 = 3
          {7, 100, L"Mount success", 46},
          {8, 0, L"Mounting the .wim fail.", 46},
          {9, 0, L"Adding driver", 46},
          {10, 99, L"Commit", 52},
          {11, 100, L"Commit success", 52},
          {12, 0, L"Committing the .wim fail.", 52},
          {13, 30, L"UnMount", 54},
          {14, 100, L"UnMount", 58},
          {15, 0, L"UnMount success", 58},
          {5, 40, L"Copy", 66},
          {4, 0, L"Copy", 58}, // a copy in progress is earned only when it ends
          {5, 100, L"Copy", 78},
          {3, 100, L"Copy success", 78},
          {16, 7, nullptr, 78},
          {42, 7, nullptr, 78},
          {19, 100, L"Finish", 100}});
    EXPECT_EQ(s.total, 0);
    // A second run starts from what the first left: here 0, after code 19.
    Play(s, 3, {{1, 0, L"Format success", 20}});
}

TEST(StepProgress, TwoImagesShareEachWimStep)
{
    StepProgressState s = Counted(5);
    Play(s, 6,
         {{7, 100, L"Mount success", 3},
          {11, 100, L"Commit success", 6},
          {14, 100, L"UnMount", 9},
          {6, 100, L"Mount", 12},
          {10, 60, L"Commit", 11},
          {13, 6, L"UnMount", 9}});
}

TEST(StepProgress, CancelAndFinishResetWhatWasEarned)
{
    StepProgressState s = Counted(4);
    Play(s, 3,
         {{3, 0, L"Copy success", 0},
          {1, 0, L"Format success", 25},
          {17, 80, L"Generating ISO", 45},
          {18, 0, L"CancelStatus", 0},
          {1, 0, L"Format success", 25},
          {19, 100, L"Finish", 100},
          {17, 40, L"Generating ISO", 10}});
}

TEST(StepProgress, NoStepsOrNoImagesMoveNothing)
{
    StepProgressState none = Counted(0);
    for (int code = 0; code < 18; ++code)
        EXPECT_EQ(ApplyStep(none, code, 70, 3).position, 0) << code;
    EXPECT_EQ(ApplyStep(none, 19, 100, 3).position, 100);

    StepProgressState s = Counted(5);
    for (int code : {6, 7, 10, 11, 13, 14})
        EXPECT_EQ(ApplyStep(s, code, 90, 0).position, 0) << code;
}

TEST(StepProgress, TheProcessCountsTheStepsOnce)
{
    StepProgressState& first = ProgressStateFor(1);
    const int steps = first.stepCount;
    EXPECT_GT(steps, 0);
    EXPECT_EQ(&ProgressStateFor(0), &first);
    EXPECT_EQ(ProgressStateFor(3).stepCount, steps);
}
