// A program outside the project: built against the installed package only.
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/runtime/Error.h>

#include <iostream>

int main() {
    kovrin::Currency c = kovrin::Currency::fromDouble(2.00015);
    std::cout << "currency " << c.toString() << "\n";
    try {
        kovrin::Kovrin k;  // an empty registry: there is no installation
        std::cout << "created\n";
    } catch (const kovrin::Error& e) {
        std::cout << "error " << e.number() << " " << e.source() << "\n";
    }
    return 0;
}
