#pragma once
// Ends the one process found under `name`: the owner of a top-level window
// titled `name` when that process runs an executable of that name, else the
// first process of that executable name in snapshot order. Names compare
// without regard to letter case in the ANSI code page. Waits up to 3 s for
// the ended process to be gone. True when the system accepted the end request.
bool EndProcessByName(const char* name);

// Case-insensitive equality in the ANSI code page: a double-byte character
// compares as one character.
bool NamesEqualIgnoringCase(const char* a, const char* b);
