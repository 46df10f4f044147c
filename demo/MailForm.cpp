// The mail form: a plain mail, or a document printed to PDF and mailed. The boxes keep what was
// typed in the per-user settings between runs.
#include "EntryCommon.h"
#include "Forms.h"
#include "LateBound.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace demo {

namespace {

const char* const kBoxes[] = {"txtSubject", "txtFrom",     "txtFromName", "txtTo",           "txtCC",
                              "txtMailServer", "txtUserName", "txtPassword", "txtInvoiceNumber", "txtPDFTimeout"};

class MailForm : public QDialog {
public:
    MailForm(bool document, QWidget* parent);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QString text(const char* name) const { return findChild<QLineEdit*>(name)->text(); }
    std::string str(const char* name) const { return s(text(name)); }
    std::unique_ptr<LateBound> mailer() const;
    void send(bool document);
    QPlainTextEdit* txtBody_;
};

MailForm::MailForm(bool document, QWidget* parent) : QDialog(parent) {
    PrepareWindow(this, "frmSendMail", QStringLiteral("שלח מייל"));
    const std::pair<const char*, QString> labels[] = {
        {"txtSubject", QStringLiteral("נושא:")},
        {"txtFrom", QStringLiteral("מאת (כתובת):")},
        {"txtFromName", QStringLiteral("מאת (שם):")},
        {"txtTo", QStringLiteral("אל:")},
        {"txtCC", QStringLiteral("העתק:")},
        {"txtMailServer", QStringLiteral("שרת דואר:")},
        {"txtUserName", QStringLiteral("שם משתמש:")},
        {"txtPassword", QStringLiteral("סיסמה:")},
        {"txtInvoiceNumber", QStringLiteral("חשבונית:")},
        {"txtPDFTimeout", QStringLiteral("המתן למדפסת (מילי שניות):")},
    };
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& [name, caption] : labels) {
        auto* box = MakeLine(this, name, GetSetting("SendMail", name, QString(name) == "txtPDFTimeout" ? "10000" : ""));
        auto* label = new QLabel(caption, this);
        label->setObjectName(QString("lbl") + (name + 3));
        grid->addWidget(label, row, 0);
        grid->addWidget(box, row, 1);
        if (QString(name) == "txtTo" || QString(name) == "txtCC")
            box->setToolTip(QStringLiteral("השתמש בפסיק להפריד בין הכתובות"));
        if (QString(name) == "txtPassword") box->setEchoMode(QLineEdit::Password);
        if (QString(name) == "txtMailServer") box->setPlaceholderText("smtp.example.co.il:587");
        // Plain-mail mode has no document number.
        if (QString(name) == "txtInvoiceNumber") {
            box->setVisible(document);
            label->setVisible(document);
        }
        ++row;
    }
    txtBody_ = new QPlainTextEdit(GetSetting("SendMail", "txtBody", ""), this);
    txtBody_->setObjectName("txtBody");
    grid->addWidget(new QLabel(QStringLiteral("תוכן:"), this), row, 0, Qt::AlignTop);
    grid->addWidget(txtBody_, row, 1);

    auto* cmdSend = new QPushButton(QStringLiteral("שלח מייל"), this);
    cmdSend->setObjectName("cmdSend");
    cmdSend->setVisible(!document);
    auto* cmdSendInvoice = new QPushButton(QStringLiteral("שלח חשבונית"), this);
    cmdSendInvoice->setObjectName("cmdSendInvoice");
    cmdSendInvoice->setVisible(document);
    auto* cmdClose = new QPushButton(QStringLiteral("יציאה"), this);
    cmdClose->setObjectName("cmdClose");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdSend);
    buttons->addWidget(cmdSendInvoice);
    buttons->addStretch();
    buttons->addWidget(cmdClose);
    connect(cmdSend, &QPushButton::clicked, this, [this] { send(false); });
    connect(cmdSendInvoice, &QPushButton::clicked, this, [this] { send(true); });
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addLayout(buttons);
    resize(520, sizeHint().height());
}

std::unique_ptr<LateBound> MailForm::mailer() const {
    auto k = std::make_unique<LateBound>("KovrinAPI.Kovrin");
    k->Put("KovrinPath", s(settings().kovrinPath));
    k->Put("DebugMode", settings().debug);
    k->Put("MailServer", str("txtMailServer"));
    k->Put("MailServerUserName", str("txtUserName"));
    k->Put("MailServerPassword", str("txtPassword"));
    return k;
}

void MailForm::send(bool document) {
    RunStepped(document ? "frmSendMail.cmdSendInvoice_Click" : "frmSendMail.cmdSend_Click", [&](int& step) {
        step = 10;
        if (text("txtSubject").isEmpty()) throw Refused{QStringLiteral("חובה להכניס נושא")};
        if (text("txtTo").isEmpty()) throw Refused{QStringLiteral("חובה להכניס מייל")};
        if (document && text("txtInvoiceNumber").isEmpty()) throw Refused{QStringLiteral("חובה להכניס מספר חשבונית")};
        const int32_t number = document ? ToLong(text("txtInvoiceNumber")) : 0;
        const double timeout = document ? ToDouble(text("txtPDFTimeout")) : 0;
        step = 20;
        auto k = mailer();
        step = 30;
        if (document) {
            BusyCursor busy;
            k->Put("PDFTimeout", timeout);
            k->Call("SendDocByMail", {number, static_cast<int32_t>(kovrin::ObjectType::Invoice), str("txtSubject"),
                                      str("txtFrom"), str("txtFromName"), str("txtTo"), str("txtCC"), "",
                                      s(txtBody_->toPlainText())});
        } else {
            BusyCursor busy;
            k->Call("SendMail", {str("txtSubject"), str("txtFrom"), str("txtFromName"), str("txtTo"), str("txtCC"), "",
                                 s(txtBody_->toPlainText())});
        }
        step = 40;
        ShowInfo(document ? QStringLiteral("החשבונית נשלחה בהצלחה") : QStringLiteral("המייל נשלח בהצלחה"));
    });
}

void MailForm::closeEvent(QCloseEvent* event) {
    Run([&] {
        for (const char* name : kBoxes) SaveSetting("SendMail", name, text(name));
        SaveSetting("SendMail", "txtBody", txtBody_->toPlainText());
    });
    QDialog::closeEvent(event);
}

}  // namespace

QWidget* NewMailForm(bool document, QWidget* parent) { return new MailForm(document, parent); }

}  // namespace demo
