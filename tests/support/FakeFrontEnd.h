// A stand-in for the bookkeeping front-end: a shell script installed as msaccess.exe in a folder
// registered as the Access install root. Every start leaves a record of its window mode, command
// line and arguments (and, for print macros, the front-end printer settings it saw), after answering
// the hand-shakes the way the front-end does: the backup file's path in "LastBackupFile", a new
// "CustomerBalanceLastDateComputed" stamp, and for printing a small PDF written to the pdfFactory
// "OutputFile", which is then cleared. A silent front-end records its start and answers nothing.
// Create it after the Installation (whose registry it writes into) and before the Kovrin object.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <KovrinAPI/clsRegistry.h>
#include <gtest/gtest.h>

#include "TempDir.h"

#ifndef KOVRIN_REG_TOOL
#error "KOVRIN_REG_TOOL must name the kovrin-reg program"
#endif

namespace kovrin::test {

class FakeFrontEnd {
public:
    struct Call {
        std::string mode;     // KOVRIN_WINDOW_MODE
        std::string cmdline;  // the command line as one text
        std::vector<std::string> args;
        std::string printers;  // the front-end printer settings seen by a print macro
    };

    FakeFrontEnd() {
        std::filesystem::create_directories(dir_.path() / "calls");
        const std::string script = R"(#!/bin/bash
exec 2>/dev/null  # may outlive its test's folder
here=')" + dir_.path().string() + R"('
reg=')" + std::string(KOVRIN_REG_TOOL) + R"('
pdf='HKCU\Software\FinePrint Software\pdfFactory3'
if [ ! -e "$here/silent" ]; then
  case "$2" in
    apiPerformBackup) "$reg" set 'HKLM\SOFTWARE\Kovrin' LastBackupFile "$here/backup-$$.sqlite" ;;
    apiUpdateCustomerBalance)
      "$reg" set 'HKLM\SOFTWARE\Kovrin' CustomerBalanceLastDateComputed "$(date '+%d/%m/%Y %H:%M:%S') $$" ;;
    apiPrint*)
      printers=$("$reg" export 'HKCU\Software\VB and VBA Program Settings' 2>/dev/null | tr '\n' ' ')
      out=$("$reg" get "$pdf" OutputFile 2>/dev/null)
      if [ -n "$out" ]; then
        printf '%%PDF-1.4\n%% %s %s\n%%%%EOF\n' "$2" "$4" > "$out"
        "$reg" set "$pdf" OutputFile ''
      fi ;;
  esac
fi
{
  printf 'mode=%s\n' "$KOVRIN_WINDOW_MODE"
  printf 'cmdline=%s\n' "$KOVRIN_COMMAND_LINE"
  printf 'printers=%s\n' "$printers"
  for a in "$@"; do printf 'arg=%s\n' "$a"; done
} > "$here/calls/$$.tmp"
mv "$here/calls/$$.tmp" "$here/calls/$$.call"
)";
        std::ofstream(program()) << script;
        std::filesystem::permissions(program(), std::filesystem::perms::owner_all);
        clsRegistry reg;
        reg.SaveValue(reg.HKEY_LOCAL_MACHINE(), "SOFTWARE\\Microsoft\\Office\\12.0\\Access\\InstallRoot", "Path",
                      Variant(dir_.path().string() + "/"));
    }

    std::string program() const { return dir_.file("msaccess.exe"); }
    const TempDir& dir() const { return dir_; }

    // A silent front-end starts and records, and never answers a hand-shake.
    void silent(bool on) {
        if (on) std::ofstream(dir_.file("silent")) << "";
        else std::filesystem::remove(dir_.file("silent"));
    }

    // The next recorded start (waiting up to 10 seconds for it), removed from the folder.
    Call next() {
        for (int i = 0; i < 1000; ++i) {
            for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "calls"))
                if (entry.path().extension() == ".call") return take(entry.path());
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "the front-end was not started";
        return {};
    }

    // Whether any start is recorded within the given time.
    bool startedWithin(std::chrono::milliseconds wait) {
        std::this_thread::sleep_for(wait);
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path() / "calls"))
            if (entry.path().extension() == ".call") return true;
        return false;
    }

private:
    static Call take(const std::filesystem::path& file) {
        Call call;
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("mode=", 0) == 0) call.mode = line.substr(5);
            else if (line.rfind("cmdline=", 0) == 0) call.cmdline = line.substr(8);
            else if (line.rfind("printers=", 0) == 0) call.printers = line.substr(9);
            else if (line.rfind("arg=", 0) == 0) call.args.push_back(line.substr(4));
        }
        std::filesystem::remove(file);
        return call;
    }

    TempDir dir_;
};

}  // namespace kovrin::test
