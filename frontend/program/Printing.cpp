#include "Printing.h"

#include <ctime>
#include <filesystem>

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <fmt/chrono.h>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "Log.h"
#include "Settings.h"
#include "platform/registry/Registry.h"

namespace kovrin::frontend::app {
namespace {

bool isPdfPrinter(const std::string& name) { return QString::fromStdString(name).compare(PdfPrinterName.data(), Qt::CaseInsensitive) == 0; }

// Where pdfFactory writes: the file "OutputFile" asks for; with none asked for, the temporary
// folder under the name the mail uses ("Invoice 1052.pdf").
std::filesystem::path pdfTarget(const Document& d) {
    const std::string asked = readSetting(registry::CurrentUser, PdfFactoryKey, "OutputFile").value_or("");
    if (!asked.empty()) return asked;
    const char* tmp = std::getenv("TMPDIR");
    return std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / fmt::format("{} {}.pdf", d.kind->fileWord, d.number);
}

void render(const Document& d, Language language, Copy copy, QPrinter& printer) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    QTextDocument page;
    // Laid out on the printer itself, in its own units, so nothing is scaled between the two.
    page.documentLayout()->setPaintDevice(&printer);
    page.setPageSize(QSizeF(printer.width(), printer.height()));
    page.setHtml(documentPage(d, language, copy));
    page.print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw Error(errors::PrinterFailure, fmt::format("The printer \"{}\" refused {} {}", printer.printerName().toStdString(),
                                                        d.kind->name, d.number));
}

}  // namespace

void printDocument(Store& store, const Document& d, Language language) {
    const std::string printerName = defaultPrinter(d.businessNumber);
    const bool pdf = isPdfPrinter(printerName);

    WriteTransaction counting(store);  // two prints of one document at once cannot both be the original
    const std::vector<Param> key = {int64_t{d.business}, int64_t{d.kind->number()}, int64_t{d.number}};
    const auto row = store.first("SELECT iPrintCount FROM FrontEndPrints WHERE iBusinessID = ? AND iObjectType = ? "
                                 "AND iDocumentNumber = ?",
                                 key);
    const Copy copy = row && row->integer("iPrintCount") > 0 ? Copy::TrueCopy : Copy::Original;

    std::string where;
    if (pdf) {
        const std::filesystem::path target = pdfTarget(d);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(target.string()));
        printer.setDocName(QString::fromStdString(fmt::format("{} {}", d.kind->name, d.number)));
        render(d, language, copy, printer);
        std::error_code ec;
        if (std::filesystem::file_size(target, ec) == 0 || ec)
            throw Error(errors::PrinterFailure, fmt::format("Could not write the PDF file {}", target.string()));
        where = "PDF " + target.string();
    } else {
        const QPrinterInfo info = printerName.empty() ? QPrinterInfo::defaultPrinter()
                                                      : QPrinterInfo::printerInfo(QString::fromStdString(printerName));
        if (info.isNull()) {
            if (printerName.empty())
                throw Error(errors::PrinterFailure,
                            fmt::format("No printer is set for business {} ({}) and the system has no default printer",
                                        d.business, d.businessNumber));
            throw Error(errors::PrinterFailure, fmt::format("The printer \"{}\" does not exist", printerName));
        }
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(QString::fromStdString(fmt::format("{} {}", d.kind->name, d.number)));
        render(d, language, copy, printer);
        where = "printer " + info.printerName().toStdString();
    }

    store.exec("INSERT INTO FrontEndPrints (iBusinessID, iObjectType, iDocumentNumber, iPrintCount, datLastPrinted) "
               "VALUES (?, ?, ?, 1, ?) "
               "ON CONFLICT (iBusinessID, iObjectType, iDocumentNumber) "
               "DO UPDATE SET iPrintCount = FrontEndPrints.iPrintCount + 1, datLastPrinted = excluded.datLastPrinted",
               {key[0], key[1], key[2], fmt::format("{:%Y-%m-%d %H:%M:%S}", fmt::localtime(std::time(nullptr)))});
    counting.commit();
    // The file is complete: an empty OutputFile tells whoever asked for it.
    if (pdf) writeSetting(registry::CurrentUser, PdfFactoryKey, "OutputFile", "");
    log(fmt::format("printed {} {} of business {} ({}, {}) to {}", d.kind->name, d.number, d.business,
                    language == Language::Hebrew ? "Hebrew" : "English", copy == Copy::Original ? "original" : "true copy",
                    where));
}

}  // namespace kovrin::frontend::app
