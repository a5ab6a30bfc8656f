#pragma once
// A job record whose paths lie in one test folder: the source disc "src\", the driver
// packages "drivers", the "OS" folder "os", the target "tag\" (the stick's root, or the
// folder receiving the image) and the temporary folder "tmp\".
#include "engine/JobRecord.h"

#include <string>

namespace testing_support {

// Copies a path into a field of the job record, cut to fit.
void PutPath(wchar_t (&field)[260], const std::wstring& text);

// Makes the five folders under `root` (ending in a backslash) and points a 64-bit job at them.
void PointJobAt(_WIN7_OPERAT_INFO& info, const std::wstring& root);

} // namespace testing_support
