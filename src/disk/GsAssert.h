#pragma once
// Caller errors of the in-house classes: always checked, named by their expression.
namespace gs {
[[noreturn]] void AssertFailed(const char* expression, const char* file, int line);
}
#define GS_ASSERT(expression) ((expression) ? (void)0 : ::gs::AssertFailed(#expression, __FILE__, __LINE__))
