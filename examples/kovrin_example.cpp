// A short tour of the library against the registered bookkeeping database: what an outside
// program does to find the database, pick a business and read and write through the library.
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/clsBusinessDetails.h>
#include <KovrinAPI/runtime/Error.h>

#include <iostream>

using namespace kovrin;

int main() {
    try {
        Kovrin kovrin;  // finds the installation through the registry
        std::cout << "KovrinAPI " << kovrin.Version() << ", " << kovrin.Clock() << "\n";
        std::cout << "Database: " << kovrin.KovrinPath() << "\n";

        Variant businesses = kovrin.GetKovrinBusinessList();
        if (businesses.isEmpty()) {
            std::cout << "The database has no business.\n";
            return 1;
        }
        for (long i = 0; i <= businesses.array().ubound(); ++i) {
            auto b = businesses.array()(i).objectAs<clsBusinessDetails>();
            std::cout << "Business " << b->BusinessID() << ": " << b->BusinessName() << " ("
                      << CStr(b->OsekMorshe()) << ")\n";
        }
        kovrin.BusinessID(1);
        std::cout << "Licensed dealer of business 1: " << kovrin.GetOsekMorshe() << "\n";

        kovrin.SetKovrinRegSetting("ExampleLastRun", Variant(kovrin.Clock()));
        std::cout << "Setting ExampleLastRun = " << CStr(kovrin.GetKovrinRegSetting("ExampleLastRun", Variant(""))) << "\n";
        return 0;
    } catch (const Error& e) {
        std::cerr << "Error " << e.number() << " in " << e.source() << ": " << e.description() << "\n";
        return 1;
    }
}
