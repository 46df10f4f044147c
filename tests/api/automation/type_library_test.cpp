// The type library text, the interface page and the JSON type information all say what the
// description says.
#include <KovrinAPI/Enums.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "automation/TypeLibraryText.h"

using namespace kovrin;
using namespace kovrin::automation;

namespace {
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}
}  // namespace

TEST(TypeLibrary, CheckedInTextAndPageAreTheDescriptions) {
    const char* refresh = "the interface changed: refresh with `cmake --build build --target typelib` and review";
    EXPECT_EQ(readFile(KOVRIN_SOURCE_DIR "/api/KovrinAPI/KovrinAPI32.tlb.txt"), typeLibraryText()) << refresh;
    EXPECT_EQ(readFile(KOVRIN_SOURCE_DIR "/docs/automation-interface.md"), interfacePage()) << refresh;
}

TEST(TypeLibrary, JsonGivesEveryMemberWithItsArgumentsAndTheEnumerations) {
    auto lib = nlohmann::json::parse(libraryJson());
    EXPECT_EQ(lib["library"], "KovrinAPI");
    EXPECT_EQ(lib["version"], "3.2");
    ASSERT_EQ(lib["classes"].size(), typeLibrary().classes.size());
    for (std::size_t i = 0; i < typeLibrary().classes.size(); ++i) {
        const Class& c = typeLibrary().classes[i];
        const auto& j = lib["classes"][i];
        EXPECT_EQ(j["progid"], c.progid);
        EXPECT_EQ(nlohmann::json::parse(classJson(c)), j);
        ASSERT_EQ(j["members"].size(), c.members.size());
        for (std::size_t m = 0; m < c.members.size(); ++m) {
            EXPECT_EQ(j["members"][m]["id"], c.members[m].id);
            EXPECT_EQ(j["members"][m]["arguments"].size(), c.members[m].arguments.size());
        }
    }
    auto member = [&](const char* cls, const char* name) {
        for (const auto& c : lib["classes"])
            if (c["class"] == cls)
                for (const auto& m : c["members"])
                    if (m["name"] == name) return m;
        ADD_FAILURE() << cls << "." << name;
        return nlohmann::json();
    };
    auto invoice = member("Kovrin", "CreateInvoice");
    EXPECT_EQ(invoice["kind"], "method");
    EXPECT_EQ(invoice["result"], "Long");
    struct Expected {
        std::size_t index;
        const char* name;
        const char* type;
        bool byref, out, optional;
    };
    for (const Expected& e : {Expected{0, "iCustomersID", "Long", true, false, false},
                              Expected{1, "datInvoiceDate", "Date", true, false, false},
                              Expected{4, "curRebateAmount", "Currency", true, true, false},
                              Expected{6, "fltVAT", "Double", true, true, false},
                              Expected{10, "iInvoiceType", "InvoiceTypes", true, false, false},
                              Expected{11, "varLineItems", "Variant", true, false, false},
                              Expected{12, "datDueDate", "Date", true, false, true}}) {
        const auto& a = invoice["arguments"][e.index];
        EXPECT_EQ(a["name"], e.name);
        EXPECT_EQ(a["type"], e.type) << e.name;
        EXPECT_EQ(a["byref"], e.byref) << e.name;
        EXPECT_EQ(a["out"], e.out) << e.name;
        EXPECT_EQ(a["optional"], e.optional) << e.name;
    }
    EXPECT_EQ(member("Kovrin", "PrintInvoice")["arguments"][1]["default"], 1);
    EXPECT_EQ(member("Kovrin", "CreateReceipt")["arguments"][8]["default"], "NIS");
    EXPECT_EQ(member("Kovrin", "GetCustomersBalance")["arguments"][2]["default"], 20);
    EXPECT_EQ(member("Kovrin", "GetCustomerBalanceByID")["arguments"][1]["default"], false);
    EXPECT_EQ(member("Kovrin", "GetKovrinRegSetting")["arguments"][1]["byref"], false);
    EXPECT_EQ(member("Kovrin", "GetVatRate")["arguments"][0]["out"], true);
    EXPECT_EQ(member("Kovrin", "KovrinPath")["kind"], "getput");
    EXPECT_EQ(member("Kovrin", "Version")["kind"], "get");
    EXPECT_EQ(member("Kovrin", "BackupTimeOutSeconds")["kind"], "put");
    EXPECT_EQ(member("Kovrin", "GetCustomerByID")["result"], "Customer");
    EXPECT_EQ(member("clsRegistry", "GetValueEx")["arguments"][2]["out"], true);
    EXPECT_EQ(member("Customer", "PaymentTerms")["result"], "PaymentTerms");

    std::map<std::string, int> values;
    for (const auto& e : lib["enums"])
        for (const auto& v : e["values"]) values[e["name"].get<std::string>() + "." + v["name"].get<std::string>()] = v["value"];
    EXPECT_EQ(values.size(), 16u);
    EXPECT_EQ(values["ObjectType.REFUND"], static_cast<int>(ObjectType::REFUND));
    EXPECT_EQ(values["ObjectType.INVOICE_KABALA"], 7);
    EXPECT_EQ(values["InvoiceTypes.INVOICE_TYPE_W"], 2);
    EXPECT_EQ(values["PaymentTerms.Cash"], 2);
    EXPECT_EQ(values["Languages.English"], 2);
}
