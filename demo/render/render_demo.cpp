// Opens the main window and every form on the registered database, offscreen, and writes each
// window as a PNG into the folder given: the pictures used to review the layout.
#include "DemoUtils.h"
#include "MainWindow.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // Boxes are printed, not shown: the run needs no one to press OK.
    demo::dialogs().message = [](demo::BoxKind, const QString& title, const QString& text) {
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
    };
    demo::dialogs().ask = [](const QString&) { return false; };
    demo::dialogs().input = [](const QString&, const QString&) { return std::optional<QString>(); };

    demo::MainWindow main;
    if (!main.load()) return 1;
    main.show();
    QApplication::processEvents();
    main.grab().save(out.filePath("main-window.png"));

    const std::pair<const char*, const char*> forms[] = {
        {"cmdNewCustomer", "frmCustomer"},           {"cmdUpdateCustomer", "frmUpdateCustomer"},
        {"cmdInvoice", "frmInvoice"},                {"cmdInvoiceW", "frmInvoiceW"},
        {"cmdInvoiceIska", "frmInvoiceIska"},        {"cmdInvoiceZikui", "frmInvoiceZikui"},
        {"cmdInvoiceKabala", "frmInvoiceKabala"},    {"cmdReceipt", "frmReceipt"},
        {"cmdRefund", "frmRefund"},                  {"cmdTimeBills", "frmTimeBills"},
        {"cmdGetInvoice", "frmGetInvoiceByNumber"},  {"cmdGetInvoiceKabala", "frmGetInvoiceKabala"},
        {"cmdGetInvoicesXML", "frmInvoiceXML"},      {"cmdGetCustomersXML", "frmCustomersList"},
        {"cmdGetCustomersByForeignKey", "fromCustomerByForeignKey"},
        {"cmdGetCustomersByForeignKeyXML", "frmCustomerForeignKeyXML"},
        {"cmdPriceLists", "frmPriceList"},           {"cmdCustomerBalance", "frmCustomerBalance"},           {"cmdVat", "frmVAT"},
        {"cmdSendMail", "frmSendMail"},              {"cmdSendInvoice", "frmSendMail-document"},
    };
    for (const auto& [button, form] : forms) {
        main.findChild<QPushButton*>(button)->click();
        QApplication::processEvents();
        const QString name = QString(form).section('-', 0, 0);
        QWidget* w = main.findChild<QWidget*>(name);
        if (!w) {
            std::fprintf(stderr, "%s did not open\n", form);
            continue;
        }
        w->grab().save(out.filePath(QString(form) + ".png"));
        QPointer<QWidget> open(w);
        w->close();
        QApplication::processEvents();
        delete open.data();  // gone at once, so the next lookup finds the next window
    }
    return 0;
}
