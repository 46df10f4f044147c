#include "EntryCommon.h"


#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace demo {

std::vector<kovrin::Variant> FillCustomers(QComboBox* list, LateBound& k, const QString& noneMessage) {
    list->clear();
    auto customers = Elements(k.Call("GetCustomers"));
    if (customers.empty()) throw kovrin::Error(1040, s(noneMessage), "KovrinAPIDemo32");
    for (const auto& c : customers) list->addItem(q(Property(c, "BusinessName")) + " - " + q(Property(c, "CustomersID")));
    list->setCurrentIndex(-1);
    return customers;
}

void FillTrxCodes(QComboBox* list, LateBound& k) {
    list->clear();
    for (const auto& c : Elements(k.Call("GetTrxCodes")))
        if (kovrin::CLng(Property(c, "PLCodesID")) == 1)
            list->addItem(q(Property(c, "TrxCodeDescription")) + " - " + q(Property(c, "TrxCodesID")));
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

QComboBox* CurrencyList(QWidget* parent, const QString& name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems({"NIS", "USD", "EUR", "JPY"});
    return c;
}

QString JoinLines(const QStringList& lines) { return lines.join("\r\n"); }
QString TrueFalse(bool b) { return b ? "True" : "False"; }

Payments::Payments(QWidget* parent, QGridLayout* grid, int row, LateBound& k) {
    const kovrin::Variant banks = k.Call("GetBanks");
    const kovrin::Variant types = k.Call("GetPaymentTypes");
    txtTotalPmt = MakeLine(parent, "txtTotalPmt", "0.00");
    txtTax = MakeLine(parent, "txtTax", "0.00");
    txtNetPmt = MakeLine(parent, "txtNetPmt", "0.00");
    auto* totals = new QHBoxLayout;
    for (auto [label, box] : {std::pair{QStringLiteral("סה\"כ תשלום:"), txtTotalPmt},
                              std::pair{QStringLiteral("ניכוי במקור:"), txtTax},
                              std::pair{QStringLiteral("תשלום נטו:"), txtNetPmt}}) {
        totals->addWidget(new QLabel(label, parent));
        totals->addWidget(box);
    }
    grid->addLayout(totals, row++, 0, 1, 7);
    const QStringList heads = {QStringLiteral("סוג תשלום"), QStringLiteral("סכום"),     QStringLiteral("בנק"),
                               QStringLiteral("סניף"),     QStringLiteral("חשבון"),    QStringLiteral("מס' שיק"),
                               QStringLiteral("תאריך פרעון")};
    for (int c = 0; c < heads.size(); ++c) grid->addWidget(new QLabel(heads[c], parent), row, c);
    ++row;
    for (int i = 0; i < 3; ++i, ++row) {
        const QString n = QString::number(i);
        PaymentRow r{MakeLine(parent, "txtAccount" + n), MakeLine(parent, "txtAmount" + n, "0.00"),
                     new QComboBox(parent), MakeLine(parent, "txtBranch" + n), MakeLine(parent, "txtCheck" + n),
                     MakeLine(parent, "txtCheckDate" + n), new QComboBox(parent)};
        r.bank->setObjectName("lstBanks" + n);
        r.pmtType->setObjectName("lstPmtTypes" + n);
        FillPairs(r.bank, banks, true);
        FillPairs(r.pmtType, types, false);
        r.checkDate->setPlaceholderText("dd/mm/yyyy");
        r.checkDate->setLayoutDirection(Qt::LeftToRight);
        r.checkDate->setMinimumWidth(100);
        r.amount->setMinimumWidth(80);  // room for amounts in the thousands
        QWidget* cells[] = {r.pmtType, r.amount, r.bank, r.branch, r.account, r.check, r.checkDate};
        for (int c = 0; c < 7; ++c) grid->addWidget(cells[c], row, c);
        QObject::connect(r.amount, &QLineEdit::textEdited, parent, [this] { recompute(); });
        rows.push_back(r);
    }
    QObject::connect(txtTax, &QLineEdit::textEdited, parent, [this] { recompute(); });
}

void Payments::recompute() {
    kovrin::Currency sum;
    for (const auto& r : rows) sum += ToCurrency(r.amount->text());
    txtNetPmt->setText(Money(sum));
    txtTotalPmt->setText(Money(sum + ToCurrency(txtTax->text())));
}

kovrin::Variant Payments::lineItems() const {
    std::vector<std::shared_ptr<LateBound>> items;
    for (const auto& r : rows) {
        const kovrin::Currency amount = ToCurrency(r.amount->text());
        if (amount <= kovrin::Currency()) continue;
        auto item = std::make_shared<LateBound>("KovrinAPI.ReceiptLineItem");
        item->Put("AccountNumber", s(r.account->text()));
        item->Put("Amount", amount);
        item->Put("Bank", r.bank->currentData().toInt());
        item->Put("Branch", s(r.branch->text()));
        item->Put("Check", s(r.check->text()));
        if (!r.checkDate->text().trimmed().isEmpty())
            item->Put("CheckDate", kovrin::Date::parse(s(r.checkDate->text().trimmed())));
        item->Put("PaymentTypesID", r.pmtType->currentData().toInt());
        items.push_back(item);
    }
    if (items.empty()) return {};
    kovrin::VariantArray a(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) a(static_cast<long>(i)) = kovrin::Variant(items[i]);
    return kovrin::Variant(std::move(a));
}

QStringList Payments::xmlLines() const {
    QStringList out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PaymentRow& r = rows[i];
        const kovrin::Currency amount = ToCurrency(r.amount->text());
        if (amount <= kovrin::Currency()) continue;
        kovrin::Variant checkDate;
        if (!r.checkDate->text().trimmed().isEmpty())
            checkDate = kovrin::Variant(kovrin::Date::parse(s(r.checkDate->text().trimmed())));
        const int bank = r.bank->currentData().toInt();
        out << "<ReceiptLineItem number=\"" + QString::number(i + 1) + "\">"
            << "<AccountNumber>" + XMLEscape(r.account->text()) + "</AccountNumber>"
            << "<Amount>" + Decimal(amount.toDouble()) + "</Amount>"
            << (bank ? "<Bank>" + QString::number(bank) + "</Bank>" : QString("<Bank></Bank>"))
            << "<Branch>" + XMLEscape(r.branch->text()) + "</Branch>"
            << "<Check>" + XMLEscape(r.check->text()) + "</Check>"
            << "<CheckDate>" + DemoXMLDate(checkDate) + "</CheckDate>"
            << "<PaymentTypesID>" + QString::number(r.pmtType->currentData().toInt()) + "</PaymentTypesID>"
            << "</ReceiptLineItem>";
    }
    return out;
}

}  // namespace demo
