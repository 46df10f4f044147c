// Forms that read data back through the library and show it as text: documents, XML answers,
// customers, balances, price lists and the VAT rate.
#include "EntryCommon.h"
#include "Forms.h"
#include "Viewers.h"


#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <map>

namespace demo {

namespace {

QString line(const QString& label, const QString& value) { return label + "\t" + value; }

QStringList header(const kovrin::Variant& d, const char* numberName) {
    return {line(QStringLiteral("מספר החשבונית:"), q(Property(d, numberName))),
            line(QStringLiteral("סטטוס:"), StatusName(kovrin::CLng(Property(d, "iStatusID")))),
            line(QStringLiteral("תאריך:"), DateText(kovrin::CDate(Property(d, "datxDate")))),
            line(QStringLiteral("שם הלקוח:"), q(Property(d, "vcBusinessName"))),
            line(QStringLiteral("איש קשר:"), q(Property(d, "vcContactDetails"))),
            line(QStringLiteral("כתובת1:"), q(Property(d, "vcAddress1"))),
            line(QStringLiteral("כתובת2:"), q(Property(d, "vcAddress2"))),
            line(QStringLiteral("עיר ומיקוד:"), q(Property(d, "vcCity")) + " " + q(Property(d, "vcPostalCode"))),
            line(QStringLiteral("פרטים:"), q(Property(d, "vcDetails"))),
            line(QStringLiteral("הערות:"), q(Property(d, "vcComments")))};
}

QStringList lineRowsAndTotals(const kovrin::Variant& d) {
    QStringList out{QStringLiteral("שורות החשבונית:")};
    int n = 0;
    for (const auto& item : Elements(Property(d, "varInvoiceLines")))
        out << "\t" + QString::number(++n) + "\t" + Decimal(kovrin::CDbl(Property(item, "ItemQuantity"))) + " x " +
                   Money(kovrin::CCur(Property(item, "UnitPrice"))) + " " + q(Property(item, "ItemCurrency")) + "\t= " +
                   Money(kovrin::CCur(Property(item, "ExtendedPrice"))) + "\t" + q(Property(item, "ItemDescription"));
    out << line(QStringLiteral("סה\"כ:"), q(Property(d, "curTotal1")))
        << line(QStringLiteral("הנחה:"), Money(kovrin::CCur(Property(d, "curRebateAmount"))))
        << line(QStringLiteral("הנחת עיגול:"), Money(kovrin::CCur(Property(d, "curRebateRoundAmount"))))
        << line(QStringLiteral("סה\"כ לפני מע\"מ:"), Money(kovrin::CCur(Property(d, "curTotalBeforeVat"))))
        << line(QStringLiteral("מע\"מ:"), Money(kovrin::CCur(Property(d, "curVAT"))))
        << line(QStringLiteral("סה\"כ לתשלום:"), Money(kovrin::CCur(Property(d, "curGrandTotal"))));
    return out;
}

std::map<int, QString> names(const kovrin::Variant& pairs) {
    std::map<int, QString> out;
    if (!pairs.isArray() || pairs.array().dimensions() != 2) return out;
    const auto& a = pairs.array();
    for (long r = a.lbound(1); r <= a.ubound(1); ++r) out[kovrin::CLng(a(r, 0))] = q(kovrin::CStr(a(r, 1)));
    return out;
}

QDialog* viewerWindow(QWidget* parent, const char* name, const QString& caption, QPlainTextEdit*& text) {
    auto* w = new QDialog(parent);
    PrepareWindow(w, name, caption);
    text = new QPlainTextEdit(w);
    text->setObjectName("txtList");
    text->setReadOnly(true);
    text->setMinimumSize(560, 360);
    return w;
}

QPushButton* closeButton(QDialog* w, const QString& caption = QStringLiteral("סגור")) {
    auto* b = new QPushButton(caption, w);
    b->setObjectName("cmdClose");
    QObject::connect(b, &QPushButton::clicked, w, &QWidget::close);
    return b;
}

void numberRow(QDialog* w, QVBoxLayout* top, QLineEdit*& number, QPushButton*& ok, QPushButton** all) {
    auto* row = new QHBoxLayout;
    number = MakeLine(w, "txtInvoiceNumber");
    ok = new QPushButton(QStringLiteral("הצג"), w);
    ok->setObjectName("cmdOK");
    row->addWidget(new QLabel(QStringLiteral("מספר החשבונית:"), w));
    row->addWidget(number);
    row->addWidget(ok);
    if (all) {
        *all = new QPushButton(QStringLiteral("הצג את כל החשבוניות"), w);
        (*all)->setObjectName("cmdGetAllInvoices");
        row->addWidget(*all);
    }
    row->addStretch();
    top->addLayout(row);
}

int32_t documentNumber(const QLineEdit* box) {
    if (!kovrin::IsNumeric(kovrin::Variant(s(box->text()))) || box->text().trimmed().isEmpty())
        throw Refused{QStringLiteral("מספר החשבונית אינו תקין")};
    return ToLong(box->text());
}

// The XML text as a parser reads it, laid out again; a text that does not parse is an error.
QString parsedXml(const std::string& text) {
    QXmlStreamReader reader(QByteArray::fromStdString(text));
    QString out;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartDocument() || reader.isEndDocument() || reader.isWhitespace()) continue;
        if (!reader.hasError()) writer.writeCurrentToken(reader);
    }
    if (reader.hasError())
        throw Refused{reader.errorString() + " line: " + QString::number(reader.lineNumber()) +
                      " pos:" + QString::number(reader.columnNumber())};
    return out.trimmed();
}

}  // namespace

QString InvoiceSummary(const kovrin::Variant& d) {
    QStringList out = header(d, "iInvoiceNumber") + lineRowsAndTotals(d);
    out << line(QStringLiteral("קבלות:"), q(Property(d, "strReceiptNumbers")))
        << line(QStringLiteral("תאריך לתשלום:"), DateText(kovrin::CDate(Property(d, "datDueDate"))));
    return JoinLines(out);
}

QString InvoiceKabalaSummary(const kovrin::Variant& d, const kovrin::Variant& banks,
                             const kovrin::Variant& paymentTypes) {
    const auto bankNames = names(banks);
    const auto typeNames = names(paymentTypes);
    auto nameOf = [](const std::map<int, QString>& m, int id) {
        auto it = m.find(id);
        return it == m.end() ? (id ? QString::number(id) : QString()) : it->second;
    };
    QStringList out = header(d, "iInvoiceKabalaNumber") + lineRowsAndTotals(d);
    out << QStringLiteral("שורות קבלה:");
    for (const auto& r : Elements(Property(d, "varReceiptLines")))
        out << "\t" + nameOf(typeNames, kovrin::CLng(Property(r, "PaymentTypesID"))) + "\t" +
                   Money(kovrin::CCur(Property(r, "Amount"))) + "\t" +
                   nameOf(bankNames, kovrin::CLng(Property(r, "Bank"))) + " " + q(Property(r, "Branch")) + " " +
                   q(Property(r, "AccountNumber")) + " " + q(Property(r, "Check")) + " " +
                   DateText(kovrin::CDate(Property(r, "CheckDate")));
    out << line(QStringLiteral("סה\"כ אחרי ניכוי במקור:"), Money(kovrin::CCur(Property(d, "curNetPmt"))))
        << line(QStringLiteral("ניכוי במקור:"), Money(kovrin::CCur(Property(d, "curTax"))))
        << line(QStringLiteral("סה\"כ שולם:"), q(Property(d, "curTotal")));
    return JoinLines(out);
}

QWidget* NewInvoiceViewer(bool kabala, QWidget* parent) {
    QPlainTextEdit* list;
    const char* form = kabala ? "frmGetInvoiceKabala" : "frmGetInvoiceByNumber";
    auto* w = viewerWindow(parent, form, kabala ? QStringLiteral("הצג חשבונית קבלה") : QStringLiteral("שליפת חשבונית"),
                           list);
    auto* top = new QVBoxLayout(w);
    QLineEdit* number;
    QPushButton *ok, *all;
    numberRow(w, top, number, ok, &all);
    top->addWidget(list);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    const std::string f = form;
    QObject::connect(ok, &QPushButton::clicked, w, [=] {
        RunStepped((f + (kabala ? ".cmdOK_Click" : ".cmdInvoice_Click")).c_str(), [&](int& step) {
            step = 10;
            const int32_t n = documentNumber(number);
            step = 20;
            auto k = NewKovrin();
            step = 30;
            if (kabala) {
                const kovrin::Variant d = k->Call("GetInvoiceKabalaByNumber", {n});
                list->setPlainText(InvoiceKabalaSummary(d, k->Call("GetBanks"), k->Call("GetPaymentTypes")));
            } else {
                list->setPlainText(InvoiceSummary(k->Call("GetInvoiceByNumber", {n})));
            }
        });
    });
    QObject::connect(all, &QPushButton::clicked, w, [=] {
        RunStepped((f + ".cmdGetAllInvoices_Click").c_str(), [&](int& step) {
            step = 10;
            auto k = NewKovrin();
            step = 20;
            QStringList parts;
            const QString dashes(39, '-');
            if (kabala) {
                const auto docs = Elements(k->Call("GetInvoicesKabala"));
                if (docs.size() > 50 && !AskYesNo(QStringLiteral("התקבלו ") + QString::number(docs.size()) +
                                                  QStringLiteral(" חש/קבלה. האם להציג את כולן?")))
                    return;
                const auto banks = k->Call("GetBanks");
                const auto types = k->Call("GetPaymentTypes");
                for (const auto& d : docs) parts << InvoiceKabalaSummary(d, banks, types) << dashes;
            } else {
                const auto docs = Elements(k->Call("GetInvoices"));
                if (docs.size() > 50 && !AskYesNo(QStringLiteral("נשלפו למעלה מ-50 מחשבוניות. להמשיך?"))) return;
                for (const auto& d : docs) parts << InvoiceSummary(d) << dashes;
            }
            step = 30;
            list->setPlainText(JoinLines(parts));
        });
    });
    return w;
}

QWidget* NewInvoiceXMLViewer(QWidget* parent) {
    QPlainTextEdit* list;
    auto* w = viewerWindow(parent, "frmInvoiceXML", QStringLiteral("שליפת חשבוניות"), list);
    auto* top = new QVBoxLayout(w);
    QLineEdit* number;
    QPushButton* ok;
    numberRow(w, top, number, ok, nullptr);
    top->addWidget(list);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    list->setLayoutDirection(Qt::LeftToRight);
    QObject::connect(ok, &QPushButton::clicked, w, [=] {
        RunStepped("frmInvoiceXML.cmdInvoice_Click", [&](int& step) {
            step = 10;
            const int32_t n = documentNumber(number);
            step = 20;
            auto k = NewKovrin();
            step = 30;
            const std::string text = kovrin::CStr(k->Call("GetInvoicesByQueryXML", {n}));
            step = 40;
            list->setPlainText(parsedXml(text));
        });
    });
    return w;
}

QWidget* NewCustomersXMLList(QWidget* parent) {
    QPlainTextEdit* list;
    auto* w = viewerWindow(parent, "frmCustomersList", QStringLiteral("רשימת לקוחות ב-XML"), list);
    list->setLayoutDirection(Qt::LeftToRight);
    auto* top = new QVBoxLayout(w);
    top->addWidget(list);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    RunStepped("frmCustomerList.Form_Load", [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        const std::string text = kovrin::CStr(k->Call("GetCustomersXML"));
        step = 30;
        list->setPlainText(parsedXml(text));
    });
    return w;
}

QWidget* NewCustomerByForeignKey(bool xml, QWidget* parent) {
    QPlainTextEdit* text;
    const char* form = xml ? "frmCustomerForeignKeyXML" : "fromCustomerByForeignKey";
    auto* w = viewerWindow(parent, form, xml ? QStringLiteral("שליפת לקוח לפי מפתח זר") : QString("Customer By Foreign Key"),
                           text);
    if (xml) text->setLayoutDirection(Qt::LeftToRight);
    auto* customers = new QListWidget(w);
    customers->setObjectName("lstCustomers");
    customers->setMinimumWidth(260);
    auto* choose = new QVBoxLayout;
    choose->addWidget(new QLabel(QStringLiteral("1. בחר בלקוח:"), w));
    choose->addWidget(customers);
    auto* body = new QHBoxLayout;
    body->addLayout(choose);
    body->addWidget(text, 1);
    auto* top = new QVBoxLayout(w);
    top->addLayout(body);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    const std::string f = form;
    RunStepped((f + ".Form_Load").c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        for (const auto& c : Elements(k->Call("GetCustomers")))
            customers->addItem(q(Property(c, "BusinessName")) + " !! " + q(Property(c, "ForeignKey")));
    });
    QObject::connect(customers, &QListWidget::itemClicked, w, [=] {
        RunStepped((f + ".lstCustomers_Click").c_str(), [&](int& step) {
            step = 10;
            if (!customers->currentItem()) throw Refused{QStringLiteral("חובה לבחור בלקוח")};
            const std::string key = s(customers->currentItem()->text().section(" !! ", 1));
            step = 20;
            auto k = NewKovrin();
            step = 30;
            if (xml) {
                text->setPlainText(parsedXml(kovrin::CStr(k->Call("GetCustomerByForeignKeyXML", {key}))));
                return;
            }
            const kovrin::Variant c = k->Call("GetCustomerByForeignKey", {key});
            text->setPlainText(JoinLines({
                "CustomersID: " + q(Property(c, "CustomersID")),
                "CustomersNumber: " + q(Property(c, "CustomersNumber")),
                "OsekMorshe: " + q(Property(c, "OsekMorshe")),
                "Contact Name: " + q(Property(c, "ContactFirstName")) + " " + q(Property(c, "ContactLastName")),
                "Address1: " + q(Property(c, "Address1")),
                "Address2: " + q(Property(c, "Address2")),
                "City: " + q(Property(c, "City")),
                "Phone1: " + q(Property(c, "Phone1")) + ", Phone2: " + q(Property(c, "Phone2")) + ", Fax:" + q(Property(c, "Fax")),
                "Extra1: " + q(Property(c, "Extra1")),
                "Extra2: " + q(Property(c, "Extra2")),
            }));
        });
    });
    return w;
}

QWidget* NewCustomerBalance(QWidget* parent) {
    QPlainTextEdit* report;
    auto* w = viewerWindow(parent, "frmCustomerBalance", QStringLiteral("דוח יתרות לקוחות"), report);
    report->setObjectName("txtReport");
    report->setLayoutDirection(Qt::LeftToRight);  // the report is XML
    report->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* byKey = new QCheckBox(QStringLiteral("לפי מפתח זר"), w);
    byKey->setObjectName("chkForeignKey");
    auto* iska = new QCheckBox(QStringLiteral("כולל חש/עסקה"), w);
    iska->setObjectName("chkIncludeInvoiceHiyuv");
    auto* refresh = new QPushButton("Refresh", w);
    refresh->setObjectName("cmdRefresh");
    auto* perCustomer = new QPushButton(QStringLiteral("יתרה לכל לקוח"), w);
    perCustomer->setObjectName("cmdCustomers");
    auto* row = new QHBoxLayout;
    for (QWidget* x : std::initializer_list<QWidget*>{byKey, iska, refresh, perCustomer}) row->addWidget(x);
    row->addStretch();
    auto* top = new QVBoxLayout(w);
    top->addLayout(row);
    top->addWidget(report);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    auto load = [=] {
        RunStepped("frmCustomerBalance.cmdRefresh_Click", [&](int& step) {
            std::string text;
            {
                BusyCursor busy;
                step = 10;
                auto k = NewKovrin();
                step = 20;
                // Balances to today: the front-end cannot recompute to a zero date, so passing one
                // would only wait out the time-out.
                text = kovrin::CStr(k->Call("GetCustomersBalance", {kovrin::Date::today()}));
            }
            report->setPlainText(q(text));
        });
    };
    QObject::connect(refresh, &QPushButton::clicked, w, load);
    QObject::connect(perCustomer, &QPushButton::clicked, w, [=] {
        RunStepped("frmCustomerBalance.cmdCustomers_Click", [&](int& step) {
            BusyCursor busy;
            step = 10;
            auto k = NewKovrin();
            step = 20;
            QStringList lines;
            for (const auto& c : Elements(k->Call("GetCustomers"))) {
                step = 30;
                const double balance = kovrin::CDbl(
                    byKey->isChecked() ? k->Call("GetCustomerBalanceByForeignKey", {Property(c, "ForeignKey"), iska->isChecked()})
                                       : k->Call("GetCustomerBalanceByID", {Property(c, "CustomersID"), iska->isChecked()}));
                lines << q(Property(c, "BusinessName")) + "\t" + Decimal(balance);
                report->setPlainText(JoinLines(lines));
                QApplication::processEvents();
            }
        });
    });
    QMetaObject::invokeMethod(w, load, Qt::QueuedConnection);  // the report once the window is up
    return w;
}

QWidget* NewPriceListForm(QWidget* parent) {
    QPlainTextEdit* list;
    auto* w = viewerWindow(parent, "frmPriceList", QStringLiteral("רשימת מחירונים"), list);
    auto* top = new QVBoxLayout(w);
    top->addWidget(list);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    RunStepped("frmPriceList.Form_Load", [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        QStringList lines{"iListsID - iListNumber - Profit Percent"};
        for (const auto& p : Elements(k->Call("GetPriceLists")))
            lines << q(Property(p, "ListID")) + " - " + q(Property(p, "ListNum")) + " - " +
                         Decimal(kovrin::CDbl(Property(p, "ProfitPercent")));
        list->setPlainText(JoinLines(lines));
    });
    return w;
}

QWidget* NewVatForm(QWidget* parent) {
    auto* w = new QDialog(parent);
    PrepareWindow(w, "frmVAT", QStringLiteral("אחוז המע\"מ"));
    auto* date = MakeLine(w, "txtDate", q(kovrin::Date::today().shortDate()));
    auto* withDate = new QPushButton(QStringLiteral("חשב לפי תאריך"), w);
    withDate->setObjectName("cmdVAT");
    auto* noDate = new QPushButton(QStringLiteral("חשב ללא תאריך"), w);
    noDate->setObjectName("cmdNoDate");
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("תאריך:"), w));
    row->addWidget(date);
    row->addWidget(withDate);
    auto* top = new QVBoxLayout(w);
    top->addLayout(row);
    top->addWidget(noDate);
    top->addWidget(closeButton(w), 0, Qt::AlignRight);  // the end of the line, as on the other forms
    QObject::connect(withDate, &QPushButton::clicked, w, [=] {
        RunStepped("frmVAT.cmdVAT_Click", [&](int& step) {
            step = 10;
            const kovrin::Date day = kovrin::CDate(kovrin::Variant(s(date->text().trimmed())));
            step = 20;
            ShowPlain(Decimal(kovrin::CDbl(NewKovrin()->Call("GetVatRate", {day}))));
        });
    });
    QObject::connect(noDate, &QPushButton::clicked, w, [=] {
        RunStepped("frmVAT.cmdNoDate_Click", [&](int& step) {
            step = 10;
            ShowPlain(Decimal(kovrin::CDbl(NewKovrin()->Call("GetVatRate"))));
        });
    });
    return w;
}

}  // namespace demo
