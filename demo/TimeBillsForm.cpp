// The time bills form: up to three rows, each a customer, a start and an end, a description and an
// hourly rate; every row with a customer becomes one time bill.
#include "EntryCommon.h"
#include "Forms.h"
#include "LateBound.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demo {

namespace {

const QString kFormat = "dd/MM/yy HH:mm";

// "dd/mm/yy HH:nn" with the year in this century; nothing when the text is no such time.
std::optional<QDateTime> ParseTime(const QString& text) {
    QDateTime t = QDateTime::fromString(text.trimmed(), kFormat);
    if (!t.isValid()) return std::nullopt;
    if (t.date().year() < 2000) t = t.addYears(100);
    return t;
}

kovrin::Date ToLibraryDate(const QDateTime& t) {
    return kovrin::Date::fromCalendar(t.date().year(), t.date().month(), t.date().day(), t.time().hour(),
                                      t.time().minute());
}

class TimeBillsForm : public QDialog {
public:
    explicit TimeBillsForm(QWidget* parent);

private:
    struct Row {
        QComboBox* customer;
        QLineEdit* start;
        QLineEdit* end;
        QLineEdit* description;
        QLineEdit* hours;
        QLineEdit* rate;
        QComboBox* currency;
    };
    void hoursChanged(Row& row);
    void create();
    std::vector<Row> rows_;
};

TimeBillsForm::TimeBillsForm(QWidget* parent) : QDialog(parent) {
    PrepareWindow(this, "frmTimeBills", QStringLiteral("טופס יצירת חיובי זמן"));
    auto* heading = new QLabel(QStringLiteral("טופס יצירת חיובי זמן"), this);
    QFont f = heading->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 3);
    heading->setFont(f);

    auto* grid = new QGridLayout;
    const QStringList heads = {QStringLiteral("לקוח"), QStringLiteral("התחלה"), QStringLiteral("סיום"),
                               QStringLiteral("תיאור"), QStringLiteral("שעות"), QStringLiteral("מחיר לשעה"),
                               QStringLiteral("מטבע")};
    for (int c = 0; c < heads.size(); ++c) grid->addWidget(new QLabel(heads[c], this), 0, c);
    const QStringList descriptions = {QStringLiteral("פגשת עבודה"), QStringLiteral("יעוץ עסקי"),
                                      QStringLiteral("הכנת תוכנית עבודה")};
    const QDateTime now = QDateTime::currentDateTime();
    rows_.reserve(3);
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i);
        auto* currency = CurrencyList(this, "lstCurrency" + n);
        currency->insertItem(0, QString());
        currency->setCurrentIndex(1);
        Row row{new QComboBox(this),
                MakeLine(this, "txtStart" + n, now.addSecs(3600 * (2 * i - 5)).toString(kFormat)),
                MakeLine(this, "txtEnd" + n, now.addSecs(3600 * (2 * i - 5) + 5400).toString(kFormat)),
                MakeLine(this, "txtDescription" + n, descriptions[i]),
                MakeLine(this, "txtHours" + n),
                MakeLine(this, "txtRate" + n),
                currency};
        row.customer->setObjectName("lstCustomers" + n);
        row.customer->setMinimumWidth(220);
        row.hours->setReadOnly(true);
        row.hours->setMaximumWidth(60);
        for (QLineEdit* e : {row.start, row.end}) {
            e->setLayoutDirection(Qt::LeftToRight);  // digits read left to right
            e->setMinimumWidth(130);
        }
        row.description->setMinimumWidth(170);
        QWidget* cells[] = {row.customer, row.start, row.end, row.description, row.hours, row.rate, row.currency};
        for (int c = 0; c < 7; ++c) grid->addWidget(cells[c], i + 1, c);
        rows_.push_back(row);
        Row& r = rows_.back();
        connect(r.start, &QLineEdit::textChanged, this, [this, i] { hoursChanged(rows_[i]); });
        connect(r.end, &QLineEdit::textChanged, this, [this, i] { hoursChanged(rows_[i]); });
        hoursChanged(r);
    }

    auto* buttons = new QHBoxLayout;
    auto* cmdOK = new QPushButton(QStringLiteral("צור חיובי זמן"), this);
    cmdOK->setObjectName("cmdOK");
    auto* cmdClose = new QPushButton(QStringLiteral("סגור"), this);
    cmdClose->setObjectName("cmdClose");
    buttons->addWidget(cmdOK);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    connect(cmdOK, &QPushButton::clicked, this, [this] { create(); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* top = new QVBoxLayout(this);
    top->addWidget(heading);
    top->addLayout(grid);
    top->addLayout(buttons);

    RunStepped("frmTimeBills.PopulateCustomers", [&](int& step) {
        step = 10;
        auto k = NewKovrin();
        step = 20;
        FillCustomers(rows_[0].customer, *k, QStringLiteral("יש ליצור לקוחות לפני שיוצרים חשבונית"));
        for (int i = 1; i < 3; ++i) {
            for (int j = 0; j < rows_[0].customer->count(); ++j) rows_[i].customer->addItem(rows_[0].customer->itemText(j));
            rows_[i].customer->setCurrentIndex(-1);
        }
    });
}

void TimeBillsForm::hoursChanged(Row& row) {
    const auto start = ParseTime(row.start->text());
    const auto end = ParseTime(row.end->text());
    if (start && end) row.hours->setText(Decimal(static_cast<double>(start->secsTo(*end) / 60) / 60));
}

void TimeBillsForm::create() {
    RunStepped("frmTimeBills.cmdOK_Click", [&](int& step) {
        step = 10;
        // Every row is checked before the first bill is written.
        std::vector<const Row*> filled;
        for (const Row& row : rows_)
            if (row.customer->currentIndex() >= 0) filled.push_back(&row);
        if (filled.empty()) throw Refused{QStringLiteral("חובה לבחור בלקוח")};
        for (const Row* row : filled) {
            if (row->description->text().trimmed().isEmpty()) throw Refused{QStringLiteral("חובה להכניס תיאור פריט")};
            if (row->rate->text().trimmed().isEmpty()) throw Refused{QStringLiteral("חובה להכניס מחיר פריט")};
            if (row->currency->currentText().isEmpty()) throw Refused{QStringLiteral("חובה לבחור במטבע")};
            if (!ParseTime(row->start->text()) || !ParseTime(row->end->text()))
                throw kovrin::Error(kovrin::err::TypeMismatch, "Type mismatch", "frmTimeBills.cmdOK_Click");
            ToCur(row->rate->text());  // a rate that is no number fails here, before anything is written
        }
        step = 20;
        const QString stamp = QDateTime::currentDateTime().toString("yyyyMMddHHmmsszzz");
        for (std::size_t i = 0; i < filled.size(); ++i) {
            const Row& row = *filled[i];
            auto k = NewKovrin();
            step = 30;
            k->Call("CreateTimeBill", {TrailingNumber(row.customer), ToLibraryDate(*ParseTime(row.start->text())),
                                       ToLibraryDate(*ParseTime(row.end->text())), s(row.description->text()),
                                       s("Appt" + stamp + "-" + QString::number(i + 1)), "", ToCur(row.rate->text()),
                                       s(row.currency->currentText())});
        }
        step = 40;
        ShowInfo(QStringLiteral("חיובי הזמן נוצרו בהצלחה"));
    });
}

}  // namespace

QWidget* NewTimeBillsForm(QWidget* parent) { return new TimeBillsForm(parent); }

}  // namespace demo
