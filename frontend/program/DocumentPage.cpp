#include "DocumentPage.h"

#include <algorithm>
#include <cmath>

#include <QLocale>
#include <QStringList>

namespace kovrin::frontend::app {
namespace {

struct Words {
    const char *dealer, *original, *trueCopy, *cancelled, *number, *date, *dueDate, *to, *customerNumber, *contact,
        *phone, *fax, *description, *quantity, *unitPrice, *currency, *amount, *total1, *rebate, *rounding,
        *beforeVat, *noVat, *vat, *grandTotal, *paymentType, *bank, *branch, *account, *cheque, *chequeDate,
        *netPayment, *taxWithheld, *paid, *paysInvoices, *details, *comments, *noVatLine, *allocation;
};

const Words hebrew = {"עוסק מורשה", "מקור", "העתק נאמן למקור", "מבוטל", "מספר", "תאריך", "לתשלום עד", "לכבוד",
                      "ע.מ. / ח.פ.", "איש קשר", "טלפון", "פקס", "תיאור", "כמות", "מחיר יחידה", "מטבע / שער", "סכום",
                      "סה\"כ חייב במע\"מ", "הנחה", "עיגול", "סה\"כ לפני מע\"מ", "פטור ממע\"מ", "מע\"מ",
                      "סה\"כ לתשלום", "אמצעי תשלום", "בנק", "סניף", "חשבון", "מספר המחאה / כרטיס", "תאריך פירעון",
                      "סה\"כ תקבולים", "ניכוי מס במקור", "סה\"כ שולם", "בגין חשבוניות", "פרטים", "הערות",
                      "פריט פטור ממע\"מ", "מספר הקצאה"};
const Words english = {"Licensed dealer", "Original", "True copy of the original", "Cancelled", "No.", "Date",
                       "Due date", "To", "VAT No.", "Contact", "Phone", "Fax", "Description", "Quantity",
                       "Unit price", "Currency / rate", "Amount", "Total subject to VAT", "Rebate", "Rounding",
                       "Total before VAT", "Exempt from VAT", "VAT", "Total due", "Payment", "Bank", "Branch",
                       "Account", "Cheque / card No.", "Due", "Total payments", "Tax withheld at source",
                       "Total paid", "For invoices", "Details", "Comments", "Item exempt from VAT",
                       "Allocation No."};

QString esc(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }
QString esc(const char* text) { return QString::fromUtf8(text).toHtmlEscaped(); }

QString quantity(double q) { return QLocale::c().toString(q, 'g', 12); }

// The line's currency; a foreign one with the rate its amount was converted at.
QString currency(const GoodsLine& line) {
    const bool local = line.currency.empty() || line.currency == "₪";
    if (local || line.rate == 0 || line.rate == 1) return local ? QString("₪") : esc(line.currency);
    return esc(line.currency) + " " + QLocale::c().toString(line.rate, 'g', 10);
}

// Rich-text tables keep their cells left to right whatever the text direction, so a right-to-left
// page writes each row's cells in reverse: the first cell given ends up on the right.
QString tableRow(bool rtl, QStringList cells, const QString& attributes = {}) {
    if (rtl) std::reverse(cells.begin(), cells.end());
    return "<tr" + attributes + ">" + cells.join("") + "</tr>";
}
QString cell(const QString& html, const char* cls = nullptr, const QString& tag = "td") {
    return QString("<%1%2>%3</%1>").arg(tag, cls ? QString(" class=\"%1\"").arg(cls) : QString(), html);
}

// One label/value row of a totals table.
QString totalRow(bool rtl, const QString& label, double amount, bool strong = false) {
    const QString style = strong ? " style=\"font-weight:bold; font-size:12pt\"" : "";
    // The totals stand at the end side of the page, under the amounts column: an empty first cell
    // takes the rest of the width.
    return tableRow(rtl, {"<td width=\"52%\"></td>", "<td width=\"30%\" class=\"label\">" + label.toHtmlEscaped() + "</td>",
                          "<td width=\"18%\" class=\"num\">" + money(amount) + "</td>"},
                    style);
}
QString withPercent(const char* label, double percent) {
    return QString::fromUtf8(label) + " " + QLocale::c().toString(percent, 'g', 6) + "%";
}

}  // namespace

QString money(double amount) {
    const double rounded = std::round(amount * 100.0) / 100.0;
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);  // the C locale omits the grouping by default
    const QString text = locale.toString(rounded == 0 ? 0.0 : rounded, 'f', 2);
    // A left-to-right embedding keeps the minus sign before the digits on a right-to-left page.
    return rounded < 0 ? QChar(0x202A) + text + QChar(0x202C) : text;
}

QString documentPage(const Document& d, Language language, Copy copy) {
    const bool he = language == Language::Hebrew;
    const Words& w = he ? hebrew : english;
    const QString dir = he ? "rtl" : "ltr";
    const QString start = he ? "right" : "left", end = he ? "left" : "right";
    QString h;
    h += "<html><head><style>"
         "body { font-family: 'Nachlieli CLM', 'David CLM', 'DejaVu Sans'; font-size: 10.5pt; }"
         "th { background-color: #e4e8ee; font-weight: bold; }"
         // Text alignment in a style follows the block's direction (on a right-to-left page "left"
         // is where a line starts, on the right). Words start their cells; numbers stand on the
         // right in both languages, so that their decimal points line up.
         ".label { text-align: left; }"
         ".num { text-align: " + QString(he ? "left" : "right") + "; }"
         ".center { text-align: center; }"
         "</style></head>";
    h += QString("<body dir=\"%1\">").arg(dir);

    // The issuing business, and which print this is.
    QString marks;
    if (copy != Copy::None) marks += esc(copy == Copy::Original ? w.original : w.trueCopy);
    if (d.cancelled) marks += (marks.isEmpty() ? "" : "<br/>") + esc(w.cancelled);
    h += "<table width=\"100%\" cellspacing=\"0\">";
    h += tableRow(he, {QString("<td width=\"70%\" align=\"%1\"><span style=\"font-size:17pt; font-weight:bold\">%2</span>"
                               "<br/>%3 %4</td>")
                           .arg(start, esc(d.businessName), esc(w.dealer), esc(d.businessNumber)),
                       QString("<td width=\"30%\" align=\"%1\" style=\"font-size:13pt; font-weight:bold\">%2</td>")
                           .arg(end, marks)});
    h += "</table>";
    h += "<hr/>";

    // The document's kind, number and dates.
    h += QString("<p align=\"center\" style=\"font-size:18pt; font-weight:bold\">%1 %2 %3</p>")
             .arg(esc(he ? d.kind->hebrewTitle : d.kind->englishTitle), esc(w.number))
             .arg(d.number);
    QString dates = QString("%1: %2").arg(esc(w.date), esc(d.date));
    if (!d.dueDate.empty()) dates += QString("&nbsp;&nbsp;&nbsp;&nbsp;%1: %2").arg(esc(w.dueDate), esc(d.dueDate));
    h += QString("<p align=\"center\">%1</p>").arg(dates);
    // The Tax Authority's allocation number, which lets the customer deduct the VAT.
    if (!d.allocationNumber.empty())
        h += QString("<p align=\"center\" style=\"font-weight:bold\">%1: %2</p>")
                 .arg(esc(w.allocation), esc(d.allocationNumber));

    // The customer as recorded on the document.
    QStringList customer;
    customer << QString("<b>%1: %2</b>").arg(esc(w.to), esc(d.customerName));
    for (const std::string* line : {&d.address1, &d.address2})
        if (!line->empty()) customer << esc(*line);
    const std::string cityLine = d.city + (d.city.empty() || d.postalCode.empty() ? "" : " ") + d.postalCode;
    if (!cityLine.empty()) customer << esc(cityLine);
    if (!d.customerNumber.empty()) customer << QString("%1: %2").arg(esc(w.customerNumber), esc(d.customerNumber));
    if (!d.contact.empty()) customer << QString("%1: %2").arg(esc(w.contact), esc(d.contact));
    QStringList phones;
    for (const std::string* p : {&d.phone1, &d.phone2})
        if (!p->empty()) phones << esc(*p);
    if (!phones.isEmpty()) customer << QString("%1: %2").arg(esc(w.phone), phones.join(", "));
    if (!d.fax.empty()) customer << QString("%1: %2").arg(esc(w.fax), esc(d.fax));
    h += QString("<p align=\"%1\">%2</p>").arg(start, customer.join("<br/>"));

    const QString grid = "<table width=\"100%\" cellspacing=\"0\" cellpadding=\"4\" border=\"1\" "
                         "style=\"border-color:#9aa5b4; border-style:solid\">";
    const QString totals = QString("<br/><table cellspacing=\"0\" cellpadding=\"3\" width=\"100%\">");

    // Goods lines and their totals.
    if (d.kind->goods) {
        h += grid;
        h += tableRow(he, {cell(esc(w.description), nullptr, "th"), cell(esc(w.quantity), nullptr, "th"),
                           cell(esc(w.unitPrice), nullptr, "th"), cell(esc(w.currency), nullptr, "th"),
                           cell(esc(w.amount), nullptr, "th")});
        for (const GoodsLine& line : d.lines) {
            // A line without VAT on a document that charges VAT is marked.
            const QString mark = line.chargeVat || !d.chargeVat ? "" : " *";
            h += tableRow(he, {cell(esc(line.description) + mark, "label"), cell(quantity(line.quantity), "num"),
                               cell(money(line.unitPrice), "num"),
                               cell(currency(line), "center"),
                               cell(money(line.extendedPrice), "num")});
        }
        h += "</table>";
        const bool marked = d.chargeVat && std::any_of(d.lines.begin(), d.lines.end(), [](const GoodsLine& l) { return !l.chargeVat; });

        h += totals;
        h += totalRow(he, QString::fromUtf8(w.total1), d.total1);
        if (d.rebate != 0) h += totalRow(he, withPercent(w.rebate, d.rebatePercent), -d.rebate);
        if (d.roundAmount != 0) h += totalRow(he, QString::fromUtf8(w.rounding), -d.roundAmount);
        h += totalRow(he, QString::fromUtf8(w.beforeVat), d.totalBeforeVat);
        if (d.totalNoVat != 0) h += totalRow(he, QString::fromUtf8(w.noVat), d.totalNoVat);
        h += totalRow(he, withPercent(w.vat, d.vatRate), d.vat);
        h += totalRow(he, QString::fromUtf8(w.grandTotal), d.grandTotal, true);
        h += "</table>";
        if (marked) h += QString("<p align=\"%1\" style=\"font-size:9pt\">* %2</p>").arg(start, esc(w.noVatLine));
    }

    // Payments and their totals.
    if (d.kind->payments) {
        h += "<br/>";
        if (!d.paidInvoices.empty())
            h += QString("<p align=\"%1\">%2: %3</p>").arg(start, esc(w.paysInvoices), esc(d.paidInvoices));
        h += grid;
        QStringList heads;
        for (const char* head : {w.paymentType, w.bank, w.branch, w.account, w.cheque, w.chequeDate, w.amount})
            heads << cell(esc(head), nullptr, "th");
        h += tableRow(he, heads);
        for (const PaymentLine& p : d.payments)
            h += tableRow(he, {cell(esc(p.paymentType), "label"), cell(esc(p.bank), "label"), cell(esc(p.branch), "label"),
                               cell(esc(p.account), "label"), cell(esc(p.cheque), "label"),
                               cell(esc(p.chequeDate), "label"), cell(money(p.amount), "num")});
        h += "</table>";
        h += totals;
        h += totalRow(he, QString::fromUtf8(w.netPayment), d.netPayment);
        if (d.taxWithheld != 0) h += totalRow(he, QString::fromUtf8(w.taxWithheld), d.taxWithheld);
        h += totalRow(he, QString::fromUtf8(w.paid), d.paymentTotal, true);
        h += "</table>";
    }

    if (!d.details.empty() || !d.comments.empty()) {
        h += "<br/>";
        if (!d.details.empty()) h += QString("<p align=\"%1\">%2: %3</p>").arg(start, esc(w.details), esc(d.details));
        if (!d.comments.empty()) h += QString("<p align=\"%1\">%2: %3</p>").arg(start, esc(w.comments), esc(d.comments));
    }
    h += "</body></html>";
    return h;
}

}  // namespace kovrin::frontend::app
