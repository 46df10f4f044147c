#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "../../fuzz/FuzzEntries.h"

namespace fs = std::filesystem;

// Every seed and every input that once failed a fuzz target goes through the target's entry
// again; a crash or a sanitizer report fails the suite. The well-formed seeds must be accepted.
TEST(FuzzCorpus, EveryInputRunsThroughItsEntry) {
    struct {
        const char* target;
        int (*entry)(std::string_view);
        const char* acceptedSeed;
        int accepted;
    } targets[] = {{"invoice_xml", kovrin::fuzz::invoiceXml, "full.xml", 3},
                   {"receipt_xml", kovrin::fuzz::receiptXml, "receipt.xml", 1},
                   {"jet_sql", kovrin::fuzz::jetSql, "select.sql", 1}};
    for (const auto& t : targets) {
        int files = 0;
        for (const char* folder : {"corpus", "regressions"}) {
            const fs::path dir = fs::path(KOVRIN_FUZZ_DIR) / folder / t.target;
            if (!fs::exists(dir)) continue;
            for (const auto& file : fs::directory_iterator(dir)) {
                std::ifstream in(file.path(), std::ios::binary);
                std::stringstream text;
                text << in.rdbuf();
                const int accepted = t.entry(text.str());
                if (file.path().filename() == t.acceptedSeed) {
                    EXPECT_EQ(accepted, t.accepted) << file.path();
                }
                ++files;
            }
        }
        EXPECT_GT(files, 2) << t.target;
    }
}
