// kovrin-typelib: writes the type library text and the interface page from the interface
// description. `cmake --build build --target typelib` refreshes the checked-in copies.
//
//   kovrin-typelib TYPELIB_FILE PAGE_FILE
#include <cstdio>
#include <fstream>

#include "automation/TypeLibraryText.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kovrin-typelib TYPELIB_FILE PAGE_FILE\n");
        return 2;
    }
    std::ofstream(argv[1], std::ios::binary) << kovrin::automation::typeLibraryText();
    std::ofstream(argv[2], std::ios::binary) << kovrin::automation::interfacePage();
    return 0;
}
