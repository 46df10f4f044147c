// kovrin-regsvr: registers an automation server library's classes in the registry store, or removes
// them, by asking the library itself (as regsvr32 does on the desktop platform).
//
//   kovrin-regsvr register [LIBRARY [TYPELIB]]
//   kovrin-regsvr unregister [LIBRARY]
//
// LIBRARY defaults to the installed KovrinAPI32, TYPELIB to the installed type library text.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "automation/ObjectTable.h"

int main(int argc, char** argv) {
    bool reg = argc >= 2 && std::strcmp(argv[1], "register") == 0;
    bool unreg = argc >= 2 && std::strcmp(argv[1], "unregister") == 0;
    if ((!reg && !unreg) || argc > (reg ? 4 : 3)) {
        std::fprintf(stderr, "usage: kovrin-regsvr register [LIBRARY [TYPELIB]] | unregister [LIBRARY]\n");
        return 2;
    }
    // The registration names the library by its full path, as loading it later needs.
    std::error_code ec;
    std::string library = std::filesystem::absolute(argc >= 3 ? argv[2] : KOVRIN_DEFAULT_SERVER, ec).string();
    std::string typelib = std::filesystem::absolute(argc >= 4 ? argv[3] : KOVRIN_DEFAULT_TYPELIB, ec).string();

    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "kovrin-regsvr: %s\n", why ? why : library.c_str());
        return 1;
    }
    kovrin_error error{0, nullptr, nullptr};
    int32_t rc;
    if (reg) {
        auto fn = reinterpret_cast<kovrin_server_register_fn>(dlsym(handle, "kovrin_server_register"));
        rc = fn ? fn(library.c_str(), typelib.c_str(), &error) : -1;
    } else {
        auto fn = reinterpret_cast<kovrin_server_unregister_fn>(dlsym(handle, "kovrin_server_unregister"));
        rc = fn ? fn(&error) : -1;
    }
    if (rc == -1) {
        std::fprintf(stderr, "kovrin-regsvr: %s is not an automation server\n", library.c_str());
        return 1;
    }
    if (rc) {
        std::fprintf(stderr, "%d %s: %s\n", error.number, error.source ? error.source : "",
                     error.description ? error.description : "");
        std::free(error.source);
        std::free(error.description);
        return 1;
    }
    std::printf("%s %s\n", reg ? "registered" : "unregistered", library.c_str());
    return 0;
}
