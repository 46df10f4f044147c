// The receipt and refund forms: a customer, the payments, and for receipts the paid invoices and
// the currency.
#include "EntryCommon.h"
#include "Forms.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demo {

namespace {

class ReceiptForm : public QDialog {
public:
    ReceiptForm(bool refund, QWidget* parent);

private:
    QString handler(const char* procedure) const {
        return QString(refund_ ? "frmRefund." : "frmReceipt.") + procedure;
    }
    void validate() const;
    QString xml() const;
    void createByArguments();
    void createByXml();
    void created(int32_t number, const QString& word, const QString& openCaption);

    bool refund_;
    QComboBox* lstCustomers_;
    QDateEdit* datReceiptDate_;
    QLineEdit* txtComments_;
    QLineEdit* txtInvoiceNumbers_;
    QComboBox* lstCurrency_;
    QLineEdit* txtRate_;
    std::unique_ptr<Payments> payments_;
    QPushButton* cmdOpenReceipt_;
    int32_t createdNumber_ = 0;
};

ReceiptForm::ReceiptForm(bool refund, QWidget* parent) : QDialog(parent), refund_(refund) {
    PrepareWindow(this, refund ? "frmRefund" : "frmReceipt",
                  refund ? QStringLiteral("תעודת החזר") : QStringLiteral("קבלה"));
    lstCustomers_ = new QComboBox(this);
    lstCustomers_->setObjectName("lstCustomers");
    lstCustomers_->setMinimumWidth(260);
    datReceiptDate_ = new QDateEdit(QDate::currentDate(), this);
    datReceiptDate_->setObjectName("datReceiptDate");
    datReceiptDate_->setDisplayFormat("dd/MM/yyyy");
    datReceiptDate_->setLayoutDirection(Qt::LeftToRight);  // digits read left to right
    datReceiptDate_->setCalendarPopup(true);
    txtComments_ = MakeLine(this, "txtComments");
    txtInvoiceNumbers_ = MakeLine(this, "txtInvoiceNumbers");
    lstCurrency_ = CurrencyList(this, "lstCurrency");
    txtRate_ = MakeLine(this, "txtRate", "1.0000");

    auto* head = new QGridLayout;
    head->addWidget(new QLabel(QStringLiteral("לקוח:"), this), 0, 0);
    head->addWidget(lstCustomers_, 0, 1);
    head->addWidget(new QLabel(QStringLiteral("תאריך:"), this), 0, 2);
    head->addWidget(datReceiptDate_, 0, 3);
    head->addWidget(new QLabel(QStringLiteral("פרטים:"), this), 1, 0);
    head->addWidget(txtComments_, 1, 1);
    if (!refund) {
        head->addWidget(new QLabel(QStringLiteral("חשבוניות ששולמו:"), this), 1, 2);
        head->addWidget(txtInvoiceNumbers_, 1, 3);
        head->addWidget(new QLabel(QStringLiteral("מטבע:"), this), 2, 0);
        head->addWidget(lstCurrency_, 2, 1);
        head->addWidget(new QLabel(QStringLiteral("שער:"), this), 2, 2);
        head->addWidget(txtRate_, 2, 3);
    } else {
        txtInvoiceNumbers_->hide();
        lstCurrency_->hide();
        txtRate_->hide();
    }
    auto* grid = new QGridLayout;

    auto* buttons = new QHBoxLayout;
    auto* cmdOK = new QPushButton(refund ? QStringLiteral("צור תעודה") : QStringLiteral("צור קבלה"), this);
    cmdOK->setObjectName("cmdOK");
    auto* cmdOKXML = new QPushButton(refund ? QStringLiteral("צור תעודה XML") : QStringLiteral("צור קבלה XML"), this);
    cmdOKXML->setObjectName("cmdOKXML");
    cmdOpenReceipt_ = new QPushButton(this);
    cmdOpenReceipt_->setObjectName("cmdOpenReceipt");
    cmdOpenReceipt_->setVisible(false);
    auto* cmdClose = new QPushButton(QStringLiteral("סגור"), this);
    cmdClose->setObjectName("cmdClose");
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdOKXML);
    buttons->addWidget(cmdOpenReceipt_);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    connect(cmdOK, &QPushButton::clicked, this, [this] { createByArguments(); });
    connect(cmdOKXML, &QPushButton::clicked, this, [this] { createByXml(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdOpenReceipt_, &QPushButton::clicked, this, [this] {
        RunStepped(s(handler("cmdOpenReceipt_Click")).c_str(), [&](int& step) {
            step = 10;
            auto k = NewKovrin();
            step = 20;
            k->Call(refund_ ? "DisplayRefund" : "DisplayReceipt", {createdNumber_});
            close();
        });
    });

    auto* top = new QVBoxLayout(this);
    top->addLayout(head);
    top->addLayout(grid);
    top->addLayout(buttons);

    RunStepped(s(handler("PopulateCustomers")).c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        FillCustomers(lstCustomers_, *k, QStringLiteral("יש ליצור לקוחות לפני שיוצרים חשבונית"));
    });
    RunStepped(s(handler("PopulatePayments")).c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        payments_ = std::make_unique<Payments>(this, grid, 0, *k);
    });
}

void ReceiptForm::validate() const {
    if (lstCustomers_->currentIndex() < 0) throw Refused{QStringLiteral("חובה לבחור בלקוח")};
    if (!payments_ || ToCurrency(payments_->txtTotalPmt->text()) == kovrin::Currency())
        throw Refused{QStringLiteral("חובה להכניס תשלום")};
}

QString ReceiptForm::xml() const {
    QStringList x;
    x << "<Kovrin>" << QString("<Document type=\"%1\">").arg(refund_ ? "Refund" : "Receipt")
      << "<CustomerID>" + QString::number(TrailingNumber(lstCustomers_)) + "</CustomerID>"
      << "<DocDate>" + DemoXMLDate(kovrin::Variant(ToDate(datReceiptDate_))) + "</DocDate>"
      << "<Total>" + Decimal(TextAsDouble(payments_->txtTotalPmt->text(), 0)) + "</Total>";
    if (!refund_)
        x << "<Tax>" + Decimal(TextAsDouble(payments_->txtTax->text(), 0)) + "</Tax>"
          << "<NetPmt>" + Decimal(TextAsDouble(payments_->txtNetPmt->text(), 0)) + "</NetPmt>";
    x << "<Details>" + XMLEscape(txtComments_->text()) + "</Details>";
    if (!refund_)
        x << "<InvoiceNumbers>" + XMLEscape(txtInvoiceNumbers_->text()) + "</InvoiceNumbers>"
          << "<Currency>" + lstCurrency_->currentText() + "</Currency>"
          << "<Rate>" + Decimal(TextAsDouble(txtRate_->text(), 1)) + "</Rate>";
    x << "<ReceiptLineItems>" << payments_->xmlLines() << "</ReceiptLineItems>" << "</Document>" << "</Kovrin>";
    return JoinLines(x);
}

void ReceiptForm::createByArguments() {
    RunStepped(s(handler("cmdOK_Click")).c_str(), [&](int& step) {
        step = 10;
        validate();
        step = 20;
        const int32_t customer = TrailingNumber(lstCustomers_);
        const kovrin::Date date = ToDate(datReceiptDate_);
        const kovrin::Currency total = ToCur(payments_->txtTotalPmt->text());
        const kovrin::Currency tax = ToCur(payments_->txtTax->text());
        const kovrin::Currency net = ToCur(payments_->txtNetPmt->text());
        const kovrin::Variant lines = payments_->lineItems();
        step = 30;
        auto k = NewKovrin();
        step = 40;
        if (refund_) {
            const int32_t number =
                kovrin::CLng(k->Call("CreateRefund", {customer, date, total, s(txtComments_->text()), lines}));
            created(number, QStringLiteral("תעודת החזר "), QStringLiteral("הצג קבלה "));
        } else {
            const int32_t number = kovrin::CLng(k->Call(
                "CreateReceipt", {customer, date, total, tax, net, s(txtComments_->text()), s(txtInvoiceNumbers_->text()),
                                  lines, s(lstCurrency_->currentText()), ToCur(txtRate_->text())}));
            created(number, QStringLiteral("קבלה "), QStringLiteral("הצג קבלה "));
        }
    });
}

void ReceiptForm::createByXml() {
    RunStepped(s(handler("cmdOKXML_Click")).c_str(), [&](int& step) {
        step = 10;
        validate();
        step = 20;
        const std::string text = s(xml());
        step = 30;
        auto k = NewKovrin();
        step = 40;
        if (refund_)
            created(kovrin::CLng(k->Call("CreateRefundXML", {text})), QStringLiteral("תעודת החזר מספר "),
                    QStringLiteral("הצג תעודה החזר "));
        else
            created(kovrin::CLng(k->Call("CreateReceiptXML", {text})), QStringLiteral("קבלה "), QStringLiteral("הצג קבלה "));
    });
}

void ReceiptForm::created(int32_t number, const QString& word, const QString& openCaption) {
    createdNumber_ = number;
    ShowInfo(word + QString::number(number) + QStringLiteral(" נוצרה בהצלחה."));
    cmdOpenReceipt_->setText(openCaption + QString::number(number));
    cmdOpenReceipt_->setVisible(true);
}

}  // namespace

QWidget* NewReceiptForm(bool refund, QWidget* parent) { return new ReceiptForm(refund, parent); }

}  // namespace demo
