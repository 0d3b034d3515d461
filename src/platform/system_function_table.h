#pragma once
// The program's own declarations of system functions, each bound by library
// name and function name at its first call, and called with a check that the
// stack is as deep after the call as before its arguments were pushed.
#include <cstdint>
#include <initializer_list>

enum SystemFunction {
    kOpenProcess,           // "Kernel32"
    kGetModuleFileNameExA,  // "Psapi"
    kCloseHandle,           // "kernel32"
    kGetSystemDirectoryA,   // "kernel32.dll"
    kLoadLibraryA,          // "kernel32.dll"
    kGetProcAddress,        // "kernel32.dll"
    kGetCurrentProcess,     // "kernel32.dll"
    kIsWow64Process,        // "kernel32.dll"
    kFreeLibrary,           // "kernel32"
    kSystemFunctionCount
};

// Where a failed stack check is reported: the routine's location number and
// the position of the call within it.
struct CallSite {
    std::uint32_t location;
    std::uint32_t position;
};

// Binds the entry if needed (a library or function that cannot be found is a
// fault), calls it with the arguments and returns its 32-bit result. A call
// that leaves the stack at another depth raises fault code 6 at `site`.
std::uint32_t CallSystemFunction(SystemFunction entry,
                                 std::initializer_list<std::uint32_t> arguments, CallSite site);

bool IsSystemFunctionBound(SystemFunction entry);

// Loads `library` from the system directory and finds `function` in it; a
// library or function that cannot be found is the binding fault, naming both
// as declared. The loaded library is handed to the caller in `loaded`.
const void* BindSystemFunction(const char* library, const char* function, void** loaded);

// Frees every library loaded for a bound entry; the entries become unbound.
void ReleaseSystemFunctions();
