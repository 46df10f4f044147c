// The invoice forms: tax invoice, Iska invoice, credit invoice, itemised invoice and
// invoice-receipt. One form class; the kind decides the caption, the extra boxes and the call.
#include "EntryCommon.h"
#include "Forms.h"


#include <QCheckBox>
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

struct KindInfo {
    const char* form;
    const char* caption;
    bool xml;       // has the XML button
    bool dueDate;   // has a due date
    const char* createdWord;  // start of the success text from the argument button
};

KindInfo info(InvoiceKind kind) {
    switch (kind) {
    case InvoiceKind::Invoice: return {"frmInvoice", "חשבונית מס", true, true, "חשבונית "};
    case InvoiceKind::Iska: return {"frmInvoiceIska", "חשבונית עסקה", false, true, "חשבונית "};
    case InvoiceKind::Zikui: return {"frmInvoiceZikui", "חשבונית זיכוי", true, false, "חשבונית זיכוי "};
    case InvoiceKind::Itemised: return {"frmInvoiceW", "חשבונית מס מעורבת", true, false, "חשבונית "};
    case InvoiceKind::InvoiceKabala: return {"frmInvoiceKabala", "חשבונית מס/קבלה", true, false, "חשבונית "};
    }
    return {};
}

QLabel* label(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

class InvoiceForm : public QDialog {
public:
    InvoiceForm(InvoiceKind kind, QWidget* parent);

private:
    struct Row {
        QLineEdit* description;
        QLineEdit* quantity;
        QLineEdit* price;
        QComboBox* currency;
        QLineEdit* rate;
        QComboBox* item = nullptr;        // itemised form
        QCheckBox* chargeVat = nullptr;   // itemised form
        QLineEdit* extVat = nullptr;
        QLineEdit* extNoVat = nullptr;
    };

    QString handler(const char* procedure) const { return QString(info_.form) + "." + procedure; }
    void populate();
    void validate(bool xml) const;
    kovrin::Variant lineItems() const;
    QString xml() const;
    void createByArguments();
    void createByXml();
    void created(int32_t number, const QString& word);
    void recompute();
    void openCreated();

    InvoiceKind kind_;
    KindInfo info_;
    QComboBox* lstCustomers_;
    QComboBox* lstTrxCodes_;
    QDateEdit* datInvoiceDate_;
    QDateEdit* datDueDate_ = nullptr;
    QLineEdit* txtComments_;
    QLineEdit* txtDetails_;
    QLineEdit* txtRebatePercent_;
    QLineEdit* txtRebateNIS_;
    QCheckBox* chkRound_;
    QCheckBox* chkVAT_;
    QLineEdit* txtVAT_;
    QLineEdit* txtTotal_;
    QLineEdit* txtTotalToBePaid_;
    std::vector<Row> rows_;
    std::unique_ptr<Payments> payments_;
    QPushButton* cmdOpenInvoice_;
    int32_t createdNumber_ = 0;
    QGridLayout* grid_;
};

InvoiceForm::InvoiceForm(InvoiceKind kind, QWidget* parent) : QDialog(parent), kind_(kind), info_(info(kind)) {
    PrepareWindow(this, info_.form, QString::fromUtf8(info_.caption));
    const bool itemised = kind == InvoiceKind::Itemised;

    lstCustomers_ = new QComboBox(this);
    lstCustomers_->setObjectName("lstCustomers");
    lstCustomers_->setMinimumWidth(260);
    lstTrxCodes_ = new QComboBox(this);
    lstTrxCodes_->setObjectName("lstTrxCodes");
    datInvoiceDate_ = new QDateEdit(QDate::currentDate(), this);
    datInvoiceDate_->setObjectName("datInvoiceDate");
    datInvoiceDate_->setDisplayFormat("dd/MM/yyyy");
    datInvoiceDate_->setLayoutDirection(Qt::LeftToRight);  // digits read left to right
    datInvoiceDate_->setCalendarPopup(true);
    txtComments_ = MakeLine(this, "txtComments");
    txtDetails_ = MakeLine(this, "txtDetails");
    txtRebatePercent_ = MakeLine(this, "txtRebatePercent", "0");
    txtRebateNIS_ = MakeLine(this, "txtRebateNIS", "0.00");
    chkRound_ = new QCheckBox(QStringLiteral("לעגל את הסכום הסופי:"), this);
    chkRound_->setObjectName("chkRound");
    chkVAT_ = new QCheckBox(QStringLiteral("חייב מע\"מ"), this);
    chkVAT_->setObjectName("chkVAT");
    chkVAT_->setChecked(true);
    txtVAT_ = MakeLine(this, "txtVAT", "0.00");
    txtTotal_ = MakeLine(this, "txtTotal", "0.00");
    txtTotal_->setReadOnly(true);
    txtTotalToBePaid_ = MakeLine(this, "txtTotalToBePaid", "0.00");
    txtTotalToBePaid_->setReadOnly(true);

    auto* head = new QGridLayout;
    int r = 0;
    auto add = [&](const QString& text, QWidget* w, int col = 0) {
        head->addWidget(label(this, text), r, col);
        head->addWidget(w, r, col + 1);
    };
    add(QStringLiteral("לקוח:"), lstCustomers_);
    add(QStringLiteral("סיווג תנועה:"), lstTrxCodes_, 2);
    ++r;
    add(QStringLiteral("תאריך:"), datInvoiceDate_);
    if (info_.dueDate) {
        datDueDate_ = new QDateEdit(QDate::currentDate().addMonths(1), this);
        datDueDate_->setObjectName("datDueDate");
        datDueDate_->setDisplayFormat("dd/MM/yyyy");
        datDueDate_->setLayoutDirection(Qt::LeftToRight);  // digits read left to right
        datDueDate_->setCalendarPopup(true);
        add(QStringLiteral("תאריך לתשלום:"), datDueDate_, 2);
    }
    ++r;
    add(QStringLiteral("הערות:"), txtComments_);
    add(QStringLiteral("פרטים:"), txtDetails_, 2);
    ++r;
    add(QStringLiteral("הנחה באחוזים:"), txtRebatePercent_);
    add(QStringLiteral("הנחה בש\"ח:"), txtRebateNIS_, 2);
    ++r;
    head->addWidget(chkRound_, r, 0, 1, 2);
    head->addWidget(chkVAT_, r, 2);
    ++r;
    add(QStringLiteral("מע\"מ:"), txtVAT_);
    add(QStringLiteral("סה\"כ:"), txtTotal_, 2);
    ++r;
    add(QStringLiteral("סה\"כ לתשלום:"), txtTotalToBePaid_);

    grid_ = new QGridLayout;
    QStringList heads;
    if (itemised) heads << QStringLiteral("פריט");
    heads << QStringLiteral("תיאור פריט") << QStringLiteral("כמות") << QStringLiteral("מחיר ליחידה")
          << QStringLiteral("מטבע") << QStringLiteral("שער");
    if (itemised) heads << QStringLiteral("חייב מע\"מ") << QStringLiteral("כולל מע\"מ") << QStringLiteral("ללא מע\"מ");
    for (int c = 0; c < heads.size(); ++c) grid_->addWidget(label(this, heads[c]), 0, c);
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i);
        Row row{MakeLine(this, "txtItemDescription" + n), MakeLine(this, "txtItemQty" + n),
                MakeLine(this, "txtUnitPrice" + n), CurrencyList(this, "lstCurrency" + n),
                MakeLine(this, "txtRate" + n, "1.0")};
        row.description->setMinimumWidth(220);
        QList<QWidget*> cells;
        if (itemised) {
            row.item = new QComboBox(this);
            row.item->setObjectName("lstItems" + n);
            row.chargeVat = new QCheckBox(this);
            row.chargeVat->setObjectName("chkChargeVAT" + n);
            row.chargeVat->setChecked(true);
            row.extVat = MakeLine(this, "txtExtPriceVAT" + n, "0.00");
            row.extNoVat = MakeLine(this, "txtExtPriceNoVAT" + n, "0.00");
            row.extVat->setReadOnly(true);
            row.extNoVat->setReadOnly(true);
            cells << row.item;
        }
        cells << row.description << row.quantity << row.price << row.currency << row.rate;
        if (itemised) cells << row.chargeVat << row.extVat << row.extNoVat;
        for (int c = 0; c < cells.size(); ++c) grid_->addWidget(cells[c], i + 1, c);
        for (QLineEdit* e : {row.quantity, row.price, row.rate})
            connect(e, &QLineEdit::textChanged, this, [this] { recompute(); });
        if (row.chargeVat) connect(row.chargeVat, &QCheckBox::toggled, this, [this] { recompute(); });
        if (row.item)
            connect(row.item, &QComboBox::currentIndexChanged, this, [this, i] {
                // Choosing an item fills the row's description.
                if (rows_[i].item->currentIndex() > 0) rows_[i].description->setText(rows_[i].item->currentText());
            });
        rows_.push_back(row);
    }
    for (QLineEdit* e : {txtRebatePercent_, txtRebateNIS_})
        connect(e, &QLineEdit::textChanged, this, [this] { recompute(); });
    connect(chkVAT_, &QCheckBox::toggled, this, [this] { recompute(); });

    auto* buttons = new QHBoxLayout;
    auto* cmdOK = new QPushButton(QStringLiteral("צור חשבונית"), this);
    cmdOK->setObjectName("cmdOK");
    buttons->addWidget(cmdOK);
    connect(cmdOK, &QPushButton::clicked, this, [this] { createByArguments(); });
    if (info_.xml) {
        auto* cmdOKXML = new QPushButton(QStringLiteral("צור חשבונית XML"), this);
        cmdOKXML->setObjectName("cmdOKXML");
        buttons->addWidget(cmdOKXML);
        connect(cmdOKXML, &QPushButton::clicked, this, [this] { createByXml(); });
    }
    cmdOpenInvoice_ = new QPushButton(this);
    cmdOpenInvoice_->setObjectName("cmdOpenInvoice");
    cmdOpenInvoice_->setVisible(false);
    buttons->addWidget(cmdOpenInvoice_);
    connect(cmdOpenInvoice_, &QPushButton::clicked, this, [this] { openCreated(); });
    buttons->addStretch();
    auto* cmdClose = new QPushButton(QStringLiteral("סגור"), this);
    cmdClose->setObjectName("cmdClose");
    buttons->addWidget(cmdClose);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);

    auto* top = new QVBoxLayout(this);
    top->addLayout(head);
    top->addLayout(grid_);
    top->addLayout(buttons);
    populate();
}

void InvoiceForm::populate() {
    RunStepped(s(handler("PopulateCustomers")).c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        FillCustomers(lstCustomers_, *k, QStringLiteral("יש ליצור לקוחות לפני שיוצרים חשבונית"));
    });
    RunStepped(s(handler("PopulateTrxCodes")).c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        FillTrxCodes(lstTrxCodes_, *k);
    });
    if (kind_ == InvoiceKind::Itemised)
        RunStepped(s(handler("PopulateItems")).c_str(), [&](int& step) {
            step = 10;
            auto k = NewKovrin();
            step = 20;
            const auto items = Elements(k->Call("GetItems"));
            if (items.empty()) throw Refused{QStringLiteral("לא נמצאו פריטים בקוברין")};
            for (const Row& row : rows_) {
                row.item->addItem(QString(), 0);
                for (const auto& item : items)
                    row.item->addItem(q(Property(item, "ItemDescription")), kovrin::CLng(Property(item, "ItemsID")));
            }
        });
    if (kind_ == InvoiceKind::InvoiceKabala)
        RunStepped(s(handler("PopulatePayments")).c_str(), [&](int& step) {
            step = 10;
            auto k = NewKovrin();
            step = 20;
            auto* box = new QGridLayout;
            payments_ = std::make_unique<Payments>(this, box, 0, *k);
            static_cast<QVBoxLayout*>(layout())->insertLayout(2, box);
        });
}

void InvoiceForm::recompute() {
    kovrin::Currency total;
    for (const Row& row : rows_) {
        const kovrin::Currency ext = kovrin::Currency::fromDouble(ToCurrency(row.quantity->text()).toDouble() *
                                                                  ToCurrency(row.price->text()).toDouble() *
                                                                  ToCurrency(row.rate->text()).toDouble());
        total += ext;
        if (row.chargeVat) {
            const bool vat = row.chargeVat->isChecked();
            row.extVat->setText(vat ? Money(kovrin::Currency::fromDouble(ext.toDouble() * (1 + settings().vatFraction)))
                                    : "0.00");
            row.extNoVat->setText(vat ? "0.00" : Money(ext));
        }
    }
    // A rebate in percent goes first; an amount counts when no percent is given.
    const double percent = ToCurrency(txtRebatePercent_->text()).toDouble();
    if (percent != 0)
        total = kovrin::Currency::fromDouble(total.toDouble() * (1 - percent / 100));
    else
        total -= ToCurrency(txtRebateNIS_->text());
    txtTotal_->setText(Money(total));
    const double vat = chkVAT_->isChecked() ? settings().vatFraction : 0;
    txtTotalToBePaid_->setText(Money(kovrin::Currency::fromDouble(total.toDouble() * (1 + vat))));
}

void InvoiceForm::validate(bool xml) const {
    if (lstCustomers_->currentIndex() < 0) throw Refused{QStringLiteral("חובה לבחור בלקוח")};
    const Row& first = rows_.front();
    if (first.description->text().isEmpty()) throw Refused{QStringLiteral("חובה להכניס תיאור פריט")};
    if (first.price->text().isEmpty()) throw Refused{QStringLiteral("חובה להכניס מחיר פריט")};
    if (first.quantity->text().isEmpty()) throw Refused{QStringLiteral("חובה להכניס כמות פריט")};
    if (xml && lstTrxCodes_->currentIndex() < 0)
        throw Refused{kind_ == InvoiceKind::Itemised ? QStringLiteral("חובה לבחור בסווג התנועה")
                                                     : QStringLiteral("חובה לבחור בסיווג תנועה")};
}

kovrin::Variant InvoiceForm::lineItems() const {
    std::vector<std::shared_ptr<LateBound>> items;
    for (const Row& row : rows_) {
        if (row.description->text().isEmpty()) continue;
        auto item = std::make_shared<LateBound>("KovrinAPI.LineItem");
        item->Put("ItemDescription", s(row.description->text()));
        item->Put("ItemQuantity", ToDouble(row.quantity->text()));
        item->Put("UnitPrice", ToCur(row.price->text()));
        item->Put("ItemCurrency", s(row.currency->currentText()));
        item->Put("CurrencyRate", ToDouble(row.rate->text()));
        item->Put("ChargeVAT", row.chargeVat ? row.chargeVat->isChecked() : chkVAT_->isChecked());
        if (row.item && row.item->currentData().toInt() > 0) item->Put("ItemsID", row.item->currentData().toInt());
        items.push_back(item);
    }
    kovrin::VariantArray a(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) a(static_cast<long>(i)) = kovrin::Variant(items[i]);
    return kovrin::Variant(std::move(a));
}

QString InvoiceForm::xml() const {
    const bool itemised = kind_ == InvoiceKind::Itemised;
    const bool zikui = kind_ == InvoiceKind::Zikui;
    QStringList x;
    x << "<Kovrin>"
      << QString("<Document type=\"%1\">").arg(kind_ == InvoiceKind::InvoiceKabala ? "InvoiceKabala" : "Invoice")
      << "<CustomerID>" + QString::number(TrailingNumber(lstCustomers_)) + "</CustomerID>"
      << "<TrxCodesID>" + QString::number(TrailingNumber(lstTrxCodes_)) + "</TrxCodesID>"
      << "<DocDate>" + DemoXMLDate(kovrin::Variant(ToDate(datInvoiceDate_))) + "</DocDate>"
      << "<DocComments>" + XMLEscape(txtComments_->text()) + "</DocComments>"
      << "<DocDetails>" + XMLEscape(txtDetails_->text()) + "</DocDetails>"
      << "<RebatePercent>" + Decimal(TextAsDouble(txtRebatePercent_->text(), 0)) + "</RebatePercent>"
      << "<RebateAmount>" + Decimal(TextAsDouble(txtRebateNIS_->text(), 0)) + "</RebateAmount>"
      << "<RoundTotal>" + TrueFalse(!itemised && chkRound_->isChecked()) + "</RoundTotal>"
      << "<ChargeVAT>" + TrueFalse(chkVAT_->isChecked()) + "</ChargeVAT>";
    if (zikui) x << "<InvoiceType>1</InvoiceType>";
    x << "<VAT>" + txtVAT_->text() + "</VAT>";
    if (itemised) x << "<InvoiceType>2</InvoiceType>";
    if (kind_ == InvoiceKind::Invoice)
        x << "<DueDate>" + DemoXMLDate(kovrin::Variant(ToDate(datDueDate_))) + "</DueDate>";
    x << "" << "<LineItems>";
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        if (row.description->text().isEmpty()) continue;
        x << "<LineItem number=\"" + QString::number(i + 1) + "\">";
        if (itemised) x << "<ItemsID>" + QString::number(row.item->currentData().toInt()) + "</ItemsID>";
        x << "<ItemDescription>" + XMLEscape(row.description->text()) + "</ItemDescription>"
          << "<ItemQuantity>" + Decimal(ToDouble(row.quantity->text())) + "</ItemQuantity>"
          << "<UnitPrice>" + Decimal(ToDouble(row.price->text())) + "</UnitPrice>"
          << "<Currency>" + row.currency->currentText() + "</Currency>"
          << "<CurrencyRate>" + Decimal(ToDouble(row.rate->text())) + "</CurrencyRate>";
        if (zikui) x << "<ChargeVAT>True</ChargeVAT>";
        x << "</LineItem>";
    }
    x << "</LineItems>";
    if (payments_) {
        x << "<Receipt>"
          << "<Total>" + Decimal(TextAsDouble(payments_->txtTotalPmt->text(), 0)) + "</Total>"
          << "<Tax>" + Decimal(TextAsDouble(payments_->txtTax->text(), 0)) + "</Tax>"
          << "<NetPmt>" + Decimal(TextAsDouble(payments_->txtNetPmt->text(), 0)) + "</NetPmt>"
          << "<ReceiptLineItems>" << payments_->xmlLines() << "</ReceiptLineItems>"
          << "</Receipt>";
    }
    x << "</Document>" << "</Kovrin>";
    return JoinLines(x);
}

void InvoiceForm::createByArguments() {
    RunStepped(s(handler("cmdOK_Click")).c_str(), [&](int& step) {
        step = 10;
        validate(false);
        step = 20;
        const int32_t customer = TrailingNumber(lstCustomers_);
        const int32_t trxCode = TrailingNumber(lstTrxCodes_);
        const kovrin::Date date = ToDate(datInvoiceDate_);
        const std::string comments = s(txtComments_->text()), details = s(txtDetails_->text());
        const double percent = TextAsDouble(txtRebatePercent_->text(), 0);
        const kovrin::Currency amount = ToCurrency(txtRebateNIS_->text());
        const bool round = chkRound_->isChecked();
        const double vat = TextAsDouble(txtVAT_->text(), 0);
        const bool chargeVat = chkVAT_->isChecked();
        const kovrin::Variant lines = lineItems();
        kovrin::Currency total, net;
        kovrin::Currency tax;
        kovrin::Variant receiptLines;
        if (payments_) {
            total = ToCur(payments_->txtTotalPmt->text());
            tax = ToCur(payments_->txtTax->text());
            net = ToCur(payments_->txtNetPmt->text());
            receiptLines = payments_->lineItems();
        }
        step = 30;
        auto k = NewKovrin();
        step = 40;
        // The arguments every invoice kind starts with; the rest depend on the kind.
        LateBound::Args args{customer, date, comments, percent, amount, round, vat, chargeVat, details, trxCode};
        const char* operation = "CreateInvoice";
        switch (kind_) {
        case InvoiceKind::Invoice:
        case InvoiceKind::Itemised:
            args.insert(args.end(),
                        {static_cast<int32_t>(kind_ == InvoiceKind::Itemised ? kovrin::InvoiceTypes::INVOICE_TYPE_W
                                                                            : kovrin::InvoiceTypes::INVOICE_TYPE_STD),
                         lines,
                         datDueDate_ ? std::optional<kovrin::Variant>(ToDate(datDueDate_)) : std::nullopt});
            break;
        case InvoiceKind::Iska:
            operation = "CreateInvoiceIska";
            args.insert(args.end(), {static_cast<int32_t>(kovrin::InvoiceTypes::INVOICE_TYPE_STD), lines,
                                     ToDate(datDueDate_)});
            break;
        case InvoiceKind::Zikui:
            operation = "CreateInvoiceZikui";
            args.insert(args.end(), {1, lines});
            break;
        case InvoiceKind::InvoiceKabala:
            operation = "CreateInvoiceKabala";
            args.insert(args.end(), {lines, total, tax, net, receiptLines});
            break;
        }
        const int32_t number = kovrin::CLng(k->Call(operation, std::move(args)));
        step = 50;
        created(number, QString::fromUtf8(info_.createdWord));
    });
}

void InvoiceForm::createByXml() {
    RunStepped(s(handler("cmdOKXML_Click")).c_str(), [&](int& step) {
        step = 10;
        validate(true);
        step = 20;
        const std::string text = s(xml());
        step = 30;
        auto k = NewKovrin();
        step = 40;
        int32_t number = 0;
        switch (kind_) {
        case InvoiceKind::Zikui: number = kovrin::CLng(k->Call("CreateInvoiceZikuiXML", {text})); break;
        case InvoiceKind::InvoiceKabala: number = kovrin::CLng(k->Call("CreateInvoiceKabalaXML", {text})); break;
        default: number = kovrin::CLng(k->Call("CreateInvoiceXML", {text})); break;
        }
        step = 50;
        created(number, QStringLiteral("חשבונית "));
    });
}

void InvoiceForm::created(int32_t number, const QString& word) {
    createdNumber_ = number;
    ShowInfo(word + QString::number(number) + QStringLiteral(" נוצרה בהצלחה."));
    cmdOpenInvoice_->setText(QStringLiteral("הצג חשבונית ") + QString::number(number));
    cmdOpenInvoice_->setVisible(true);
}

void InvoiceForm::openCreated() {
    RunStepped(s(handler("cmdOpenInvoice_Click")).c_str(), [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        switch (kind_) {
        case InvoiceKind::Iska: k->Call("DisplayInvoiceIska", {createdNumber_}); break;
        case InvoiceKind::Zikui: k->Call("DisplayInvoiceZikui", {createdNumber_}); break;
        case InvoiceKind::InvoiceKabala: k->Call("DisplayInvoiceKabala", {createdNumber_}); break;
        default: k->Call("DisplayInvoice", {createdNumber_}); break;
        }
        close();
    });
}

}  // namespace

QWidget* NewInvoiceForm(InvoiceKind kind, QWidget* parent) { return new InvoiceForm(kind, parent); }

}  // namespace demo
