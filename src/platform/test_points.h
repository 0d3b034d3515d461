#pragma once
// Fault-injection points. They exist only in the test build of the program
// (RR_TEST_BUILD), where the RR_INJECT environment variable names them, e.g.
//   RR_INJECT=main-window-fails,alloc-fail=64,declare=1:5
// The shipped program compiles every point to "not set".

#ifdef RR_TEST_BUILD
// True when RR_INJECT names the point.
bool TestPoint(const char* name);
// The number after "name=" in RR_INJECT, or `fallback` when absent.
int TestPointValue(const char* name, int fallback);
// The two numbers of "name=a:b", or false when absent.
bool TestPointPair(const char* name, int* first, int* second);
// Appends a line to the file named by RR_TRACE (no-op when unset).
void TestTrace(const char* format, ...);
// Traces "<what> tick=<GetTickCount>".
void TestTraceTick(const char* what);
// The number of handles the process holds, for leak checks.
unsigned long TestHandleCount();
#else
inline bool TestPoint(const char*) { return false; }
inline int TestPointValue(const char*, int fallback) { return fallback; }
inline bool TestPointPair(const char*, int*, int*) { return false; }
inline void TestTrace(const char*, ...) {}
inline void TestTraceTick(const char*) {}
inline unsigned long TestHandleCount() { return 0; }
#endif
