#pragma once
// Turning the wizard's choices into a job record, and the texts around a job's start.
#include "engine/JobRecord.h"
#include "forms/SysUtils.h"

// Characters a path field of the job record holds, terminator included.
constexpr int kJobPathCapacity = 260;

// A path fits a field of the job record (with its terminator).
bool FitsJobPath(const String& path);

struct JobChoice {
    String sourcePath;    // optical drive root or image file
    String targetPath;    // USB list item text, or the chosen folder
    String programFolder; // ending in a backslash
    String tmpPath;       // temporary work folder
    int dlgType = 0;      // 0 USB target, otherwise an image
};

// Fills the record's five paths from the choices (the rest is left as it was). When one
// does not fit, nothing is written and `tooLong` names it.
bool FillJobPaths(_WIN7_OPERAT_INFO& info, const JobChoice& choice, String& tooLong);

// The seven trace lines of a job record, written as plain text.
void TraceJobRecord(const _WIN7_OPERAT_INFO& info, int dlgType);

// The box shown when no drive has room for the temporary folder.
String SpaceWarningText(int sourceMB, int dlgType);
// The box shown when a path does not fit.
String PathTooLongText(const String& path);
