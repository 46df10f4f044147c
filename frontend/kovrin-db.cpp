// kovrin-db: creates, upgrades and registers bookkeeping database files.
//
//   kovrin-db create PATH [--sample] [--replace] [--register]
//   kovrin-db upgrade PATH
//   kovrin-db version PATH
//   kovrin-db register PATH
//
// Exit status: 0 done, 1 the operation failed (the reason on stderr), 2 bad arguments.

#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "frontend/BookkeepingDatabase.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/Status.h"

namespace {

namespace fs = std::filesystem;
namespace frontend = kovrin::frontend;

constexpr std::string_view AccessRootKey = "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot";

constexpr std::string_view Usage = R"(Usage: kovrin-db create PATH [--sample] [--replace] [--register]
       kovrin-db upgrade PATH
       kovrin-db version PATH
       kovrin-db register PATH

  create    make a new bookkeeping database file at PATH
              --sample    fill it with sample data: a business, customers, reference data
              --replace   replace the file if PATH exists
              --register  then register it as the installation (see register)
  upgrade   bring the database at PATH to the current schema, keeping its data
  version   print the schema version of the database at PATH
  register  make PATH the installation: its folder as "Path" and its file name as "File"
            under Software\Kovrin in the current user's registry, and the front-end program
            beside this tool the Access that the library starts ("Path" under
            SOFTWARE\Microsoft\Office\12.0\Access\InstallRoot in the machine hive)
)";

struct Arguments {
    std::string command;
    fs::path path;
    bool sample = false;
    bool replace = false;
    bool registerIt = false;
};

struct UsageError {
    std::string problem;
};

Arguments parse(const std::vector<std::string_view>& args) {
    if (args.empty()) throw UsageError{"no command given"};
    Arguments parsed;
    parsed.command = args[0];
    const bool create = parsed.command == "create";
    if (!create && parsed.command != "upgrade" && parsed.command != "version" && parsed.command != "register")
        throw UsageError{fmt::format("unknown command \"{}\"", parsed.command)};

    std::optional<std::string_view> path;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (create && arg == "--sample") parsed.sample = true;
        else if (create && arg == "--replace") parsed.replace = true;
        else if (create && arg == "--register") parsed.registerIt = true;
        else if (arg.starts_with("-")) throw UsageError{fmt::format("{} does not take the option \"{}\"", parsed.command, arg)};
        else if (path) throw UsageError{"give one PATH only"};
        else path = arg;
    }
    if (!path || path->empty()) throw UsageError{fmt::format("{} needs a PATH", parsed.command)};
    parsed.path = *path;
    return parsed;
}

// The folder of the front-end program, which answers to the name msaccess.exe there: installed
// beside this tool's installation, or in the build tree when this tool runs from there.
std::optional<fs::path> frontendFolder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return std::nullopt;
    std::vector<fs::path> candidates = {self.parent_path() / KOVRIN_FRONTEND_FROM_BIN};
    if (fs::equivalent(self.parent_path(), KOVRIN_DB_BUILD_DIR, ec)) candidates.emplace_back(KOVRIN_FRONTEND_BUILD_DIR);
    for (const fs::path& folder : candidates)
        if (fs::exists(folder / "msaccess.exe", ec)) return fs::weakly_canonical(folder);
    return std::nullopt;
}

void writeRegistry(uint32_t hive, std::string_view key, std::string_view name, const std::string& value) {
    const int32_t status = kovrin::registry::writeString(hive, key, name, value);
    if (status != kovrin::registry::status::Success)
        throw kovrin::Error(status, fmt::format("Could not write \"{}\" under {}: {} (status {})", name, key,
                                                kovrin::registry::status::text(status), status));
}

// Records the file as the installation the library finds at start-up, and the front-end program
// as the Access it starts (an install root ends with its separator).
void registerInstallation(const fs::path& path) {
    frontend::schemaVersion(path);  // refuses a missing file or one that is not ours
    const fs::path full = fs::absolute(path).lexically_normal();
    namespace reg = kovrin::registry;
    // One transaction: a program starting meanwhile sees the old pair or the new one, never the
    // new folder with the old file name.
    const reg::NamedValue values[] = {{"Path", reg::Value::text(full.parent_path().string())},
                                      {"File", reg::Value::text(full.filename().string())}};
    const int32_t status = reg::setKeyValues(reg::CurrentUser, "Software\\Kovrin", values);
    if (status != reg::status::Success)
        throw kovrin::Error(status, fmt::format("Could not write \"Path\" and \"File\" under HKEY_CURRENT_USER\\Software\\Kovrin: {} (status {})",
                                                reg::status::text(status), status));
    std::cout << fmt::format("Registered {} as the installation (Path={}, File={})\n", full.string(),
                             full.parent_path().string(), full.filename().string());
    if (const auto folder = frontendFolder()) {
        const std::string root = (*folder / "").string();
        writeRegistry(kovrin::registry::LocalMachine, AccessRootKey, "Path", root);
        std::cout << fmt::format("Registered the front-end {}msaccess.exe as the Access install root\n", root);
    } else {
        std::cout << "No front-end program found beside kovrin-db: the Access install root is left as it was\n";
    }
}

void run(const Arguments& a) {
    const std::string shown = a.path.string();
    if (a.command == "create") {
        frontend::createDatabase(a.path, {.withSampleData = a.sample, .replaceExisting = a.replace});
        std::cout << fmt::format("Created {} (schema version {}, {})\n", shown, frontend::currentSchemaVersion(),
                                 a.sample ? "with sample data" : "empty");
        if (a.registerIt) registerInstallation(a.path);
    } else if (a.command == "upgrade") {
        const int was = frontend::upgradeDatabase(a.path);
        const int now = frontend::currentSchemaVersion();
        if (was == now) std::cout << fmt::format("{} is at schema version {}, the current one\n", shown, now);
        else std::cout << fmt::format("Upgraded {} from schema version {} to {}\n", shown, was, now);
    } else if (a.command == "version") {
        std::cout << frontend::schemaVersion(a.path) << '\n';
    } else {
        registerInstallation(a.path);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        std::cout << Usage;
        return 0;
    }
    try {
        run(parse(args));
        return 0;
    } catch (const UsageError& e) {
        std::cerr << "kovrin-db: " << e.problem << "\n\n" << Usage;
        return 2;
    } catch (const kovrin::Error& e) {
        std::cerr << "kovrin-db: " << e.description() << " (error " << e.number() << ")\n";
        if (e.number() == frontend::errors::FileAlreadyExists) std::cerr << "Give --replace to replace it.\n";
    } catch (const std::exception& e) {
        std::cerr << "kovrin-db: " << e.what() << '\n';
    }
    return 1;
}
