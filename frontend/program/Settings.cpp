#include "Settings.h"

#include <charconv>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "Store.h"
#include "platform/db/PostgresBackend.h"
#include "platform/registry/RegistryStore.h"

namespace kovrin::frontend::app {
namespace reg = kovrin::registry;

std::optional<std::string> readSetting(uint32_t hive, std::string_view key, std::string_view name) {
    reg::Handle handle = 0;
    int32_t status = reg::openKey(hive, key, handle);
    reg::Value value;
    if (status == reg::status::Success) {
        status = reg::queryValue(handle, name, value);
        reg::closeKey(handle);
    }
    if (status == reg::status::NotFound) return std::nullopt;
    if (status != reg::status::Success)
        throw Error(status, fmt::format("Cannot read \"{}\" of {}\\{}: {}", name, reg::hiveName(hive), key, reg::status::text(status)));
    if (value.type == reg::Number) return std::to_string(static_cast<int32_t>(value.asNumber()));
    return value.data;
}

std::filesystem::path installationFolder(const std::filesystem::path& database) {
    if (!db::isPostgresUri(database.string())) return std::filesystem::absolute(database).parent_path();
    if (readSetting(reg::CurrentUser, "Software\\Kovrin", "File") == database.string())
        if (auto folder = readSetting(reg::CurrentUser, "Software\\Kovrin", "Path"); folder && !folder->empty()) return *folder;
    return std::filesystem::temp_directory_path();
}

void writeSetting(uint32_t hive, std::string_view key, std::string_view name, std::string_view text) {
    const int32_t status = reg::writeString(hive, key, name, text);
    if (status != reg::status::Success)
        throw Error(status, fmt::format("Cannot write \"{}\" of {}\\{}: {}", name, reg::hiveName(hive), key, reg::status::text(status)));
}

int currentBusiness() {
    const std::string text = readSetting(reg::LocalMachine, KovrinKey, "LastBusinessID").value_or("1");
    int id = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (ec != std::errc() || end != text.data() + text.size())
        throw Error(errors::BadCommandLine, fmt::format("The current business \"{}\" (LastBusinessID) is not a number", text));
    return id;
}

std::string defaultPrinter(std::string_view licensedDealerNumber) {
    const std::string key = fmt::format("Software\\VB and VBA Program Settings\\קוברין\\{}", licensedDealerNumber);
    return readSetting(reg::CurrentUser, key, "strDefaultPrinter").value_or("");
}

}  // namespace kovrin::frontend::app
