#pragma once
// How the progress page turns a step message (code, value) into a status text and a bar
// position. The state outlives runs: it belongs to the process, not to one job.

// What a step does to the status line.
enum class StepText {
    Unchanged, // leave the status line as it is
    Key,       // show the looked-up text of `text`
    Fixed,     // show `text` as it is
};

struct StepView {
    StepText kind;
    const wchar_t* text; // key or fixed text; null when unchanged
    int position;        // bar position and shown percentage
};

struct StepProgressState {
    bool counted = false; // stepCount taken (on the first message of the process)
    int stepCount = 0;
    int total = 0;    // percentage earned by finished steps
    int lastCopy = 0; // share of the copy in progress
};

// Applies one step. stepCount must have been taken; a stepCount or wimStepCount of 0
// (a flow without steps, a DISM pass without images) moves no arithmetic.
StepView ApplyStep(StepProgressState& state, int code, int value, int wimStepCount);

// The process-wide state the wizard's progress page uses; takes its step count from the
// pipeline on the first call.
StepProgressState& ProgressStateFor(int dlgType);
