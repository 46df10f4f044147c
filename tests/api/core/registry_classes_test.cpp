#include <KovrinAPI/Utils.h>
#include <KovrinAPI/clsRegistry.h>
#include <KovrinAPI/clsWin.h>
#include <KovrinAPI/runtime/Error.h>

#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "api/core/RegSettings.h"
#include "platform/registry/RegistryStore.h"
#include "support/TempDir.h"
#include "support/Checks.h"

using namespace kovrin;
using ::testing::EndsWith;
using ::testing::StartsWith;
using test::ScopedRegistry;

using kovrin::test::errorOf;

namespace {

const int32_t HKLM = static_cast<int32_t>(0x80000002u);
const int32_t HKCU = static_cast<int32_t>(0x80000001u);

// What the store holds, read past the classes.
registry::Value stored(uint32_t hive, std::string_view key, std::string_view name) {
    registry::Handle h = 0;
    registry::Value v;
    if (registry::openKey(hive, key, h) == 0) registry::queryValue(h, name, v);
    registry::closeKey(h);
    return v;
}


}  // namespace

TEST(ClsRegistry, HivesAndTheirNames) {
    clsRegistry reg;
    EXPECT_EQ(reg.HKEY_CLASSES_ROOT(), static_cast<int32_t>(0x80000000u));
    EXPECT_EQ(reg.HKEY_CURRENT_USER(), static_cast<int32_t>(0x80000001u));
    EXPECT_EQ(reg.HKEY_LOCAL_MACHINE(), static_cast<int32_t>(0x80000002u));
    EXPECT_EQ(reg.HKEY_USERS(), static_cast<int32_t>(0x80000003u));
    EXPECT_EQ(reg.HiveToString(reg.HKEY_CLASSES_ROOT()), "HKEY_CLASSES_ROOT");
    EXPECT_EQ(reg.HiveToString(reg.HKEY_CURRENT_USER()), "HKEY_CURRENT_USER");
    EXPECT_EQ(reg.HiveToString(reg.HKEY_LOCAL_MACHINE()), "HKEY_LOCAL_MACHINE");
    EXPECT_EQ(reg.HiveToString(reg.HKEY_USERS()), "HKEY_USERS");
    EXPECT_EQ(reg.HiveToString(5), "&H5");
    EXPECT_EQ(reg.HiveToString(static_cast<int32_t>(0x80000005u)), "&H80000005");
    EXPECT_EQ(reg.HiveToString(0xABC), "&HABC");
    EXPECT_EQ(reg.HiveToString(-1), "&HFFFFFFFF");
}

TEST(ClsWin, ApiErrorTextGivesTheSystemTextsWithTheirLineBreak) {
    clsWin win;
    EXPECT_EQ(win.ApiErrorText(0), "The operation completed successfully.\r\n");
    EXPECT_EQ(win.ApiErrorText(2), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(win.ApiErrorText(5), "Access is denied.\r\n");
    EXPECT_EQ(win.ApiErrorText(6), "The handle is invalid.\r\n");
    EXPECT_EQ(win.ApiErrorText(161), "The specified path is invalid.\r\n");
    EXPECT_EQ(win.ApiErrorText(1009), "The configuration registry database is corrupt.\r\n");
    EXPECT_EQ(win.ApiErrorText(1018), "Illegal operation attempted on a registry key that has been marked for deletion.\r\n");
    EXPECT_EQ(win.ApiErrorText(-1), "Error (-1) is not defined.");
    EXPECT_EQ(win.ApiErrorText(4242), "Error (4242) is not defined.");
}

TEST(ClsRegistry, SaveValueStoresTheAutomationTextOfItsData) {
    ScopedRegistry registry;
    clsRegistry reg;
    const std::string key = "SOFTWARE\\Kovrin\\API";
    reg.SaveValue(HKLM, key, "IsAPIDebug", Variant(true));
    reg.SaveValue(HKLM, key, "One", Variant(int32_t{1}));
    reg.SaveValue(HKLM, key, "Half", Variant(2.5));
    reg.SaveValue(HKLM, key, "Money", Variant(Currency::fromDouble(12.5)));
    reg.SaveValue(HKLM, key, "Null", Variant::null());
    reg.SaveValue(HKLM, key, "Empty", Variant());
    reg.SaveValue(HKLM, key, "Hebrew", Variant("קוברין"));
    const std::pair<const char*, const char*> expected[] = {{"IsAPIDebug", "True"}, {"One", "1"},   {"Half", "2.5"},
                                                            {"Money", "12.5"},      {"Null", ""},   {"Empty", ""},
                                                            {"Hebrew", "קוברין"}};
    for (const auto& [name, text] : expected) {
        const registry::Value v = stored(registry::LocalMachine, key, name);
        EXPECT_EQ(v.type, registry::Text) << name;
        EXPECT_EQ(v.data, text) << name;
        EXPECT_EQ(reg.GetValue(HKLM, key, name), Variant(text)) << name;
    }
    reg.SaveValue(HKLM, key, "IsAPIDebug", Variant(false));
    EXPECT_EQ(reg.GetValue(HKLM, "software\\kovrin\\api", "ISAPIDEBUG"), Variant("False"));

    // Data with no text form fails with the conversion's error; nothing is written.
    Error e = errorOf([&] { reg.SaveValue(HKLM, key, "Array", Variant(VariantArray(2))); });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "clsRegistry.SaveValue[10]\\");
    EXPECT_EQ(stored(registry::LocalMachine, key, "Array").type, 0u);

    // Writes never report failure: a bad path is skipped silently.
    EXPECT_NO_THROW(reg.SaveValue(HKLM, "\\SOFTWARE\\Kovrin", "Path", Variant("x")));
}

TEST(ClsRegistry, SaveDWORDValueStoresANumber) {
    ScopedRegistry registry;
    clsRegistry reg;
    reg.SaveDWORDValue(HKCU, "Software\\PDF", "Timeout", Variant("42"));
    reg.SaveDWORDValue(HKCU, "Software\\PDF", "Negative", Variant(-7.4));
    registry::Value v = stored(registry::CurrentUser, "Software\\PDF", "Timeout");
    EXPECT_EQ(v.type, registry::Number);
    EXPECT_EQ(v.asNumber(), 42u);
    EXPECT_EQ(reg.GetValue(HKCU, "Software\\PDF", "Timeout"), Variant(int32_t{42}));
    EXPECT_EQ(reg.GetValue(HKCU, "Software\\PDF", "Negative"), Variant(int32_t{-7}));

    Error e = errorOf([&] { reg.SaveDWORDValue(HKCU, "Software\\PDF", "Bad", Variant("many")); });
    EXPECT_EQ(e.number(), 13);
    EXPECT_EQ(e.source(), "clsRegistry.SaveDWORDValue[10]\\");
    e = errorOf([&] { reg.SaveDWORDValue(HKCU, "Software\\PDF", "Big", Variant(3e9)); });
    EXPECT_EQ(e.number(), 6);
    EXPECT_EQ(stored(registry::CurrentUser, "Software\\PDF", "Big").type, 0u);
}

TEST(ClsRegistry, GetValueGivesTheDefaultForWhatIsMissing) {
    ScopedRegistry registry;
    clsRegistry reg;
    EXPECT_EQ(reg.GetValue(HKLM, "SOFTWARE\\Nowhere", "Path", Variant(int32_t{5})), Variant(int32_t{5}));
    const Variant none = reg.GetValue(HKLM, "SOFTWARE\\Nowhere", "Path");
    EXPECT_EQ(none, Variant(""));
    EXPECT_EQ(none.type(), VarType::String);
    reg.SaveValue(HKLM, "SOFTWARE\\Kovrin", "File", Variant("books.sqlite"));
    EXPECT_EQ(reg.GetValue(HKLM, "SOFTWARE\\Kovrin", "Path", Variant("dflt")), Variant("dflt"));
    EXPECT_EQ(reg.GetValue(HKLM, "SOFTWARE\\Kovrin", "Path"), Variant(""));
    EXPECT_EQ(reg.GetValue(HKCU, "SOFTWARE\\Kovrin", "File", Variant::null()), Variant::null());  // other hive
    EXPECT_EQ(reg.GetValue(5, "SOFTWARE\\Kovrin", "File", Variant("no hive")), Variant("no hive"));
    EXPECT_EQ(reg.GetValue(HKLM, "Software\\KOVRIN", "file"), Variant("books.sqlite"));
}

TEST(ClsRegistry, GetValueReportsBadPathsUnsupportedTypesAndDamagedStores) {
    ScopedRegistry registry;
    clsRegistry reg;
    Error e = errorOf([&] { reg.GetValue(HKLM, "\\SOFTWARE\\Kovrin", "Path", Variant(int32_t{5})); });
    EXPECT_EQ(e.number(), 161);
    EXPECT_EQ(e.description(),
              "Invalid registry access: The specified path is invalid.\r\n reg key=HKEY_LOCAL_MACHINE\\\\SOFTWARE\\Kovrin\\Path");
    EXPECT_EQ(e.source(), "clsRegistry.GetValue[30]\\");

    ASSERT_EQ(registry::setKeyValue(registry::LocalMachine, "SOFTWARE\\Kovrin", "Blob", {registry::Binary, "\x01\x02"}), 0);
    e = errorOf([&] { reg.GetValue(HKLM, "SOFTWARE\\Kovrin", "Blob", Variant("dflt")); });
    EXPECT_EQ(e.number(), -1);
    EXPECT_THAT(e.description(), StartsWith(clsWin().ApiErrorText(-1)));
    EXPECT_THAT(e.description(), EndsWith(" reg key=HKEY_LOCAL_MACHINE\\SOFTWARE\\Kovrin\\Blob"));
    EXPECT_EQ(e.description(), "Error (-1) is not defined. reg key=HKEY_LOCAL_MACHINE\\SOFTWARE\\Kovrin\\Blob");
    EXPECT_EQ(e.source(), "clsRegistry.GetValue[80]\\");

    // The chains through Utils and modUtils.
    e = errorOf([&] { Utils().GetKovrinRegSettings("Blob", Variant("")); });
    EXPECT_EQ(e.number(), -1);
    EXPECT_EQ(e.source(), "clsUtils.GetKovrinRegSettings[10]\\clsRegistry.GetValue[80]\\");
    e = errorOf([&] { modUtils::GetKovrinRegSettings("Blob", Variant("")); });
    EXPECT_EQ(e.source(), "modUtils.GetKovrinRegSettings[10]\\clsRegistry.GetValue[80]\\");

    // A damaged store file is reported, not read as a missing setting; writes still do not raise
    // and leave the file as it was.
    const auto file = registry.path() / "HKEY_LOCAL_MACHINE.sqlite";
    std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(4096, '#');
    e = errorOf([&] { reg.GetValue(HKLM, "SOFTWARE\\Kovrin", "Path", Variant("dflt")); });
    EXPECT_EQ(e.number(), 1009);
    EXPECT_EQ(e.description(),
              "The configuration registry database is corrupt.\r\n reg key=HKEY_LOCAL_MACHINE\\SOFTWARE\\Kovrin\\Path");
    EXPECT_EQ(e.source(), "clsRegistry.GetValue[40]\\");
    EXPECT_NO_THROW(Utils().SaveKovrinRegSettings("Path", Variant("x")));
    EXPECT_EQ(std::filesystem::file_size(file), 4096u);
    // A value at the root of a damaged hive: reported the same way.
    e = errorOf([&] { reg.GetValue(HKLM, "", "Path"); });
    EXPECT_EQ(e.number(), 1009);
    EXPECT_EQ(e.source(), "clsRegistry.GetValue[40]\\");
}

TEST(ClsRegistry, GetValueExReadsThroughAHandleAndNeverRaises) {
    ScopedRegistry registry;
    clsRegistry reg;
    reg.SaveValue(HKCU, "Software\\Kovrin", "Path", Variant("/srv/data"));
    reg.SaveDWORDValue(HKCU, "Software\\Kovrin", "Count", Variant(int32_t{-3}));
    ASSERT_EQ(registry::setKeyValue(registry::CurrentUser, "Software\\Kovrin", "Blob", {registry::Binary, "b"}), 0);
    registry::Handle h = 0;
    ASSERT_EQ(registry::openKey(registry::CurrentUser, "Software\\Kovrin", h), 0);
    const auto handle = static_cast<int32_t>(h);

    Variant v;
    EXPECT_EQ(reg.GetValueEx(handle, "path", v), 0);
    EXPECT_EQ(v, Variant("/srv/data"));
    EXPECT_EQ(reg.GetValueEx(handle, "Count", v), 0);
    EXPECT_EQ(v, Variant(int32_t{-3}));
    EXPECT_EQ(v.type(), VarType::Long);
    EXPECT_EQ(reg.GetValueEx(handle, "Blob", v), -1);
    EXPECT_EQ(v, Variant(int32_t{-3}));  // unchanged
    EXPECT_EQ(reg.GetValueEx(handle, "Missing", v), 2);
    EXPECT_EQ(reg.GetValueEx(HKCU, "Path", v), 2);  // a hive is its root key
    registry::closeKey(h);
    EXPECT_EQ(reg.GetValueEx(handle, "Path", v), 6);
    EXPECT_EQ(reg.GetValueEx(0, "Path", v), 6);
    EXPECT_EQ(v, Variant(int32_t{-3}));
}

TEST(UtilsRegSettings, SettingsAreTextUnderTheLibrarysMachineKey) {
    ScopedRegistry registry;
    Utils utils;
    utils.SaveKovrinRegSettings("LastBusinessID", Variant(int32_t{3}));
    utils.SaveKovrinRegSettings("Flag", Variant(true));
    EXPECT_EQ(stored(registry::LocalMachine, "SOFTWARE\\Kovrin", "LastBusinessID").data, "3");
    EXPECT_EQ(utils.GetKovrinRegSettings("lastbusinessid", Variant("")), "3");
    EXPECT_EQ(utils.GetKovrinRegSettings("Flag", Variant("")), "True");
    EXPECT_EQ(modUtils::GetKovrinRegSettings("LastBusinessID", Variant("")), "3");

    // Missing settings give the default as text.
    EXPECT_EQ(utils.GetKovrinRegSettings("Missing", Variant(int32_t{5})), "5");
    EXPECT_EQ(utils.GetKovrinRegSettings("Missing", Variant()), "");
    EXPECT_EQ(modUtils::GetKovrinRegSettings("Missing", Variant(2.5)), "2.5");
    Error e = errorOf([&] { utils.GetKovrinRegSettings("Missing", Variant::null()); });
    EXPECT_EQ(e.number(), 94);
    EXPECT_EQ(e.source(), "clsUtils.GetKovrinRegSettings[10]\\");

    // A number written by another program (the front-end) comes back as decimal text.
    clsRegistry().SaveDWORDValue(HKLM, "SOFTWARE\\Kovrin", "Stamp", Variant(int32_t{20240131}));
    EXPECT_EQ(utils.GetKovrinRegSettings("Stamp", Variant("")), "20240131");
    EXPECT_EQ(modUtils::GetKovrinRegSettings("STAMP", Variant("")), "20240131");

    // The current-user hive is not the machine key.
    clsRegistry().SaveValue(HKCU, "SOFTWARE\\Kovrin", "UserOnly", Variant("u"));
    EXPECT_EQ(utils.GetKovrinRegSettings("UserOnly", Variant("none")), "none");
}
