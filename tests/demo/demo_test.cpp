#include "DemoUtils.h"
#include "MainWindow.h"
#include "Viewers.h"

#include <KovrinAPI/Invoice.h>
#include <KovrinAPI/Kovrin.h>
#include <KovrinAPI/LineItem.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include <cstdlib>
#include <deque>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "support/Installation.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// Fontconfig, under Qt's font database, keeps a cache it never frees; nothing of ours.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "demo_test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        auto* a = new QApplication(argc, argv);
        QApplication::setLayoutDirection(Qt::RightToLeft);
        return a;
    }();
    return *a;
}

// The demo creates the library's objects by ProgID: the library registered in the current store.
void registerLibrary() {
    ASSERT_EQ(std::system(KOVRIN_REGSVR " register " KOVRIN_SERVER " /dev/null >/dev/null"), 0);
}

class Demo : public ::testing::Test {
protected:
    void SetUp() override {
        app();
        registerLibrary();
        demo::settings() = {};
        demo::dialogs().message = [this](demo::BoxKind, const QString&, const QString& text) {
            boxes.push_back(text.toStdString());
            cursorAtBox.push_back(QApplication::overrideCursor() != nullptr);
        };
        demo::dialogs().ask = [this](const QString& text) {
            boxes.push_back(text.toStdString());
            return false;
        };
        demo::dialogs().input = [this](const QString& prompt, const QString&) -> std::optional<QString> {
            prompts.push_back(prompt.toStdString());
            if (answers.empty()) return std::nullopt;
            auto a = answers.front();
            answers.pop_front();
            return a;
        };
        main = std::make_unique<demo::MainWindow>();
        ASSERT_TRUE(main->load());
        boxes.clear();
    }
    void TearDown() override {
        main.reset();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    template <class T = QWidget>
    T* in(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(name);
        if (!c) ADD_FAILURE() << "no widget " << name;
        return c;
    }
    void click(QWidget* w, const char* name) { in<QPushButton>(w, name)->click(); }
    void type(QWidget* w, const char* name, const QString& text) { in<QLineEdit>(w, name)->setText(text); }
    // Opens a form with its main-window button.
    QWidget* open(const char* button, const char* form) {
        click(main.get(), button);
        return in(main.get(), form);
    }
    void close(QWidget* form) {
        QPointer<QWidget> p(form);
        form->close();
        delete p.data();
    }
    // One value of the database, read outside the library.
    std::string scalar(const std::string& sql) {
        sqlite3* db = nullptr;
        sqlite3_open(inst.databasePath().c_str(), &db);
        sqlite3_stmt* st = nullptr;
        std::string out = "<no row>";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) out = sqlite3_errmsg(db);
        else if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_text(st, 0))
            out = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return out;
    }
    void exec(const std::string& sql) { scalar(sql); }
    std::string takeBox() {
        if (boxes.empty()) return "<no box>";
        std::string b = boxes.front();
        boxes.erase(boxes.begin());
        return b;
    }

    kovrin::test::Installation inst;
    std::unique_ptr<demo::MainWindow> main;
    std::vector<std::string> boxes;
    std::vector<bool> cursorAtBox;
    std::vector<std::string> prompts;
    std::deque<QString> answers;
};

TEST_F(Demo, MainWindowStartsOnTheStoredPathAndKeepsItAcrossRuns) {
    auto* list = in<QListWidget>(main.get(), "lstBusinesses");
    ASSERT_EQ(list->count(), 1);
    EXPECT_THAT(list->item(0)->text().toStdString(), StartsWith("1-"));
    EXPECT_EQ(in<QLabel>(main.get(), "lblAPIVersion")->text(), "3.2.74");
    EXPECT_EQ(demo::settings().businessId, 1);
    EXPECT_GT(demo::settings().vatFraction, 0.1);
    EXPECT_LT(demo::settings().vatFraction, 0.2);

    // Clearing the path is refused and leaves the list; a valid path adds its businesses again.
    auto* path = in<QLineEdit>(main.get(), "txtKovrinPath");
    path->clear();
    EXPECT_THAT(takeBox(), EndsWith("The kovrin path can not be empty"));
    EXPECT_EQ(list->count(), 1);
    exec("INSERT INTO BusinessDetails VALUES (3, 'שלישי', '512345678')");
    path->setText(QString::fromStdString(inst.databasePath()));
    ASSERT_EQ(list->count(), 3) << (boxes.empty() ? "" : boxes.front());
    EXPECT_EQ(demo::settings().businessId, 1);
    list->setCurrentRow(2);
    emit list->itemClicked(list->item(2));
    EXPECT_EQ(demo::settings().businessId, 3);

    // The path typed last is the one the next run starts with.
    const std::string other = inst.dir().file("other.sqlite");
    ASSERT_EQ(std::system((std::string(KOVRIN_DB_TOOL) + " create '" + other + "' --sample >/dev/null").c_str()), 0);
    path->setText(QString::fromStdString(other));
    click(main.get(), "cmdClose");
    main = std::make_unique<demo::MainWindow>();
    ASSERT_TRUE(main->load());
    EXPECT_EQ(in<QLineEdit>(main.get(), "txtKovrinPath")->text().toStdString(), other);
    EXPECT_EQ(demo::GetSetting("Settings", "KovrinPath", "").toStdString(), other);
    EXPECT_EQ(boxes, std::vector<std::string>{});
}

TEST_F(Demo, WithoutAnInstallationTheDemoSaysSoAndEnds) {
    kovrin::test::ScopedRegistry empty;  // no database registered
    registerLibrary();
    demo::MainWindow window;
    EXPECT_FALSE(window.load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_THAT(boxes[0], StartsWith("לא ניתן ליצור את האוביקט של ה-API. בדוק בעיות רישום, התאמת גרסה וכו'\r\n"
                                     "Error 6367 in frmMain.Form_Load[10]\\"));
}

TEST_F(Demo, WithoutTheRegistrationTheDemoSaysSoAndEnds) {
    kovrin::test::ScopedRegistry empty;  // neither the library nor a database registered
    demo::MainWindow window;
    EXPECT_FALSE(window.load());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "לא ניתן ליצור את האוביקט של ה-API. בדוק בעיות רישום, התאמת גרסה וכו'\r\n"
                        "Error 429 in frmMain.Form_Load[10]\\KovrinAPI.Kovrin: ActiveX component can't create object");
}

TEST_F(Demo, PromptsCallNothingWhenCancelledAndReportBadNumbers) {
    click(main.get(), "cmdPrintInvoice");  // cancelled
    EXPECT_THAT(prompts, ElementsAre("מספר החשבונית"));
    EXPECT_TRUE(boxes.empty());

    answers = {"abc"};
    click(main.get(), "cmdPrintRefund");
    EXPECT_THAT(takeBox(), StartsWith("Error 13 in frmMain.cmdPrintRefund_Click[20]\\"));

    answers = {"abc", "x1", ""};  // letters ask again, empty ends
    prompts.clear();
    click(main.get(), "cmdDisplayReceipt");
    EXPECT_THAT(prompts, ElementsAre("מספר הקבלה", "מספר הקבלה", "מספר הקבלה"));
    EXPECT_TRUE(boxes.empty());

    answers = {"USD"};
    click(main.get(), "cmdExchangeRate");
    EXPECT_THAT(takeBox(), ::testing::MatchesRegex("[0-9]+(\\.[0-9]+)?"));

    // The backup answers with its file; a failing one shows one error box. The normal pointer is
    // back before either box.
    cursorAtBox.clear();
    click(main.get(), "cmdBackup");
    EXPECT_THAT(takeBox(), StartsWith("Backup file: \r\n/"));
    type(main.get(), "txtBackupTimeout", "x");
    click(main.get(), "cmdBackup");
    EXPECT_THAT(takeBox(), StartsWith("Error 13 in frmMain.cmdBackup_Click[20]\\"));
    EXPECT_THAT(cursorAtBox, ElementsAre(false, false));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Demo, InvoiceFormRefusesIncompleteInputAndStoresWhatItShows) {
    QWidget* f = open("cmdInvoice", "frmInvoice");
    const std::string before = scalar("SELECT COUNT(*) FROM UsysInvoices");
    auto* customers = in<QComboBox>(f, "lstCustomers");
    const std::vector<std::pair<std::function<void()>, const char*>> steps = {
        {[] {}, "חובה לבחור בלקוח"},
        {[&] { customers->setCurrentIndex(0); }, "חובה להכניס תיאור פריט"},
        {[&] { type(f, "txtItemDescription0", "ייעוץ <שעה>"); }, "חובה להכניס מחיר פריט"},
        {[&] { type(f, "txtUnitPrice0", "100"); }, "חובה להכניס כמות פריט"},
    };
    for (const auto& [change, message] : steps) {
        change();
        click(f, "cmdOK");
        EXPECT_EQ(takeBox(), message);
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM UsysInvoices"), before);

    type(f, "txtItemQty0", "2");
    type(f, "txtItemDescription2", "ספר");  // row 1 left empty
    type(f, "txtUnitPrice2", "50");
    type(f, "txtItemQty2", "1");
    type(f, "txtComments", "הערה");
    EXPECT_EQ(in<QLineEdit>(f, "txtTotal")->text(), "250.00");
    const double shown = in<QLineEdit>(f, "txtTotalToBePaid")->text().toDouble();
    EXPECT_DOUBLE_EQ(shown, 250 * (1 + demo::settings().vatFraction));

    click(f, "cmdOK");
    const std::string number = scalar("SELECT MAX(iInvoiceNumber) FROM UsysInvoices");
    EXPECT_EQ(takeBox(), "חשבונית " + number + " נוצרה בהצלחה.");
    auto* openButton = in<QPushButton>(f, "cmdOpenInvoice");
    EXPECT_FALSE(openButton->isHidden());
    EXPECT_EQ(openButton->text().toStdString(), "הצג חשבונית " + number);
    const std::string id = "(SELECT iInvoicesID FROM UsysInvoices WHERE iInvoiceNumber=" + number + ")";
    EXPECT_DOUBLE_EQ(std::stod(scalar("SELECT curGrandTotal FROM UsysInvoices WHERE iInvoiceNumber=" + number)), shown);
    EXPECT_EQ(scalar("SELECT vcComments FROM UsysInvoices WHERE iInvoiceNumber=" + number), "הערה");
    EXPECT_EQ(scalar("SELECT group_concat(vcItemDescription, '|') FROM InvoiceLines WHERE iInvoicesID=" + id),
              "ייעוץ <שעה>|ספר");
    close(f);
}

TEST_F(Demo, XmlButtonsCreateTheDocumentsTheFormsShow) {
    QWidget* f = open("cmdInvoiceZikui", "frmInvoiceZikui");
    in<QComboBox>(f, "lstCustomers")->setCurrentIndex(0);
    type(f, "txtItemDescription0", "החזרה");
    type(f, "txtUnitPrice0", "40");
    type(f, "txtItemQty0", "2");
    type(f, "txtComments", "a<b & c");
    click(f, "cmdOKXML");
    const std::string zikui = scalar("SELECT MAX(iInvoiceNumber) FROM InvoicesZikui");
    EXPECT_EQ(takeBox(), "חשבונית " + zikui + " נוצרה בהצלחה.");
    EXPECT_EQ(scalar("SELECT vcComments FROM InvoicesZikui WHERE iInvoiceNumber=" + zikui), "a<b & c");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM InvoiceZikuiLines"), "1");
    close(f);

    f = open("cmdRefund", "frmRefund");
    in<QComboBox>(f, "lstCustomers")->setCurrentIndex(0);
    in<QLineEdit>(f, "txtAmount0")->setText("30");
    emit in<QLineEdit>(f, "txtAmount0")->textEdited("30");
    click(f, "cmdOKXML");  // no bank chosen
    const std::string refund = scalar("SELECT MAX(iReceiptNumber) FROM Refunds");
    EXPECT_EQ(takeBox(), "תעודת החזר מספר " + refund + " נוצרה בהצלחה.");
    EXPECT_EQ(in<QPushButton>(f, "cmdOpenReceipt")->text().toStdString(), "הצג תעודה החזר " + refund);
    EXPECT_EQ(scalar("SELECT COUNT(*) || ':' || MIN(curAmount) FROM RefundLines"), "1:-30");
    close(f);
}

TEST_F(Demo, ReceiptFormNeedsACustomerAndAPayment) {
    QWidget* f = open("cmdReceipt", "frmReceipt");
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "חובה לבחור בלקוח");
    in<QComboBox>(f, "lstCustomers")->setCurrentIndex(0);
    click(f, "cmdOKXML");
    EXPECT_EQ(takeBox(), "חובה להכניס תשלום");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM UsysReceipts"), "0");

    in<QLineEdit>(f, "txtAmount1")->setText("120.5");
    emit in<QLineEdit>(f, "txtAmount1")->textEdited("120.5");
    EXPECT_EQ(in<QLineEdit>(f, "txtTotalPmt")->text(), "120.50");
    type(f, "txtCheck1", "601");
    click(f, "cmdOK");
    const std::string number = scalar("SELECT MAX(iReceiptNumber) FROM UsysReceipts");
    EXPECT_EQ(takeBox(), "קבלה " + number + " נוצרה בהצלחה.");
    EXPECT_DOUBLE_EQ(std::stod(scalar("SELECT curTotal FROM UsysReceipts")), 120.5);
    EXPECT_EQ(scalar("SELECT COUNT(*) || ':' || MAX(curAmount) FROM ReceiptLines"), "1:120.5");
    close(f);
}

TEST_F(Demo, CustomerIsCreatedThenUpdatedByItsForeignKey) {
    QWidget* f = open("cmdNewCustomer", "frmCustomer");
    const std::string before = scalar("SELECT COUNT(*) FROM Customers");
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "חובה למלא את שם העסק");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Customers"), before);
    type(f, "txtBusinessName", "דמו בע\"מ");
    type(f, "txtForeignKey", "DEMO-7");
    type(f, "txtCity", "חיפה");
    click(f, "cmdOK");
    const std::string id = scalar("SELECT iCustomersID FROM Customers WHERE vcForeignKey='DEMO-7'");
    EXPECT_EQ(takeBox(), "הלקוח נוצר בהצלחה. שם הלקוח: דמו בע\"מ. מספר הלקוח: " + id);
    close(f);

    f = open("cmdUpdateCustomer", "frmUpdateCustomer");
    auto* list = in<QComboBox>(f, "lstCustomers");
    const int index = list->findText(QString::fromStdString("דמו בע\"מ - " + id));
    ASSERT_GE(index, 0);
    list->setCurrentIndex(index);
    emit list->activated(index);
    EXPECT_EQ(in<QLineEdit>(f, "txtCity")->text(), "חיפה");
    type(f, "txtCity", "עכו");
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "הלקוח עודכן בהצלחה. שם הלקוח: דמו בע\"מ");
    EXPECT_EQ(scalar("SELECT vcCity FROM Customers WHERE iCustomersID=" + id), "עכו");
    close(f);
}

TEST_F(Demo, TimeBillsAreCheckedBeforeAnyIsWritten) {
    QWidget* f = open("cmdTimeBills", "frmTimeBills");
    type(f, "txtStart0", "01/12/26 09:00");
    type(f, "txtEnd0", "01/12/26 10:30");
    EXPECT_EQ(in<QLineEdit>(f, "txtHours0")->text(), "1.5");
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "חובה לבחור בלקוח");
    in<QComboBox>(f, "lstCustomers0")->setCurrentIndex(0);
    in<QComboBox>(f, "lstCustomers1")->setCurrentIndex(0);
    type(f, "txtRate0", "200");
    click(f, "cmdOK");  // row 1 has no rate: nothing is written
    EXPECT_EQ(takeBox(), "חובה להכניס מחיר פריט");
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM TimeBills"), "0");
    in<QComboBox>(f, "lstCustomers1")->setCurrentIndex(-1);
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "חיובי הזמן נוצרו בהצלחה");
    EXPECT_EQ(scalar("SELECT COUNT(*) || ' ' || substr(nvcAppointmentID, 1, 4) FROM TimeBills"), "1 Appt");
    close(f);
}

TEST_F(Demo, ViewersShowWhatIsStored) {
    QWidget* f = open("cmdGetCustomersByForeignKey", "fromCustomerByForeignKey");
    auto* list = in<QListWidget>(f, "lstCustomers");
    ASSERT_GT(list->count(), 0);
    list->setCurrentRow(0);
    emit list->itemClicked(list->item(0));
    const std::string key = list->item(0)->text().section(" !! ", 1).toStdString();
    EXPECT_THAT(in<QPlainTextEdit>(f, "txtList")->toPlainText().toStdString(),
                StartsWith("CustomersID: " + scalar("SELECT iCustomersID FROM Customers WHERE vcForeignKey='" + key +
                                                    "'") + "\n"));
    close(f);

    f = open("cmdPriceLists", "frmPriceList");
    const QStringList lines = in<QPlainTextEdit>(f, "txtList")->toPlainText().split("\n");
    EXPECT_EQ(lines.front().trimmed(), "iListsID - iListNumber - Profit Percent");
    EXPECT_EQ(std::to_string(lines.size() - 1), scalar("SELECT COUNT(*) FROM Lists WHERE iBusinessID=1"));
    close(f);

    f = open("cmdVat", "frmVAT");
    type(f, "txtDate", "01/07/2013");
    click(f, "cmdVAT");
    EXPECT_EQ(takeBox(), "18");
    close(f);

    auto locked = std::make_shared<demo::LateBound>("KovrinAPI.Invoice");
    locked->Put("iInvoiceNumber", int32_t{1001});
    locked->Put("iStatusID", int16_t{2});
    locked->Put("datDueDate", kovrin::Date::fromCalendar(2027, 1, 6));
    const QStringList summary = demo::InvoiceSummary(kovrin::Variant(locked)).split("\r\n");
    EXPECT_EQ(summary.value(0), "מספר החשבונית:\t1001");
    EXPECT_EQ(summary.value(1), "סטטוס:\tנעול");
    EXPECT_EQ(summary.back(), "תאריך לתשלום:\t06/01/2027");

    // Fifty-one invoices: the viewer asks before listing them, and lists nothing on no.
    {
        kovrin::Kovrin k;
        auto line = std::make_shared<kovrin::LineItem>();
        line->ItemDescription("שורה");
        line->ItemQuantity(1);
        line->UnitPrice(kovrin::Currency(100));
        line->CurrencyRate(1);
        kovrin::VariantArray lines(1);
        lines(0) = kovrin::Variant(line);
        for (int i = 0; i < 51; ++i) {
            double rebate = 0, vat = 0;
            kovrin::Currency amount;
            bool round = false;
            k.CreateInvoice(1, kovrin::Date::today(), "", rebate, amount, round, vat, true, "", 1,
                            kovrin::InvoiceTypes::INVOICE_TYPE_STD, kovrin::Variant(lines));
        }
    }
    f = open("cmdGetInvoice", "frmGetInvoiceByNumber");
    type(f, "txtInvoiceNumber", "x");
    click(f, "cmdOK");
    EXPECT_EQ(takeBox(), "מספר החשבונית אינו תקין");
    const std::string last = scalar("SELECT MAX(iInvoiceNumber) FROM UsysInvoices");
    type(f, "txtInvoiceNumber", QString::fromStdString(last));
    click(f, "cmdOK");
    const QString shown = in<QPlainTextEdit>(f, "txtList")->toPlainText();
    EXPECT_THAT(shown.toStdString(), StartsWith("מספר החשבונית:\t" + last + "\n"));
    EXPECT_THAT(shown.toStdString(), HasSubstr("סה\"כ לתשלום:\t" + demo::Money(kovrin::CCur(kovrin::Variant(scalar(
        "SELECT curGrandTotal FROM UsysInvoices WHERE iInvoiceNumber=" + last)))).toStdString()));
    click(f, "cmdGetAllInvoices");
    EXPECT_EQ(takeBox(), "נשלפו למעלה מ-50 מחשבוניות. להמשיך?");
    EXPECT_EQ(in<QPlainTextEdit>(f, "txtList")->toPlainText(), shown);
    close(f);

    f = open("cmdGetInvoicesXML", "frmInvoiceXML");
    type(f, "txtInvoiceNumber", QString::fromStdString(last));
    click(f, "cmdOK");
    EXPECT_THAT(in<QPlainTextEdit>(f, "txtList")->toPlainText().toStdString(), StartsWith("<Kovrin>"));
    close(f);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

TEST_F(Demo, MailFormKeepsItsBoxesAndChecksBeforeSending) {
    QWidget* f = open("cmdSendMail", "frmSendMail");
    EXPECT_TRUE(in(f, "txtInvoiceNumber")->isHidden());
    EXPECT_TRUE(in(f, "cmdSendInvoice")->isHidden());
    EXPECT_EQ(in<QLineEdit>(f, "txtPDFTimeout")->text(), "10000");
    click(f, "cmdSend");
    EXPECT_EQ(takeBox(), "חובה להכניס נושא");
    type(f, "txtSubject", "שלום");
    click(f, "cmdSend");
    EXPECT_EQ(takeBox(), "חובה להכניס מייל");
    type(f, "txtTo", "a@example.com,b@example.com");
    close(f);

    f = open("cmdSendInvoice", "frmSendMail");
    EXPECT_FALSE(in(f, "txtInvoiceNumber")->isHidden());
    EXPECT_EQ(in<QLineEdit>(f, "txtSubject")->text(), "שלום");
    EXPECT_EQ(in<QLineEdit>(f, "txtTo")->text(), "a@example.com,b@example.com");
    click(f, "cmdSendInvoice");
    EXPECT_EQ(takeBox(), "חובה להכניס מספר חשבונית");
    close(f);
}

}  // namespace
