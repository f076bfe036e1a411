#include "library.h"

#include <dlfcn.h>

namespace platform {
namespace {
std::string& libraryFolder() {
    static std::string folder;
    return folder;
}
}  // namespace

std::string libraryFileName(const std::string& name) {
    static const std::string dll = ".dll";
    if (name.size() >= dll.size()) {
        std::string tail = name.substr(name.size() - dll.size());
        for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (tail == dll) return name.substr(0, name.size() - dll.size()) + ".so";
    }
    return name;
}

LibraryResult loadLibrary(const std::string& name) {
    std::string file = libraryFileName(name);
    if (!libraryFolder().empty()) file = libraryFolder() + "/" + file;
    LibraryResult result;
    dlerror();
    result.handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!result.handle) {
        const char* why = dlerror();
        result.error = why ? why : ("cannot load " + file);
    }
    return result;
}

FunctionResult findFunction(void* handle, const char* name) {
    FunctionResult result;
    if (!handle) {
        result.error = std::string("no library to find ") + name + " in";
        return result;
    }
    dlerror();
    result.address = dlsym(handle, name);
    if (!result.address) {
        const char* why = dlerror();
        result.error = why ? why : (std::string("no function ") + name);
    }
    return result;
}

void setLibraryFolder(const std::string& folder) { libraryFolder() = folder; }

}  // namespace platform
