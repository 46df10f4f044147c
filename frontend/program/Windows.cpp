#include "Windows.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <fmt/format.h>

#include <KovrinAPI/runtime/Error.h>

#include "DocumentPage.h"
#include "Log.h"
#include "Printing.h"

namespace kovrin::frontend::app {
namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

std::unique_ptr<QWidget> documentWindow(Store& store, const Document& document) {
    auto window = std::make_unique<QWidget>();
    window->setLayoutDirection(Qt::RightToLeft);
    window->setWindowTitle(QString("%1 %2 - %3").arg(QString::fromUtf8(document.kind->hebrewTitle)).arg(document.number).arg(q(document.businessName)));
    auto* layout = new QVBoxLayout(window.get());
    auto* page = new QTextBrowser;
    page->setHtml(documentPage(document, Language::Hebrew, Copy::None));
    layout->addWidget(page);

    auto* buttons = new QHBoxLayout;
    auto* print = new QPushButton(QString::fromUtf8("הדפסה"));
    auto* close = new QPushButton(QString::fromUtf8("סגירה"));
    buttons->addWidget(print);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    QObject::connect(close, &QPushButton::clicked, window.get(), &QWidget::close);
    QWidget* parent = window.get();
    QObject::connect(print, &QPushButton::clicked, parent, [&store, document, parent] {
        try {
            printDocument(store, document, Language::Hebrew);
        } catch (const Error& e) {
            log(fmt::format("{} (error {})", e.description(), e.number()));
            QMessageBox::critical(parent, QString::fromUtf8("הדפסה"), q(e.description()));
        }
    });
    window->resize(820, 1000);
    return window;
}

std::unique_ptr<QWidget> startWindow(Store& store, int business) {
    auto window = std::make_unique<QWidget>();
    window->setLayoutDirection(Qt::RightToLeft);
    window->setWindowTitle(QString::fromUtf8("קוברין"));
    auto* layout = new QVBoxLayout(window.get());

    std::string name, number;
    if (auto b = store.first("SELECT vcBusinessName, vcמספרעוסקמורשה AS vcNumber FROM BusinessDetails WHERE iBusinessID = ?",
                             {int64_t{business}})) {
        name = b->text("vcBusinessName");
        number = b->text("vcNumber");
    }
    auto* title = new QLabel(QString("<span style=\"font-size:15pt; font-weight:bold\">%1</span><br/>%2 %3")
                                 .arg(q(name).toHtmlEscaped(), QString::fromUtf8("עוסק מורשה"), q(number).toHtmlEscaped()));
    layout->addWidget(title);
    // The path is left-to-right text inside a right-to-left line: embedded so its slashes stay put.
    auto* file = new QLabel(QString::fromUtf8("קובץ הנתונים: ") + QChar(0x202A) +
                            q(store.onServer() ? store.name() : std::filesystem::absolute(store.path()).string()) + QChar(0x202C));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(file);
    layout->addWidget(new QLabel(QString::fromUtf8("מסמכים אחרונים")));

    // The latest documents of every kind, newest first.
    std::string sql;
    std::size_t parts = 0;  // the business is bound once per part: a server numbers its placeholders in order
    for (const DocumentKind& k : documents::Kinds) {
        if (!k.stored()) continue;
        ++parts;
        sql += fmt::format("{}SELECT {} AS iKind, {} AS iNumber, datxDate, vcBusinessName, {} AS curAmount FROM {} "
                           "WHERE iBusinessID = ?",
                           sql.empty() ? "" : " UNION ALL ", k.number(), k.numberColumn,
                           k.isInvoice() ? "curGrandTotal" : "curTotal", k.header);
    }
    const auto rows = store.query(sql + " ORDER BY datxDate DESC, iNumber DESC LIMIT 30",
                                 std::vector<Param>(parts, Param(int64_t{business})));
    auto* table = new QTableWidget(static_cast<int>(rows.size()), 5);
    table->setHorizontalHeaderLabels({QString::fromUtf8("מסמך"), QString::fromUtf8("מספר"), QString::fromUtf8("תאריך"),
                                      QString::fromUtf8("לקוח"), QString::fromUtf8("סכום")});
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& row = rows[r];
        const QString cells[] = {QString::fromUtf8(documents::findKind(static_cast<int32_t>(row.integer("iKind")))->hebrewTitle),
                                 q(row.text("iNumber")), q(shortDate(row.text("datxDate"))),
                                 q(row.text("vcBusinessName")), money(row.number("curAmount"))};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 1 || c == 4) item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            table->setItem(r, c, item);
        }
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table->resizeColumnsToContents();
    layout->addWidget(table);
    window->resize(760, 520);
    return window;
}

}  // namespace kovrin::frontend::app
