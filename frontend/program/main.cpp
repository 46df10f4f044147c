// kovrin-frontend: the bookkeeping front-end that the library starts as a separate process (as
// msaccess.exe) to print, display, back up and refresh balances. See docs/frontend.md.
//
// Exit status: 0 done; 1 the work failed (database, document, printer, backup); 2 the command
// line named no known macro or carried a wrong argument. The reason goes to stderr and the log.
#include <chrono>
#include <memory>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <fmt/chrono.h>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "CommandLine.h"
#include "Documents.h"
#include "Log.h"
#include "Maintenance.h"
#include "Printing.h"
#include "Settings.h"
#include "Store.h"
#include "Windows.h"
#include "platform/registry/Registry.h"

namespace app = kovrin::frontend::app;
using kovrin::Error;

namespace {

enum class Action { Start, Display, Print, Balance, Backup };

struct Macro {
    const char* name;
    Action action;
    const app::DocumentKind* kind;  // for Display and Print
    app::Language language;
};

// The macros of the document kinds (print in Hebrew and English, display), then the two of their own.
Macro findMacro(const std::string& name) {
    constexpr app::Language He = app::Language::Hebrew, En = app::Language::English;
    if (name.empty()) return {"", Action::Start, nullptr, He};
    const auto is = [&](const char* macro) {
        return macro && QString::fromStdString(name).compare(macro, Qt::CaseInsensitive) == 0;
    };
    for (const app::DocumentKind& k : kovrin::documents::Kinds) {
        if (is(k.printMacro)) return {k.printMacro, Action::Print, &k, He};
        if (is(k.printMacroEnglish)) return {k.printMacroEnglish, Action::Print, &k, En};
        if (is(k.displayMacro)) return {k.displayMacro, Action::Display, &k, He};
    }
    if (is("apiUpdateCustomerBalance")) return {"apiUpdateCustomerBalance", Action::Balance, nullptr, He};
    if (is("apiPerformBackup")) return {"apiPerformBackup", Action::Backup, nullptr, He};
    throw Error(app::errors::BadCommandLine, fmt::format("There is no macro \"{}\"", name));
}

long documentNumber(const std::string& argument) {
    std::size_t used = 0;
    long number = 0;
    try {
        number = std::stol(argument, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (argument.empty() || used != argument.size() || number < INT32_MIN || number > INT32_MAX)
        throw Error(app::errors::BadCommandLine,
                    fmt::format("The document number \"{}\" is not a whole number (give it after /cmd)", argument));
    return number;
}

// Shows the window as the library asked (KOVRIN_WINDOW_MODE 2 and 6: minimised) and runs it.
// KOVRIN_FRONTEND_GRAB names a PNG file: the window is drawn into it and the program ends, so
// windows can be looked at without a display.
int runWindow(QWidget& window) {
    const char* mode = std::getenv("KOVRIN_WINDOW_MODE");
    const std::string m = mode ? mode : "1";
    if (m == "6") window.setAttribute(Qt::WA_ShowWithoutActivating);
    if (m == "2" || m == "6") window.showMinimized();
    else window.show();
    if (const char* grab = std::getenv("KOVRIN_FRONTEND_GRAB"); grab && *grab) {
        QApplication::processEvents();
        if (!window.grab().save(QString::fromLocal8Bit(grab)))
            throw Error(75, fmt::format("Could not write the picture {}", grab));
        return 0;
    }
    return QApplication::exec();
}

// Printing needs fonts and the print service, not a screen: without a display everything is
// drawn offscreen, instead of Qt refusing to start.
void chooseOffscreenWithoutDisplay() {
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Made once a macro needs Qt; a failure after that is also shown to the user on a screen.
std::unique_ptr<QApplication> qt;

int run(int argc, char** argv) {
    const app::CommandLine line = app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    const Macro macro = findMacro(line.macro);
    app::Store store(line.database);  // a missing or foreign file stops here
    app::logInto(app::installationFolder(line.database));
    app::log(fmt::format("{}{}{} on {}", macro.name[0] ? macro.name : "start", line.argument.empty() ? "" : " ",
                         line.argument, store.name()));

    switch (macro.action) {
    case Action::Backup: {
        const auto copy = app::backupDatabase(store);
        app::writeSetting(kovrin::registry::LocalMachine, app::KovrinKey, "LastBackupFile", copy.string());
        app::log("backed up to " + copy.string());
        return 0;
    }
    case Action::Balance: {
        const auto date = app::parseBalanceDate(line.argument);
        const int customers = app::refreshBalances(store, date);
        // Any new text tells the waiting library the tables are ready; the milliseconds keep two
        // refreshes within one second apart.
        const auto now = std::chrono::system_clock::now();
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
        const std::string stamp = fmt::format("{:%d/%m/%Y %H:%M:%S}.{:03}",
                                              fmt::localtime(std::chrono::system_clock::to_time_t(now)), ms);
        app::writeSetting(kovrin::registry::LocalMachine, app::KovrinKey, "CustomerBalanceLastDateComputed", stamp);
        app::log(fmt::format("balances of {} customers computed to {}", customers, date.shortDate));
        return 0;
    }
    default:
        break;
    }

    const int business = app::currentBusiness();
    chooseOffscreenWithoutDisplay();
    qt = std::make_unique<QApplication>(argc, argv);
    if (macro.action == Action::Start) {
        auto window = app::startWindow(store, business);
        return runWindow(*window);
    }
    const app::Document document =
        app::loadDocument(store, *macro.kind, business, documentNumber(line.argument));
    if (macro.action == Action::Print) {
        app::printDocument(store, document, macro.language);
        return 0;
    }
    auto window = app::documentWindow(store, document);
    return runWindow(*window);
}

// The reason goes to the log; someone at a screen also sees it in a message box, as a print or
// display they asked for would otherwise end without a word.
int failed(const std::string& reason, int status) {
    app::log(reason);
    const QString platform = qt ? QGuiApplication::platformName() : QString();
    if (qt && platform != "offscreen" && platform != "minimal")
        QMessageBox::critical(nullptr, QString::fromUtf8("קוברין"), QString::fromStdString(reason));
    return status;
}

int guarded(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::invalid_argument& e) {
        app::log("usage: kovrin-frontend DATABASE[/x MACRO [/cmd ARGUMENT]]");
        return failed(fmt::format("{} (error {})", e.what(), app::errors::BadCommandLine), 2);
    } catch (const Error& e) {
        return failed(fmt::format("{} (error {})", e.description(), e.number()),
                      e.number() == app::errors::BadCommandLine ? 2 : 1);
    } catch (const std::exception& e) {
        return failed(e.what(), 1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int status = guarded(argc, argv);
    qt.reset();  // Qt is ended here, not among the static objects after main
    return status;
}
