#include "DemoUtils.h"


#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

namespace demo {

namespace {

void showBox(BoxKind kind, const QString& title, const QString& text) {
    QMessageBox box(kind == BoxKind::Error  ? QMessageBox::Critical
                    : kind == BoxKind::Info ? QMessageBox::Information
                                            : QMessageBox::NoIcon,
                    title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.setLayoutDirection(Qt::RightToLeft);
    box.exec();
}

bool askBox(const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setLayoutDirection(Qt::RightToLeft);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> inputBox(const QString& prompt, const QString& defaultText) {
    QInputDialog box(QApplication::activeWindow());
    box.setLayoutDirection(Qt::RightToLeft);
    box.setWindowTitle(kTitle);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    if (box.exec() != QDialog::Accepted) return std::nullopt;
    return box.textValue();
}

const std::string kSettingsRoot = "Software\\VB and VBA Program Settings\\Kovrin API Demo\\";

}  // namespace

Dialogs& dialogs() {
    static Dialogs d{showBox, askBox, inputBox};
    return d;
}

void ShowInfo(const QString& text) { dialogs().message(BoxKind::Info, kTitle, text); }
void ShowError(const QString& text) {
    dialogs().message(BoxKind::Error, QStringLiteral("שגיאה בקוברין API"), text);
}
void ShowPlain(const QString& text) { dialogs().message(BoxKind::Plain, kTitle, text); }
void ShowErrorParts(int32_t number, const QString& source, const QString& description) {
    ShowError("Error " + QString::number(number) + " in " + source + ": " + description);
}
std::optional<QString> InputBox(const QString& prompt, const QString& defaultText) {
    return dialogs().input(prompt, defaultText);
}
bool AskYesNo(const QString& text) { return dialogs().ask(text); }

Settings& settings() {
    static Settings s;
    return s;
}

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue) {
    LateBound reg("KovrinAPI.clsRegistry");
    return q(reg.Call("GetValue", {reg.Call("HKEY_CURRENT_USER"), kSettingsRoot + s(section), s(key), s(defaultValue)}));
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
    LateBound reg("KovrinAPI.clsRegistry");
    reg.Call("SaveValue", {reg.Call("HKEY_CURRENT_USER"), kSettingsRoot + s(section), s(key), s(value)});
}

kovrin::Error CaughtError() {
    try {
        throw;
    } catch (const kovrin::Error& e) {
        return e;
    } catch (const std::exception& e) {
        return kovrin::Error(kovrin::err::InvalidCall, e.what(), "KovrinAPIDemo32");
    }
}

void RunStepped(const char* handler, const std::function<void(int& step)>& body) {
    int step = 0;
    try {
        body(step);
    } catch (const Refused& r) {
        ShowError(r.message);
    } catch (...) {
        const kovrin::Error e = CaughtError();
        ShowError("Error " + QString::number(e.number()) + " in " + handler + "[" + QString::number(step) + "]\\" +
                  q(e.source()) + ": " + q(e.description()));
    }
}

void Run(const std::function<void()>& body) {
    try {
        body();
    } catch (const Refused& r) {
        ShowError(r.message);
    } catch (...) {
        const kovrin::Error e = CaughtError();
        ShowErrorParts(e.number(), q(e.source()), q(e.description()));
    }
}

QString StatusName(int32_t status) {
    switch (status) {
    case 0: return QStringLiteral("פתוח");
    case 2: return QStringLiteral("נעול");
    case 3: return QStringLiteral("מבוטל");
    default: return QString::number(status);
    }
}

QString DemoXMLDate(const kovrin::Variant& value) {
    if (value.type() != kovrin::VarType::Date) return {};
    const auto t = kovrin::CDate(value).toCalendar();
    return QString::asprintf("%d-%02d-%02d", t.year, t.month, t.day);
}

QString ZeroPad(long number, int width) {
    const QString digits = QString::number(number);
    const int pad = std::min(9, width - static_cast<int>(digits.size()));
    return pad > 0 ? QString(pad, '0') + digits : digits;
}

kovrin::Currency ToCurrency(const QString& value) {
    const kovrin::Variant v(s(value));
    if (value.isEmpty() || !kovrin::IsNumeric(v)) return {};
    return kovrin::CCur(v);
}

double TextAsDouble(const QString& text, double fallback) { return text.isEmpty() ? fallback : ToDouble(text); }

QString XMLEscape(const QString& text) {
    QString out = text;
    out.replace("&", "&amp;").replace(">", "&gt;").replace("<", "&lt;");
    return out;
}

int32_t ToLong(const QString& text) { return kovrin::CLng(kovrin::Variant(s(text.trimmed()))); }
double ToDouble(const QString& text) { return kovrin::CDbl(kovrin::Variant(s(text.trimmed()))); }
kovrin::Currency ToCur(const QString& text) { return kovrin::CCur(kovrin::Variant(s(text.trimmed()))); }

kovrin::Date ToDate(const QDateEdit* box) {
    const QDate d = box->date();
    return kovrin::Date::fromCalendar(d.year(), d.month(), d.day());
}

QString Decimal(double value) { return q(kovrin::toText(value)); }

QString Money(kovrin::Currency value) { return QString::number(value.toDouble(), 'f', 2); }

QString DateText(kovrin::Date value) { return value.isZero() ? QString() : q(value.shortDate()); }

int32_t TrailingNumber(const QComboBox* list) {
    if (list->currentIndex() < 0 || list->currentText().isEmpty()) return 0;
    return ToLong(list->currentText().section('-', -1));
}

void FillPairs(QComboBox* list, const kovrin::Variant& pairs, bool withNone) {
    list->clear();
    if (withNone) list->addItem(QString(), 0);
    if (!pairs.isArray()) return;
    const auto& a = pairs.array();
    if (a.dimensions() != 2) return;
    for (long r = a.lbound(1); r <= a.ubound(1); ++r)
        list->addItem(q(kovrin::CStr(a(r, 1))), kovrin::CLng(a(r, 0)));
}

void PrepareWindow(QWidget* w, const QString& objectName, const QString& caption) {
    w->setObjectName(objectName);
    w->setWindowTitle(caption);
    w->setLayoutDirection(Qt::RightToLeft);
    w->setAttribute(Qt::WA_DeleteOnClose);
}

QLineEdit* MakeLine(QWidget* parent, const QString& name, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    return e;
}

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace demo
