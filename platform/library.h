// Loading a shared library by its Windows-style name and finding its functions by name.
// A missing library or function is an error value, never a crash.
#pragma once
#include <string>

namespace platform {

struct LibraryResult {
    void* handle = nullptr;   // null on failure
    std::string error;        // what was missing, when handle is null
};

struct FunctionResult {
    void* address = nullptr;  // null on failure
    std::string error;
};

// The file name a library name stands for here: "usb.dll" becomes "usb.so".
std::string libraryFileName(const std::string& name);

// Loads the library once and keeps it for the life of the process (it is never released).
// Search: the folder set by setLibraryFolder() if any, else LD_LIBRARY_PATH, then the
// program's own folder (RUNPATH $ORIGIN), then the system.
LibraryResult loadLibrary(const std::string& name);

FunctionResult findFunction(void* handle, const char* name);

// Test seam: look for libraries in this folder only; an empty text restores the normal search.
void setLibraryFolder(const std::string& folder);

}  // namespace platform
