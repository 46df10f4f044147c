#include "MainWindow.h"

#include "DemoUtils.h"
#include "Forms.h"
#include "LateBound.h"


#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef KOVRIN_DEMO_VERSION
#define KOVRIN_DEMO_VERSION "0.0.0"
#endif

namespace demo {

namespace {

QGroupBox* group(const QString& title, std::initializer_list<QWidget*> widgets) {
    auto* box = new QGroupBox(title);
    auto* l = new QVBoxLayout(box);
    for (QWidget* w : widgets) l->addWidget(w);
    l->addStretch();
    return box;
}

QLabel* label(const QString& text, const char* name = nullptr) {
    auto* l = new QLabel(text);
    if (name) l->setObjectName(name);
    return l;
}

}  // namespace

QPushButton* MainWindow::button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(name);
    return b;
}

MainWindow::MainWindow() {
    setObjectName("frmMain");
    setWindowTitle(QStringLiteral("הדגמה של קוברין"));
    setLayoutDirection(Qt::RightToLeft);

    txtKovrinPath_ = MakeLine(this, "txtKovrinPath", QStringLiteral("kovrin20.mde"));
    txtKovrinPath_->setToolTip(QStringLiteral("הכנס את שם בסיס הנתונים"));
    txtKovrinPath_->setPlaceholderText(QStringLiteral("הכנס את שם בסיס הנתונים"));
    lstBusinesses_ = new QListWidget(this);
    lstBusinesses_->setObjectName("lstBusinesses");
    lstBusinesses_->setMaximumHeight(90);
    chkDebug_ = new QCheckBox(
        QStringLiteral("הפעל במצב DEBUG. ה-API יציג את קוברין במהלך ההפעלה שלו וגם יכתוב לוג לקובץ kovrinapi.txt"), this);
    chkDebug_->setObjectName("chkDebug");
    lblKovrinPath_ = label("Path from Kovrin API", "lblKovrinPath");
    lblVersion_ = label(QString(), "lblVersion");
    lblAPIVersion_ = label(QString(), "lblAPIVersion");
    txtBackupTimeout_ = MakeLine(this, "txtBackupTimeout", "60");
    txtBackupTimeout_->setMaximumWidth(60);

    // Set-up rows: path, business, debug, versions.
    auto* setup = new QGridLayout;
    setup->addWidget(label(QStringLiteral("המסלול לקוברין:")), 0, 0);
    setup->addWidget(txtKovrinPath_, 0, 1);
    setup->addWidget(lblKovrinPath_, 1, 1);
    setup->addWidget(label(QStringLiteral("בחר בעסק מקוברין:")), 2, 0, Qt::AlignTop);
    setup->addWidget(lstBusinesses_, 2, 1);
    setup->addWidget(chkDebug_, 3, 0, 1, 2);
    auto* versions = new QHBoxLayout;
    versions->addWidget(label("Demo Version:"));
    versions->addWidget(lblVersion_);
    versions->addSpacing(30);
    versions->addWidget(label("API Version:"));
    versions->addWidget(lblAPIVersion_);
    versions->addStretch();
    setup->addLayout(versions, 4, 0, 1, 2);

    // The operations, in labelled groups.
    auto* customersKey = new QWidget;
    auto* keyRow = new QHBoxLayout(customersKey);
    keyRow->setContentsMargins(0, 0, 0, 0);
    keyRow->addWidget(button("cmdGetCustomersByForeignKey", QStringLiteral("אוביקט לקוח")));
    keyRow->addWidget(button("cmdGetCustomersByForeignKeyXML", QStringLiteral(" XML")));

    auto* backupRow = new QWidget;
    auto* br = new QHBoxLayout(backupRow);
    br->setContentsMargins(0, 0, 0, 0);
    br->addWidget(label(QStringLiteral("המתן (שנ'):")));
    br->addWidget(txtBackupTimeout_);
    br->addWidget(button("cmdBackup", QStringLiteral("בצע גיבוי")));

    auto* grid = new QGridLayout;
    grid->addWidget(group(QStringLiteral("לקוחות:"),
                          {button("cmdNewCustomer", QStringLiteral("צור לקוח")),
                           button("cmdUpdateCustomer", QStringLiteral("עדכן לקוח")),
                           button("cmdGetCustomersXML", QStringLiteral("הצג לקוחות XML")),
                           label(QStringLiteral("שלוף לקוח לפי מפתח זר:")), customersKey,
                           button("cmdPriceLists", QStringLiteral("מחירונים")),
                           button("cmdCustomerBalance", QStringLiteral("יתרות לקוחות"))}),
                    0, 0);
    grid->addWidget(group(QStringLiteral("חשבוניות:"),
                          {button("cmdInvoice", QStringLiteral("צור חשבונית")),
                           button("cmdPrintInvoice", QStringLiteral("הדפס חשבונית")),
                           button("cmdDisplayInvoice", QStringLiteral("הצג חשבונית בקוברין")),
                           button("cmdGetInvoice", QStringLiteral("שלוף חשבונית")),
                           button("cmdGetInvoicesXML", QStringLiteral("שלוף חשבונית XML")),
                           button("cmdInvoiceW", QStringLiteral("צור חשבונית מעורבת + שליפת פריטים"))}),
                    0, 1);
    grid->addWidget(group(QStringLiteral("חשבוניות עסקה:"),
                          {button("cmdInvoiceIska", QStringLiteral("צור חשבונית")),
                           button("cmdPrintInvoiceIska", QStringLiteral("הדפס חשבונית")),
                           button("cmdDisplayInvoiceIska", QStringLiteral("הצג חשבונית בקוברין"))}),
                    0, 2);
    grid->addWidget(group(QStringLiteral("חשבוניות זיכוי:"),
                          {button("cmdInvoiceZikui", QStringLiteral("צור חשבונית")),
                           button("cmdPrintInvoiceZikui", QStringLiteral("הדפס חשבונית")),
                           button("cmdDisplayInvoiceZikui", QStringLiteral("הצג חשבונית בקוברין"))}),
                    0, 3);
    grid->addWidget(group(QStringLiteral("חשבוניות מס/קבלה:"),
                          {button("cmdInvoiceKabala", QStringLiteral("צור חשבונית")),
                           button("cmdPrintInvoiceKabala", QStringLiteral("הדפס חשבונית")),
                           button("cmdDisplayInvoiceKabala", QStringLiteral("הצג חשבונית בקוברין")),
                           button("cmdGetInvoiceKabala", QStringLiteral("שלוף חשבונית"))}),
                    1, 0);
    grid->addWidget(group(QStringLiteral("קבלות:"),
                          {button("cmdReceipt", QStringLiteral("צור קבלה")),
                           button("cmdPrintReceipt", QStringLiteral("הדפס קבלה")),
                           button("cmdDisplayReceipt", QStringLiteral("הצג קבלה בקוברין"))}),
                    1, 1);
    grid->addWidget(group(QStringLiteral("ת. החזר:"),
                          {button("cmdRefund", QStringLiteral("צור תעודה")),
                           button("cmdPrintRefund", QStringLiteral("הדפס תעודה")),
                           button("cmdDisplayRefund", QStringLiteral("הצג תעודה בקוברין"))}),
                    1, 2);
    grid->addWidget(group(QStringLiteral("חיובי זמן:"), {button("cmdTimeBills", QStringLiteral("צור חיובי זמן"))}), 1, 3);
    grid->addWidget(group(QStringLiteral("מטבעות:"),
                          {button("cmdExchangeRate", QStringLiteral("הצג שער חליפין")),
                           button("cmdExchangeRates", QStringLiteral("הצג שערי חליפין"))}),
                    2, 0);
    grid->addWidget(group(QStringLiteral("מייל:"),
                          {button("cmdSendMail", QStringLiteral("שלח מייל")),
                           button("cmdSendInvoice", QStringLiteral("שלח חשבונית"))}),
                    2, 1);
    grid->addWidget(group(QStringLiteral("שונות:"),
                          {button("cmdVat", QStringLiteral("אחוז המע\"מ")), button("cmdClock", QStringLiteral("שעון")),
                           label(QStringLiteral("בצע גיבוי:")), backupRow}),
                    2, 2);
    grid->addWidget(group(QStringLiteral("קוברין:"), {button("cmdRunKovrin", QStringLiteral("פתח את קוברין"))}), 2, 3);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch();
    closeRow->addWidget(button("cmdClose", QStringLiteral("סגור")));

    auto* top = new QVBoxLayout(this);
    top->addLayout(setup);
    auto* heading = label(QStringLiteral("בחר בפעולה:"));
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    top->addWidget(heading);
    top->addLayout(grid);
    top->addLayout(closeRow);

    // ---- wiring ----
    connect(txtKovrinPath_, &QLineEdit::textChanged, this, [this](const QString& t) { pathChanged(t); });
    connect(lstBusinesses_, &QListWidget::itemClicked, this, [this] { businessChosen(); });
    auto on = [this](const char* name, std::function<void()> action) {
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, [this, action] {
            takeInput();
            action();
        });
    };
    on("cmdNewCustomer", [this] { openForm(NewCustomerForm(false, this)); });
    on("cmdUpdateCustomer", [this] { openForm(NewCustomerForm(true, this)); });
    on("cmdGetCustomersXML", [this] { openForm(NewCustomersXMLList(this)); });
    on("cmdGetCustomersByForeignKey", [this] { openForm(NewCustomerByForeignKey(false, this)); });
    on("cmdGetCustomersByForeignKeyXML", [this] { openForm(NewCustomerByForeignKey(true, this)); });
    on("cmdPriceLists", [this] { openForm(NewPriceListForm(this)); });
    on("cmdCustomerBalance", [this] { openForm(NewCustomerBalance(this)); });
    on("cmdInvoice", [this] { openForm(NewInvoiceForm(InvoiceKind::Invoice, this)); });
    on("cmdInvoiceW", [this] { openForm(NewInvoiceForm(InvoiceKind::Itemised, this)); });
    on("cmdInvoiceIska", [this] { openForm(NewInvoiceForm(InvoiceKind::Iska, this)); });
    on("cmdInvoiceZikui", [this] { openForm(NewInvoiceForm(InvoiceKind::Zikui, this)); });
    on("cmdInvoiceKabala", [this] { openForm(NewInvoiceForm(InvoiceKind::InvoiceKabala, this)); });
    on("cmdReceipt", [this] { openForm(NewReceiptForm(false, this)); });
    on("cmdRefund", [this] { openForm(NewReceiptForm(true, this)); });
    on("cmdTimeBills", [this] { openForm(NewTimeBillsForm(this)); });
    on("cmdGetInvoice", [this] { openForm(NewInvoiceViewer(false, this)); });
    on("cmdGetInvoiceKabala", [this] { openForm(NewInvoiceViewer(true, this)); });
    on("cmdGetInvoicesXML", [this] { openForm(NewInvoiceXMLViewer(this)); });
    on("cmdVat", [this] { openForm(NewVatForm(this)); });
    on("cmdSendMail", [this] { openForm(NewMailForm(false, this)); });
    on("cmdSendInvoice", [this] { openForm(NewMailForm(true, this)); });

    const QString invoiceNo = QStringLiteral("מספר החשבונית");
    const QString receiptNo = QStringLiteral("מספר הקבלה");
    const QString refundNo = QStringLiteral("מספר התעודה");
    const QString done = QStringLiteral("הפעולה בוצעה בהצלחה");
    on("cmdPrintInvoice", [=, this] {
        printPrompt("frmMain.cmdPrintInvoice_Click", invoiceNo, "PrintInvoice", done);
    });
    on("cmdPrintInvoiceIska", [=, this] {
        printPrompt("frmMain.cmdPrintInvoiceIska_Click", invoiceNo, "PrintInvoiceIska", done);
    });
    on("cmdPrintInvoiceZikui", [=, this] {
        printPrompt("frmMain.cmdPrintInvoiceZikui_Click", invoiceNo, "PrintInvoiceZikui",
                    done);
    });
    on("cmdPrintInvoiceKabala", [=, this] {
        printPrompt("frmMain.cmdPrintInvoiceKabala_Click", invoiceNo,
                    "PrintInvoiceKabala", done);
    });
    on("cmdPrintReceipt", [=, this] {
        printPrompt("frmMain.cmdPrintReceipt_Click", receiptNo, "PrintReceipt", done);
    });
    on("cmdPrintRefund", [=, this] {
        printPrompt("frmMain.cmdPrintRefund_Click", refundNo, "PrintRefund",
                    QStringLiteral("התעודה הודפסה בהצלחה"));
    });
    on("cmdDisplayInvoice", [=, this] {
        displayPrompt("frmMain.cmdDisplayInvoice_Click", invoiceNo, "DisplayInvoice");
    });
    on("cmdDisplayInvoiceIska", [=, this] {
        displayPrompt("frmMain.cmdDisplayInvoiceIska_Click", invoiceNo,
                      "DisplayInvoiceIska");
    });
    on("cmdDisplayInvoiceZikui", [=, this] {
        displayPrompt("frmMain.cmdDisplayInvoiceZikui_Click", invoiceNo,
                      "DisplayInvoiceZikui");
    });
    on("cmdDisplayInvoiceKabala", [=, this] {
        displayPrompt("frmMain.cmdDisplayInvoiceKabala_Click", invoiceNo,
                      "DisplayInvoiceKabala");
    });
    on("cmdDisplayReceipt", [=, this] {
        displayPrompt("frmMain.cmdDisplayReceipt_Click", receiptNo, "DisplayReceipt");
    });
    on("cmdDisplayRefund", [=, this] {
        displayPrompt("frmMain.cmdDisplayRefund_Click", refundNo, "DisplayRefund");
    });
    on("cmdExchangeRate", [] {
        Run([] {
            const auto name = InputBox(QStringLiteral("הכנס את שם המטבע: NIS, USD, EUR, JPY"));
            if (!name || name->isEmpty()) return;
            ShowInfo(q(kovrin::CStr(NewKovrin()->Call("GetExchangeRate", {s(*name)}))));
        });
    });
    on("cmdExchangeRates", [] { Run([] { ShowInfo(q(kovrin::CStr(NewKovrin()->Call("GetExchangeRates")))); }); });
    on("cmdRunKovrin", [] { RunStepped("frmMain.cmdRunKovrin_Click", [](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        k->Call("RunKovrin");
    }); });
    on("cmdClock", [] {
        RunStepped("frmMain.cmdClock_Click", [](int& step) {
            step = 10;
            LateBound k("KovrinAPI.Kovrin");
            k.Put("KovrinPath", s(settings().kovrinPath));
            k.Put("DebugMode", settings().debug);
            step = 20;
            ShowPlain(q(kovrin::CStr(k.Call("Clock"))));
        });
    });
    on("cmdBackup", [this] { backup(); });
    on("cmdClose", [this] { close(); });
}

bool MainWindow::load() {
    loading_ = true;
    int step = 10;
    std::unique_ptr<LateBound> k;
    try {
        k = std::make_unique<LateBound>("KovrinAPI.Kovrin");
    } catch (...) {
        const kovrin::Error e = CaughtError();
        ShowError(QStringLiteral("לא ניתן ליצור את האוביקט של ה-API. בדוק בעיות רישום, התאמת גרסה וכו'") + "\r\n" +
                  "Error " + QString::number(e.number()) + " in frmMain.Form_Load[" + QString::number(step) + "]\\" +
                  q(e.source()) + ": " + q(e.description()));
        loading_ = false;
        return false;
    }
    try {
        step = 20;
        settings().kovrinPath = GetSetting("Settings", "KovrinPath", q(k->Call("KovrinPath")));
        txtKovrinPath_->setText(settings().kovrinPath);
        step = 30;
        lblKovrinPath_->setText(q(k->Call("KovrinPath")));
        settings().accessPath = q(k->Call("AccessPath"));
        step = 40;
        lblVersion_->setText(KOVRIN_DEMO_VERSION);
        lblAPIVersion_->setText(q(k->Call("Version")));
        step = 50;
        k->Put("KovrinPath", s(settings().kovrinPath));
        addBusinesses(*k);
        step = 60;
        if (lstBusinesses_->count() > 0) {
            lstBusinesses_->setCurrentRow(0);
            businessChosen();
        }
        step = 70;
        settings().vatFraction = kovrin::CDbl(k->Call("GetVatRate")) / 100;
        step = 80;
        settings().businessId = 1;
    } catch (...) {
        const kovrin::Error e = CaughtError();
        ShowError("Error " + QString::number(e.number()) + " in frmMain.Form_Load[" + QString::number(step) + "]\\" +
                  q(e.source()) + ": " + q(e.description()));
    }
    loading_ = false;
    return true;
}

void MainWindow::addBusinesses(LateBound& k) {
    const kovrin::Variant list = k.Call("GetKovrinBusinessList");
    if (!list.isArray()) return;
    for (long i = 0; i <= list.array().ubound(); ++i) {
        const kovrin::Variant& b = list.array()(i);
        lstBusinesses_->addItem(q(Property(b, "BusinessID")) + "-" + q(Property(b, "BusinessName")) + " " +
                                q(Property(b, "OsekMorshe")));
    }
}

void MainWindow::pathChanged(const QString& text) {
    RunStepped("frmMain.txtKovrinPath_Change", [&](int& step) {
        step = 10;
        if (text.isEmpty()) throw kovrin::Error(8289, "The kovrin path can not be empty", "frmMain.txtKovrinPath_Change");
        settings().kovrinPath = text;
        step = 20;
        LateBound k("KovrinAPI.Kovrin");
        k.Put("KovrinPath", s(text));
        settings().accessPath = q(kovrin::CStr(k.Call("AccessPath")));
        step = 30;
        // At start-up the list is filled once, by the start-up steps.
        if (!loading_) addBusinesses(k);
    });
}

void MainWindow::businessChosen() {
    RunStepped("frmMain.lstBusinesses_Click", [&](int& step) {
        step = 10;
        const QListWidgetItem* item = lstBusinesses_->currentItem();
        if (!item) return;
        settings().businessId = ToLong(item->text().section('-', 0, 0));
    });
}

void MainWindow::takeInput() {
    settings().kovrinPath = txtKovrinPath_->text();
    settings().debug = chkDebug_->isChecked();
}

void MainWindow::printPrompt(const char* handler, const QString& prompt, const char* operation, const QString& done) {
    RunStepped(handler, [&](int& step) {
        step = 10;
        const auto answer = InputBox(prompt);
        if (!answer || answer->isEmpty()) return;
        step = 20;
        const int32_t number = ToLong(*answer);
        step = 30;
        auto k = NewKovrin();
        step = 40;
        k->Call(operation, {number});
        k.reset();
        step = 50;
        ShowInfo(done);
    });
}

void MainWindow::displayPrompt(const char* handler, const QString& prompt, const char* operation) {
    RunStepped(handler, [&](int& step) {
        for (;;) {
            step = 10;
            const auto answer = InputBox(prompt);
            if (!answer || answer->isEmpty()) return;
            if (!kovrin::IsNumeric(kovrin::Variant(s(*answer)))) continue;
            step = 20;
            auto k = NewKovrin();
            step = 30;
            k->Call(operation, {ToLong(*answer)});
            return;
        }
    });
}

void MainWindow::backup() {
    RunStepped("frmMain.cmdBackup_Click", [&](int& step) {
        std::string file;
        {
            BusyCursor busy;
            step = 10;
            LateBound k("KovrinAPI.Kovrin");
            k.Put("KovrinPath", s(settings().kovrinPath));
            k.Put("DebugMode", settings().debug);
            k.Put("BusinessID", settings().businessId);
            step = 20;
            k.Put("BackupTimeOutSeconds", ToLong(txtBackupTimeout_->text()));
            step = 30;
            file = kovrin::CStr(k.Call("PerformBackup"));
        }
        step = 40;
        ShowPlain(QStringLiteral("Backup file: ") + "\r\n" + q(file));
    });
}

void MainWindow::openForm(QWidget* form) {
    if (form) form->show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The path is kept for the next run; an empty one is not stored.
    Run([&] {
        settings().kovrinPath = txtKovrinPath_->text();
        if (!settings().kovrinPath.isEmpty()) SaveSetting("Settings", "KovrinPath", settings().kovrinPath);
    });
    event->accept();
}

}  // namespace demo
