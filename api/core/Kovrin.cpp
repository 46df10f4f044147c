// The Kovrin object: creation, the process-wide settings, the business list, the debug switch,
// the error table and the registry settings.
#include <KovrinAPI/Kovrin.h>

#include <KovrinAPI/BuildVersion.h>
#include <KovrinAPI/Utils.h>
#include <KovrinAPI/clsRegistry.h>
#include <fmt/format.h>

#include "BusinessData.h"
#include "Operation.h"
#include "RegistryRead.h"
#include "platform/db/PostgresBackend.h"
#include "platform/registry/RegistryStore.h"

namespace kovrin {

using core::logAndPassOn;
using core::logEntry;
using core::passOnLocked;
using core::state;
using core::unguarded;

Kovrin::Kovrin() {
    passOnLocked("Kovrin.Class_Initialize", [&](Line& line) {
        // The two writes below may be skipped when they fail: another program holding the
        // machine hive must not hold up the creation for long.
        registry::BriefWrites briefly;
        clsRegistry reg;
        const int32_t machine = reg.HKEY_LOCAL_MACHINE();
        const int32_t user = reg.HKEY_CURRENT_USER();
        line(10);
        state().accessPath.clear();
        backupTimeOutSeconds_ = 60;
        pdfTimeout_ = 10000;
        line(20);
        std::string access =
            CStr(reg.GetValue(machine, "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot", "Path", Variant("")));
        line(30);
        if (access.empty())
            access = CStr(reg.GetValue(machine, "SOFTWARE\\Microsoft\\Office\\11.0\\Access\\InstallRoot", "Path", Variant("")));
        line(40);
        if (access.empty()) access = "C:\\Program Files\\Microsoft Office\\OFFICE11\\";
        line(50);
        state().accessPath = access + "msaccess.exe";  // install roots end with their separator
        line(60);
        // "Path" and "File" are written together (kovrin-db register) and read together, so a new
        // folder is never paired with the old file name.
        const std::vector<Variant> installation =
            core::GetValuesTogether(user, "Software\\Kovrin", {"Path", "File"}, Variant(""));
        std::string path = CStr(installation[0]);
        std::string file = CStr(installation[1]);
        line(70);
        if (path.empty() || file.empty()) {
            std::vector<std::string> missing;
            if (path.empty()) missing.push_back("Path");
            if (file.empty()) missing.push_back("File");
            const std::vector<Variant> machineWide = core::GetValuesTogether(machine, "Software\\Kovrin", missing, Variant(""));
            if (path.empty()) path = CStr(machineWide.front());
            if (file.empty()) file = CStr(machineWide.back());
        }
        line(80);
        if (path.empty() || file.empty()) raiseError(6367, "לא נמצאה התקנה של קוברין");
        line(90);
        // Books on a database server: "File" is the server's URI and "Path" the folder of the log.
        if (db::isPostgresUri(file)) {
            state().kovrinPath = file;
            state().logFolder = path;
        } else {
            state().kovrinPath = path + "/" + file;
            state().logFolder.clear();
        }
        line(100);
        reg.SaveValue(machine, "SOFTWARE\\Kovrin\\API", "IsAPIDebug", Variant(debugMode_));
        line(110);
        BusinessID(1);
    });
}

// ---- process-wide settings -------------------------------------------------------------------

std::string Kovrin::KovrinPath() const {
    return logAndPassOn(debugMode_, "Kovrin.kovrinPath", [&](Line& line) {
        line(10);
        return state().kovrinPath;
    });
}

void Kovrin::KovrinPath(const std::string& value) {
    logAndPassOn(debugMode_, "Kovrin.kovrinPath", [&](Line& line) {
        line(10);
        state().kovrinPath = value;
    });
}

std::string Kovrin::AccessPath() const {
    return logAndPassOn(debugMode_, "Kovrin.accessPath", [&](Line& line) {
        line(10);
        return state().accessPath;
    });
}

void Kovrin::AccessPath(const std::string& value) {
    logAndPassOn(debugMode_, "Kovrin.accessPath", [&](Line& line) {
        line(10);
        state().accessPath = value;
    });
}

std::string Kovrin::Version() const {
    return unguarded([&] {
        logEntry(debugMode_, "Kovrin.[Get] Version");
        return fmt::format("{}.{}.{}", build::VersionMajor, build::VersionMinor, build::VersionRevision);
    });
}

std::string Kovrin::Clock() const {
    return unguarded([&] {
        logEntry(debugMode_, "Kovrin.[Get] Clock");
        return Date::now().generalDate();
    });
}

int32_t Kovrin::BusinessID() const {
    return passOnLocked("Kovrin.Get BusinessID", [&](Line& line) {
        line(10);
        return state().businessId;
    });
}

void Kovrin::BusinessID(int32_t value) {
    logAndPassOn(debugMode_, "Kovrin.Let BusinessID", [&](Line& line) {
        line(10);
        state().businessId = value;
        line(20);
        Utils().SaveKovrinRegSettings("LastBusinessID", Variant(value));
    });
}

// ---- businesses ------------------------------------------------------------------------------

std::string Kovrin::GetOsekMorshe() {
    return passOnLocked("Kovrin.GetOsekMorshe", [&](Line& line) {
        line(50);
        return modKovrin::GetOsekMorshe(debugMode_);
    });
}

Variant Kovrin::GetKovrinBusinessList() {
    return passOnLocked("Kovrin.GetKovrinBusinessList", [&](Line& line) {
        line(50);
        return modKovrin::GetKovrinBusinessList(debugMode_);
    });
}

// ---- debug switch and error table ------------------------------------------------------------

bool Kovrin::DebugMode() const {
    return unguarded([&] { return debugMode_; });
}

void Kovrin::DebugMode(bool value) {
    passOnLocked("Kovrin.Let DebugMode", [&](Line& line) {
        line(10);
        debugMode_ = value;
        line(20);
        clsRegistry reg;
        reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Kovrin\\API", "IsAPIDebug", Variant(value));
    });
}

void Kovrin::AddErrorToKovrin(const std::string& strErrMessage) {
    logAndPassOn(debugMode_, "Kovrin.AddErrorToKovrin", [&](Line& line) {
        line(10);
        logEntry(debugMode_, "Kovrin.AddErrorToKovrin", "strErrMessage", Variant(strErrMessage));
        line(50);
        modKovrin::AddErrorToKovrin(strErrMessage, debugMode_);
    });
}

// ---- registry settings -----------------------------------------------------------------------

Variant Kovrin::GetKovrinRegSetting(const std::string& EntryName, Variant varDefault) {
    return logAndPassOn(debugMode_, "Kovrin.GetKovrinRegSetting", [&](Line& line) {
        line(50);
        return Variant(Utils().GetKovrinRegSettings(EntryName, varDefault));
    });
}

void Kovrin::SetKovrinRegSetting(const std::string& EntryName, Variant Value) {
    logAndPassOn(debugMode_, "Kovrin.Let KovrinRegSetting", [&](Line& line) {
        line(50);
        Utils().SaveKovrinRegSettings(EntryName, Value);
    });
}

}  // namespace kovrin
