#include "platform/system_function_table.h"

#include <windows.h>

#include <cstring>

#include "fault/fault_path.h"
#include "platform/test_points.h"
#include "platform/text.h"

extern "C" std::uint32_t CallWithStackCheck(const void* function, const std::uint32_t* arguments,
                                            std::uint32_t count, std::int32_t* stackShift);

namespace {

struct Declaration {
    const char* library;
    const char* function;
    std::uint32_t argumentCount;
};

const Declaration kDeclarations[kSystemFunctionCount] = {
    {"Kernel32", "OpenProcess", 3},
    {"Psapi", "GetModuleFileNameExA", 4},
    {"kernel32", "CloseHandle", 1},
    {"kernel32.dll", "GetSystemDirectoryA", 2},
    {"kernel32.dll", "LoadLibraryA", 1},
    {"kernel32.dll", "GetProcAddress", 2},
    {"kernel32.dll", "GetCurrentProcess", 0},
    {"kernel32.dll", "IsWow64Process", 2},
    {"kernel32", "FreeLibrary", 1},
};

struct Binding {
    HMODULE library;
    const void* address;
};

Binding gBindings[kSystemFunctionCount];

// Loads a declared library from the system directory only, so that a DLL of
// the same name in the program's folder or current directory is never run.
HMODULE LoadSystemLibrary(const char* name) {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const bool hasExtension = std::strchr(name, '.') != nullptr;
    Text path = JoinTexts({directory, "\\", name, hasExtension ? "" : ".dll"});
    return LoadLibraryA(path.c_str());
}

const void* Bind(SystemFunction entry) {
    Binding& binding = gBindings[entry];
    if (!binding.address) {
        void* library = nullptr;
        binding.address =
            BindSystemFunction(kDeclarations[entry].library, kDeclarations[entry].function, &library);
        binding.library = static_cast<HMODULE>(library);
    }
    return binding.address;
}

// The test build can declare an entry with another number of arguments.
std::uint32_t DeclaredArgumentCount(SystemFunction entry) {
    int which = 0, count = 0;
    if (TestPointPair("declare", &which, &count) && which == entry) return count;
    return kDeclarations[entry].argumentCount;
}

}  // namespace

const void* BindSystemFunction(const char* library, const char* function, void** loaded) {
    HMODULE module = LoadSystemLibrary(library);
    FARPROC address = module ? GetProcAddress(module, function) : nullptr;
    if (!address) {
        if (module) FreeLibrary(module);
        RaiseBindingFault(library, function);
    }
    *loaded = module;
    return reinterpret_cast<const void*>(address);
}

std::uint32_t CallSystemFunction(SystemFunction entry,
                                 std::initializer_list<std::uint32_t> arguments, CallSite site) {
    const void* function = Bind(entry);
    // Arguments are pushed as declared: missing ones are zero, extra ones dropped.
    std::uint32_t pushed[8] = {};
    const std::uint32_t count = DeclaredArgumentCount(entry);
    std::uint32_t i = 0;
    for (std::uint32_t argument : arguments) {
        if (i < 8) pushed[i++] = argument;
    }
    std::int32_t stackShift = 0;
    const std::uint32_t result = CallWithStackCheck(function, pushed, count < 8 ? count : 8, &stackShift);
    if (stackShift != 0) RaiseFault(6, site.location, site.position);
    return result;
}

bool IsSystemFunctionBound(SystemFunction entry) { return gBindings[entry].address != nullptr; }

void ReleaseSystemFunctions() {
    for (Binding& binding : gBindings) {
        if (binding.library) FreeLibrary(binding.library);
        binding = {};
    }
}
