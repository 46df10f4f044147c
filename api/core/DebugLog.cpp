#include "DebugLog.h"

#include <cstdio>

#include <KovrinAPI/BuildVersion.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <fmt/format.h>

#include "State.h"
#include "modUtils.h"
#include "platform/db/PostgresBackend.h"

namespace kovrin::modUtils {

std::string GetFilePath(const std::string& path) {
    return passOn("modUtils.GetFilePath", [&](Line& line) -> std::string {
        line(10);
        for (std::size_t i = path.size(); i-- > 0;) {
            line(20);
            if (path[i] == ':') return path.substr(0, i + 1);
            if (path[i] == '\\' || path[i] == '/') return path.substr(0, i);
        }
        line(30);
        return {};
    });
}

void LogDebug(const std::string& strProcedure, const std::string& strLabel,
              const std::optional<Variant>& varValue) noexcept {
    try {
        core::State& s = core::state();
        if (s.logFileName.empty()) {
            // A server's URI names no folder: its log goes to the installation's folder, else the
            // temporary folder.
            std::string folder = GetFilePath(s.kovrinPath);
            if (db::isPostgresUri(s.kovrinPath)) folder = !s.logFolder.empty() ? s.logFolder : GetTempDir();
            if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
            s.logFileName = folder + "/" + core::debugLogBaseName();
        }

        // A log whose folder is empty would land in the root of the file system: the entry is lost.
        if (s.logFileName.front() == '/' && s.logFileName.find('/', 1) == std::string::npos) return;

        std::string value;
        if (varValue && !varValue->isNull()) {
            try {
                value = CStr(*varValue);
            } catch (...) {
                value.clear();
            }
        }
        std::string entry = fmt::format("{}\t{}\t{}\t{}\r\n{}\r\n", Date::now().generalDate(), strProcedure, strLabel,
                                        value, std::string(103, '-'));
        if (std::FILE* f = std::fopen(s.logFileName.c_str(), "ab")) {
            std::fwrite(entry.data(), 1, entry.size(), f);
            std::fclose(f);
        }
    } catch (...) {
        // logging never raises
    }
}

}  // namespace kovrin::modUtils

namespace kovrin::core {

std::string debugLogFileName() { return state().logFileName; }

void forgetDebugLogFileName() { state().logFileName.clear(); }

std::string debugLogBaseName() {
    return fmt::format("kovrinapi{}.{}.{}.txt", build::VersionMajor, build::VersionMinor, build::VersionRevision);
}

}  // namespace kovrin::core
