#include <cstdlib>
#include <optional>

#include <gtest/gtest.h>

#include "StoreTestSupport.h"
#include "support/TempDir.h"

using namespace kovrin::registry;
using namespace kovrin::registry::test;
using kovrin::test::ScopedRegistry;

TEST(RegistryStore, ValuesKeepTheirTypeAndDataAndNamesCompareWithoutCase) {
    ScopedRegistry registry;
    ASSERT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "Path", Value::text("/srv/data")), status::Success);
    ASSERT_EQ(setKeyValue(CurrentUser, "SOFTWARE\\KOVRIN\\API", "IsAPIDebug", Value::text("False")), status::Success);
    ASSERT_EQ(setKeyValue(CurrentUser, "software\\kovrin", "Count", Value::number(0xfffffffbu)), status::Success);
    ASSERT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "Blob", Value{Binary, std::string("\0\x01\xff", 3)}),
              status::Success);
    ASSERT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "", Value::text("")), status::Success);
    EXPECT_TRUE(std::filesystem::exists(registry.path() / "HKEY_CURRENT_USER.sqlite"));

    Value v;
    ASSERT_EQ(read(CurrentUser, "sOfTwArE\\kOvRiN", "PATH", v), status::Success);
    EXPECT_EQ(v.type, Text);
    EXPECT_EQ(v.data, "/srv/data");
    EXPECT_EQ(v.size(), 10u);  // the system counts a text's terminating NUL
    ASSERT_EQ(read(CurrentUser, "Software\\Kovrin", "count", v), status::Success);
    EXPECT_EQ(v.type, Number);
    EXPECT_EQ(static_cast<int32_t>(v.asNumber()), -5);
    EXPECT_EQ(v.size(), 4u);
    ASSERT_EQ(read(CurrentUser, "Software\\Kovrin", "blob", v), status::Success);
    EXPECT_EQ(v.type, Binary);
    EXPECT_EQ(v.data, std::string("\0\x01\xff", 3));
    ASSERT_EQ(read(CurrentUser, "Software\\Kovrin", "", v), status::Success);
    EXPECT_EQ(v.data, "");
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin\\api", "isapidebug"), "False");

    // Replacing a value changes its type and data; its name and the keys keep their first spelling.
    ASSERT_EQ(setKeyValue(CurrentUser, "SOFTWARE\\kovrin", "PATH", Value::number(7)), status::Success);
    Handle h = 0;
    ASSERT_EQ(openKey(CurrentUser, "software", h), status::Success);
    std::vector<std::string> subkeys;
    ASSERT_EQ(enumKeys(h, subkeys), status::Success);
    EXPECT_EQ(subkeys, std::vector<std::string>{"Kovrin"});
    closeKey(h);
    ASSERT_EQ(openKey(CurrentUser, "Software\\Kovrin", h), status::Success);
    std::vector<NamedValue> values;
    ASSERT_EQ(enumValues(h, values), status::Success);
    std::vector<std::string> names;
    for (const auto& nv : values) names.push_back(nv.name);
    EXPECT_EQ(names, (std::vector<std::string>{"", "Blob", "Count", "Path"}));
    EXPECT_EQ(values[3].value.type, Number);
    ASSERT_EQ(enumKeys(h, subkeys), status::Success);
    EXPECT_EQ(subkeys, std::vector<std::string>{"API"});
    closeKey(h);

    // Hebrew key names (the front-end's printer key) are stored and found as written.
    const std::string hebrew = "Software\\VB and VBA Program Settings\\קוברין\\512345678";
    ASSERT_EQ(setKeyValue(CurrentUser, hebrew, "strDefaultPrinter", Value::text("PDF")), status::Success);
    EXPECT_EQ(readText(CurrentUser, hebrew, "STRDEFAULTPRINTER"), "PDF");

    // The hives are separate files.
    EXPECT_EQ(readText(LocalMachine, "Software\\Kovrin", "Path"), "<status 2>");
    EXPECT_EQ(writeString(LocalMachine, "SOFTWARE\\Kovrin", "LastBusinessID", "3"), status::Success);
    EXPECT_EQ(readText(LocalMachine, "Software\\Kovrin", "lastbusinessid"), "3");
    EXPECT_TRUE(std::filesystem::exists(registry.path() / "HKEY_LOCAL_MACHINE.sqlite"));
}

TEST(RegistryStore, BadPathsBadHandlesAndBadValuesAreRefused) {
    ScopedRegistry registry;
    Handle h = 99;
    for (std::string_view bad : {"\\Software\\Kovrin", "Software\\\\Kovrin", "Software\\Kovrin\\\\", "\\"}) {
        SCOPED_TRACE(std::string(bad));
        EXPECT_EQ(openKey(CurrentUser, bad, h), status::BadPathName);
        EXPECT_EQ(h, 0u);
        EXPECT_EQ(createKey(CurrentUser, bad, h), status::BadPathName);
        EXPECT_EQ(setKeyValue(CurrentUser, bad, "v", Value::text("x")), status::BadPathName);
        EXPECT_EQ(deleteKey(CurrentUser, bad), status::BadPathName);
    }
    EXPECT_FALSE(keyExists(CurrentUser, "Software"));  // nothing was created on the way
    // One trailing separator is accepted, as the system accepts it.
    ASSERT_EQ(createKey(CurrentUser, "Software\\Kovrin\\", h), status::Success);
    closeKey(h);
    EXPECT_TRUE(keyExists(CurrentUser, "Software\\Kovrin"));

    // Handles: never opened, closed, zero, a number that is no hive.
    Value v;
    EXPECT_EQ(queryValue(12345, "x", v), status::InvalidHandle);
    ASSERT_EQ(openKey(CurrentUser, "Software", h), status::Success);
    EXPECT_EQ(closeKey(h), status::Success);
    EXPECT_EQ(closeKey(h), status::InvalidHandle);
    EXPECT_EQ(queryValue(h, "x", v), status::InvalidHandle);
    EXPECT_EQ(setValue(h, "x", Value::text("y")), status::InvalidHandle);
    EXPECT_EQ(queryValue(0, "x", v), status::InvalidHandle);
    EXPECT_EQ(setKeyValue(0x80000005u, "Software", "x", Value::text("y")), status::InvalidHandle);
    EXPECT_EQ(openKey(0x80000005u, "Software", h), status::InvalidHandle);
    EXPECT_EQ(closeKey(CurrentUser), status::Success);  // a hive's own handle may be closed

    // Only the three value types, and numbers of exactly four bytes.
    EXPECT_EQ(setKeyValue(CurrentUser, "Software", "x", Value{2, "text"}), status::InvalidParameter);
    EXPECT_EQ(setKeyValue(CurrentUser, "Software", "x", Value{Number, "abc"}), status::InvalidParameter);
    EXPECT_EQ(read(CurrentUser, "Software", "x", v), status::NotFound);
    const NamedValue oneBad[] = {{"x", Value::text("good")}, {"y", Value{Number, "abc"}}};
    EXPECT_EQ(setKeyValues(CurrentUser, "Software", oneBad), status::InvalidParameter);
    EXPECT_EQ(read(CurrentUser, "Software", "x", v), status::NotFound);  // none of them written

    // A hive's root holds values but cannot be deleted.
    EXPECT_EQ(setValue(LocalMachine, "AtRoot", Value::text("r")), status::Success);
    EXPECT_EQ(readText(LocalMachine, "", "atroot"), "r");
    EXPECT_EQ(deleteKey(LocalMachine, ""), status::AccessDenied);
}

TEST(RegistryStore, MissingKeysAndValuesAreNotFoundAndReadingCreatesNothing) {
    kovrin::test::TempDir dir;
    const std::filesystem::path store = dir.path() / "not" / "yet";
    setenv("KOVRIN_REGISTRY_DIR", store.c_str(), 1);
    Handle h = 0;
    Value v;
    EXPECT_EQ(openKey(CurrentUser, "Software\\Kovrin", h), status::NotFound);
    EXPECT_EQ(read(CurrentUser, "", "Path", v), status::NotFound);
    EXPECT_EQ(deleteKey(CurrentUser, "Software"), status::NotFound);
    EXPECT_EQ(deleteValue(CurrentUser, "Path"), status::NotFound);
    std::vector<std::string> names;
    EXPECT_EQ(enumKeys(CurrentUser, names), status::Success);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(std::filesystem::exists(store));  // the folder appears with the first write

    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/data"), status::Success);
    EXPECT_TRUE(std::filesystem::exists(store / "HKEY_CURRENT_USER.sqlite"));
    EXPECT_EQ(read(CurrentUser, "Software\\Kovrin", "File", v), status::NotFound);
    EXPECT_EQ(openKey(CurrentUser, "Software\\Kovrin\\API", h), status::NotFound);
    EXPECT_EQ(deleteValue(CurrentUser, "Path"), status::NotFound);  // it is not at the root
    unsetenv("KOVRIN_REGISTRY_DIR");
}

TEST(RegistryStore, DeletingAKeyTakesItsSubtreeAndNothingElse) {
    ScopedRegistry registry;
    for (std::string_view key : {"A", "A\\B", "A\\B\\C", "AB", "A B", "A]", "Z"})
        ASSERT_EQ(setKeyValue(CurrentUser, key, "v", Value::text(key)), status::Success);
    Handle deep = 0, b = 0;
    ASSERT_EQ(openKey(CurrentUser, "a\\b\\c", deep), status::Success);
    ASSERT_EQ(openKey(CurrentUser, "a\\b", b), status::Success);

    ASSERT_EQ(deleteValue(b, "V"), status::Success);
    Value v;
    EXPECT_EQ(queryValue(b, "v", v), status::NotFound);
    EXPECT_EQ(deleteValue(b, "v"), status::NotFound);

    ASSERT_EQ(deleteKey(CurrentUser, "a"), status::Success);
    for (std::string_view gone : {"A", "A\\B", "A\\B\\C"}) EXPECT_FALSE(keyExists(CurrentUser, gone)) << gone;
    for (std::string_view kept : {"AB", "A B", "A]", "Z"}) EXPECT_EQ(readText(CurrentUser, kept, "v"), kept);
    EXPECT_EQ(deleteKey(CurrentUser, "a"), status::NotFound);

    // Handles that outlived their key say so, and writing through them does not bring it back.
    EXPECT_EQ(queryValue(deep, "v", v), status::KeyDeleted);
    EXPECT_EQ(setValue(deep, "v", Value::text("again")), status::KeyDeleted);
    Handle child = 0;
    EXPECT_EQ(createKey(b, "D", child), status::KeyDeleted);
    std::vector<std::string> names;
    EXPECT_EQ(enumKeys(b, names), status::KeyDeleted);
    EXPECT_FALSE(keyExists(CurrentUser, "A"));
    closeKey(deep);
    closeKey(b);

    // A key created below an open key.
    Handle z = 0;
    ASSERT_EQ(openKey(CurrentUser, "z", z), status::Success);
    ASSERT_EQ(createKey(z, "Sub\\Deeper", child), status::Success);
    ASSERT_EQ(setValue(child, "n", Value::number(1)), status::Success);
    EXPECT_TRUE(keyExists(CurrentUser, "Z\\SUB\\deeper"));
    closeKey(child);
    closeKey(z);
}

TEST(RegistryStore, ReadTreeGivesAKeyAndEverythingBelowWithFirstSpellings) {
    ScopedRegistry registry;
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "Path", "/p"), status::Success);
    ASSERT_EQ(writeString(CurrentUser, "SOFTWARE\\KOVRIN\\API", "IsAPIDebug", "True"), status::Success);
    ASSERT_EQ(writeString(CurrentUser, "software\\kovrin\\API\\Deep", "x", "1"), status::Success);
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin Extra", "y", "2"), status::Success);
    ASSERT_EQ(setKeyValue(CurrentUser, "Software\\Kovrin", "Count", Value::number(3)), status::Success);

    Handle h = 0;
    ASSERT_EQ(openKey(CurrentUser, "SOFTWARE\\kovrin", h), status::Success);
    std::vector<KeyContents> tree;
    ASSERT_EQ(readTree(h, tree), status::Success);
    closeKey(h);
    ASSERT_EQ(tree.size(), 3u);
    EXPECT_EQ(tree[0].path, "Software\\Kovrin");
    ASSERT_EQ(tree[0].values.size(), 2u);
    EXPECT_EQ(tree[0].values[0].name, "Count");
    EXPECT_EQ(tree[0].values[1].value.data, "/p");
    EXPECT_EQ(tree[1].path, "Software\\Kovrin\\API");
    EXPECT_EQ(tree[2].path, "Software\\Kovrin\\API\\Deep");

    // The whole hive: each key is followed by its own subtree before its next sibling.
    ASSERT_EQ(readTree(CurrentUser, tree), status::Success);
    std::vector<std::string> paths;
    for (const auto& k : tree) paths.push_back(k.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"", "Software", "Software\\Kovrin", "Software\\Kovrin\\API",
                                               "Software\\Kovrin\\API\\Deep", "Software\\Kovrin Extra"}));
}

TEST(RegistryStore, TheStoreFolderComesFromTheEnvironment) {
    kovrin::test::TempDir dir;
    auto saved = [](const char* name) -> std::optional<std::string> {
        const char* v = std::getenv(name);
        return v ? std::optional<std::string>(v) : std::nullopt;
    };
    const auto home = saved("HOME"), xdg = saved("XDG_CONFIG_HOME"), own = saved("KOVRIN_REGISTRY_DIR");

    setenv("HOME", dir.file("home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("KOVRIN_REGISTRY_DIR");
    EXPECT_EQ(storeDirectory(), dir.path() / "home" / ".config" / "kovrin" / "registry");
    ASSERT_EQ(writeString(CurrentUser, "Software\\Kovrin", "File", "books.sqlite"), status::Success);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "home/.config/kovrin/registry/HKEY_CURRENT_USER.sqlite"));

    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(storeDirectory(), dir.path() / "home" / ".config" / "kovrin" / "registry");
    setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
    EXPECT_EQ(storeDirectory(), dir.path() / "config" / "kovrin" / "registry");
    EXPECT_EQ(readText(CurrentUser, "Software\\Kovrin", "File"), "<status 2>");  // another store now
    setenv("KOVRIN_REGISTRY_DIR", dir.file("own").c_str(), 1);
    EXPECT_EQ(storeDirectory(), dir.path() / "own");

    auto restore = [](const char* name, const std::optional<std::string>& v) {
        if (v) setenv(name, v->c_str(), 1);
        else unsetenv(name);
    };
    restore("HOME", home);
    restore("XDG_CONFIG_HOME", xdg);
    restore("KOVRIN_REGISTRY_DIR", own);
}

TEST(RegistryStore, HiveNamesAndStatusTexts) {
    EXPECT_EQ(hiveFromName("HKEY_CURRENT_USER"), CurrentUser);
    EXPECT_EQ(hiveFromName("hkcu"), CurrentUser);
    EXPECT_EQ(hiveFromName("HKLM"), LocalMachine);
    EXPECT_EQ(hiveFromName("HKEY_CLASSES_ROOT"), ClassesRoot);
    EXPECT_EQ(hiveFromName("HKU"), Users);
    EXPECT_EQ(hiveFromName("HKEY_CURRENT_CONFIG"), 0u);
    EXPECT_EQ(hiveName(Users), "HKEY_USERS");
    EXPECT_EQ(hiveName(0x80000005u), "");
    EXPECT_EQ(status::text(status::NotFound), "The system cannot find the file specified.");
    EXPECT_EQ(status::text(status::BadPathName), "The specified path is invalid.");
    EXPECT_EQ(status::text(status::RegistryCorrupt), "The configuration registry database is corrupt.");
    EXPECT_EQ(status::text(-1), "");
}
