// The new-customer and customer-update forms.
#include "EntryCommon.h"
#include "Forms.h"


#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demo {

namespace {

struct Field {
    const char* name;
    const char* label;
    const char* text;
};
// The boxes of both forms, in the order they are shown.
constexpr Field kFields[] = {
    {"txtBusinessName", "שם העסק:", ""},    {"txtOsekMorshe", "עוסק מורשה:", ""},
    {"txtContactFirstName", "שם פרטי:", ""}, {"txtContactLastName", "שם משפחה:", ""},
    {"txtAddress1", "כתובת1:", ""},          {"txtAddress2", "כתובת2:", ""},
    {"txtCity", "עיר:", ""},                 {"txtPostalCode", "מיקוד:", ""},
    {"txtPhone1", "טלפון1:", ""},            {"txtPhone2", "טלפון2:", ""},
    {"txtFax", "פקס:", ""},                  {"txtEMail", "דואר אלקטרוני:", ""},
    {"txtBankAccount", "חשבון בנק:", ""},    {"txtBankBranch", "סניף:", ""},
    {"txtBankID", "מספר בנק:", "0"},         {"txtCharge", "חיוב קבוע:", "0.00"},
    {"txtForeignKey", "מפתח זר:", ""},       {"txtComments", "הערות:", ""},
    {"txtOpenBalance", "יתרת פתיחה:", "0.00"}, {"txtPaymentDays", "ימי תשלום:", "30"},
    {"txtExtra1", "נוסף1:", ""},             {"txtExtra2", "נוסף2:", ""},
};

class CustomerForm : public QDialog {
public:
    CustomerForm(bool update, QWidget* parent);

private:
    QString text(const char* name) const { return findChild<QLineEdit*>(name)->text(); }
    std::string str(const char* name) const { return s(text(name)); }
    void set(const char* name, const QString& value) { findChild<QLineEdit*>(name)->setText(value); }
    void customerChosen();
    void save();

    bool update_;
    QComboBox* lstCustomers_ = nullptr;
    QComboBox* lstPriceListNum_;
    QComboBox* lstCurrency_;
    QLineEdit* txtBalance_ = nullptr;
    std::vector<kovrin::Variant> customers_;
};

CustomerForm::CustomerForm(bool update, QWidget* parent) : QDialog(parent), update_(update) {
    PrepareWindow(this, update ? "frmUpdateCustomer" : "frmCustomer",
                  update ? QStringLiteral("עדכון לקוח") : QStringLiteral("לקוח חדש"));
    auto* grid = new QGridLayout;
    int row = 0;
    if (update) {
        lstCustomers_ = new QComboBox(this);
        lstCustomers_->setObjectName("lstCustomers");
        txtBalance_ = MakeLine(this, "txtBalance");
        txtBalance_->setReadOnly(true);
        grid->addWidget(new QLabel(QStringLiteral("בחר בלקוח:"), this), row, 0);
        grid->addWidget(lstCustomers_, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("יתרה:"), this), row, 2);
        grid->addWidget(txtBalance_, row, 3);
        ++row;
    }
    int i = 0;
    for (const Field& f : kFields) {
        if (update && (QString(f.name) == "txtOpenBalance" || QString(f.name) == "txtPaymentDays" ||
                       QString(f.name) == "txtComments" || QString(f.name).startsWith("txtExtra")))
            continue;
        auto* box = MakeLine(this, f.name, QString::fromUtf8(f.text));
        if (update && QString(f.name) == "txtForeignKey") box->setReadOnly(true);
        grid->addWidget(new QLabel(QString::fromUtf8(f.label), this), row + i / 2, (i % 2) * 2);
        grid->addWidget(box, row + i / 2, (i % 2) * 2 + 1);
        ++i;
    }
    row += (i + 1) / 2;
    lstPriceListNum_ = new QComboBox(this);
    lstPriceListNum_->setObjectName("lstPriceListNum");
    lstCurrency_ = CurrencyList(this, "lstCurrency");
    grid->addWidget(new QLabel(QStringLiteral("מחירון:"), this), row, 0);
    grid->addWidget(lstPriceListNum_, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("מטבע החיוב:"), this), row, 2);
    grid->addWidget(lstCurrency_, row, 3);

    auto* buttons = new QHBoxLayout;
    auto* cmdOK = new QPushButton(update ? QStringLiteral("עדכן לקוח") : QStringLiteral("צור לקוח"), this);
    cmdOK->setObjectName("cmdOK");
    auto* cmdClose = new QPushButton(QStringLiteral("סגור"), this);
    cmdClose->setObjectName("cmdClose");
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    connect(cmdOK, &QPushButton::clicked, this, [this] { save(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);

    const char* form = update ? "frmUpdateCustomer" : "frmCustomer";
    RunStepped((std::string(form) + ".PopulatePriceLists").c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        for (const auto& p : Elements(k->Call("GetPriceLists")))
            lstPriceListNum_->addItem(q(Property(p, "ListNum")) + " - " + q(Property(p, "Comments")),
                                      kovrin::CLng(Property(p, "ListNum")));
    });
    if (update) {
        RunStepped("frmUpdateCustomer.PopulateCustomers", [&](int& step) {
            step = 10;
            auto k = NewKovrin();
            step = 20;
            customers_ = FillCustomers(lstCustomers_, *k, QStringLiteral("יש ליצור לקוחות לפני שניתן לעדכן אותם"));
        });
        connect(lstCustomers_, &QComboBox::activated, this, [this] { customerChosen(); });
    }
}

void CustomerForm::customerChosen() {
    RunStepped("frmUpdateCustomer.lstCustomers_Click", [&](int& step) {
        step = 10;
        const int index = lstCustomers_->currentIndex();
        if (index < 0 || index >= static_cast<int>(customers_.size())) return;
        const std::string key = kovrin::CStr(Property(customers_[index], "ForeignKey"));
        if (key.empty()) {
            lstCustomers_->setCurrentIndex(-1);
            throw Refused{QStringLiteral("לא ניתן לבחור בלקוח זה משום שאין לו מפתח זר")};
        }
        step = 20;
        auto k = NewKovrin();
        const kovrin::Variant c = k->Call("GetCustomerByForeignKey", {key});
        step = 30;
        txtBalance_->setText(Decimal(kovrin::CDbl(k->Call("GetCustomerBalanceByForeignKey", {key}))));
        step = 40;
        set("txtBusinessName", q(Property(c, "BusinessName")));
        set("txtOsekMorshe", q(Property(c, "OsekMorshe")));
        set("txtContactFirstName", q(Property(c, "ContactFirstName")));
        set("txtContactLastName", q(Property(c, "ContactLastName")));
        set("txtAddress1", q(Property(c, "Address1")));
        set("txtAddress2", q(Property(c, "Address2")));
        set("txtCity", q(Property(c, "City")));
        set("txtPostalCode", q(Property(c, "PostalCode")));
        set("txtPhone1", q(Property(c, "Phone1")));
        set("txtPhone2", q(Property(c, "Phone2")));
        set("txtFax", q(Property(c, "Fax")));
        set("txtEMail", q(Property(c, "EMail")));
        set("txtBankAccount", q(Property(c, "BankAccountNumber")));
        set("txtBankBranch", q(Property(c, "BankBranchNumber")));
        set("txtBankID", q(Property(c, "BankID")));
        set("txtCharge", Money(kovrin::CCur(Property(c, "Charge"))));
        set("txtForeignKey", q(Property(c, "ForeignKey")));
        lstPriceListNum_->setCurrentIndex(lstPriceListNum_->findData(kovrin::CLng(Property(c, "PriceListNum"))));
        lstCurrency_->setCurrentText(q(Property(c, "ChargeCurrency")));
    });
}

void CustomerForm::save() {
    RunStepped(update_ ? "frmUpdateCustomer.cmdOK_Click" : "frmCustomer.cmdOK_Click", [&](int& step) {
        step = 10;
        if (update_ && lstCustomers_->currentIndex() < 0) throw Refused{QStringLiteral("חובה לבחור בלקוח")};
        if (text("txtBusinessName").trimmed().isEmpty()) throw Refused{QStringLiteral("חובה למלא את שם העסק")};
        step = 20;
        const int32_t bank = ToLong(text("txtBankID").isEmpty() ? "0" : text("txtBankID"));
        const kovrin::Currency charge = ToCur(text("txtCharge").isEmpty() ? "0" : text("txtCharge"));
        const int32_t list = lstPriceListNum_->currentIndex() >= 0 ? lstPriceListNum_->currentData().toInt() : 0;
        step = 30;
        auto k = NewKovrin();
        step = 40;
        if (update_) {
            k->Call("UpdateCustomerByForeignKey",
                    {str("txtBusinessName"), str("txtOsekMorshe"), str("txtContactFirstName"), str("txtContactLastName"),
                     str("txtForeignKey"), str("txtAddress1"), str("txtAddress2"), str("txtCity"), str("txtPostalCode"),
                     str("txtPhone1"), str("txtPhone2"), str("txtFax"), str("txtEMail"), str("txtBankAccount"),
                     str("txtBankBranch"), bank, list, charge, s(lstCurrency_->currentText())});
            step = 50;
            ShowInfo(QStringLiteral("הלקוח עודכן בהצלחה. שם הלקוח: ") + text("txtBusinessName"));
        } else {
            const kovrin::Currency open = ToCur(text("txtOpenBalance").isEmpty() ? "0" : text("txtOpenBalance"));
            const int32_t days = ToLong(text("txtPaymentDays").isEmpty() ? "30" : text("txtPaymentDays"));
            const int32_t number = kovrin::CLng(k->Call(
                "CreateCustomer",
                {str("txtBusinessName"), str("txtOsekMorshe"), str("txtContactFirstName"), str("txtContactLastName"),
                 str("txtAddress1"), str("txtAddress2"), str("txtCity"), str("txtPostalCode"), str("txtPhone1"),
                 str("txtPhone2"), str("txtFax"), str("txtEMail"), str("txtComments"), open, str("txtBankAccount"),
                 str("txtBankBranch"), bank, list, charge, s(lstCurrency_->currentText()), str("txtForeignKey"),
                 static_cast<int32_t>(kovrin::PaymentTerms::Net), days, std::nullopt, str("txtExtra1"),
                 str("txtExtra2")}));
            step = 50;
            ShowInfo(QStringLiteral("הלקוח נוצר בהצלחה. שם הלקוח: ") + text("txtBusinessName") +
                     QStringLiteral(". מספר הלקוח: ") + QString::number(number));
        }
    });
}

}  // namespace

QWidget* NewCustomerForm(bool update, QWidget* parent) { return new CustomerForm(update, parent); }

}  // namespace demo
