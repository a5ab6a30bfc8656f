#include "src/disk/GsAssert.h"

#include "engine/TraceLog.h"

#include <cstdio>
#include <cstdlib>

namespace gs {

void AssertFailed(const char* expression, const char* file, int line)
{
    char text[512];
    std::snprintf(text, sizeof text, "Assertion failed: %s, file %s, line %d", expression, file, line);
    TraceLog(AStringToWString(text));
    std::fprintf(stderr, "%s\n", text);
    std::abort();
}

} // namespace gs
