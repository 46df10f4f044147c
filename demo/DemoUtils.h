// Shared procedures of the demo: message and input boxes (behind a seam that tests replace), the
// run-wide settings, the standard library set-up before a call, error reporting and the small
// conversions every form uses.
#pragma once

#include <KovrinAPI/Enums.h>
#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Variant.h>

#include <QString>

#include "LateBound.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QWidget;
class QComboBox;
class QDateEdit;
class QLineEdit;

namespace demo {

// ---- boxes -------------------------------------------------------------------------------------
enum class BoxKind { Plain, Info, Error };

// Every box the demo shows goes through these, so tests read the texts without a modal loop.
struct Dialogs {
    std::function<void(BoxKind, const QString& title, const QString& text)> message;
    std::function<bool(const QString& text)> ask;  // yes/no
    // The answer, or nothing when cancelled.
    std::function<std::optional<QString>(const QString& prompt, const QString& defaultText)> input;
};
Dialogs& dialogs();

inline const QString kTitle = QStringLiteral("קוברין");

void ShowInfo(const QString& text);
void ShowError(const QString& text);
void ShowPlain(const QString& text);
void ShowErrorParts(int32_t number, const QString& source, const QString& description);
std::optional<QString> InputBox(const QString& prompt, const QString& defaultText = {});
bool AskYesNo(const QString& text);

// ---- run-wide settings ---------------------------------------------------------------------------
struct Settings {
    QString kovrinPath;
    QString accessPath;
    int32_t businessId = 1;
    bool debug = false;
    double vatFraction = 0;  // 0.18 for 18%
};
Settings& settings();


// The per-user application settings store of application "Kovrin API Demo".
QString GetSetting(const QString& section, const QString& key, const QString& defaultValue);
void SaveSetting(const QString& section, const QString& key, const QString& value);

// ---- error reporting -----------------------------------------------------------------------------
// Runs a handler that numbers its steps; an error is shown as
// "Error N in <handler>[step]\<source>: <description>".
void RunStepped(const char* handler, const std::function<void(int& step)>& body);
// Runs a handler that does not number its steps; errors are shown in the ShowErrorParts form.
void Run(const std::function<void()>& body);
// The error of a caught exception (library errors as they are, anything else as error 5).
kovrin::Error CaughtError();

// A validation failure: shown as its text alone, nothing is sent to the library.
struct Refused {
    QString message;
};

// ---- conversions ---------------------------------------------------------------------------------
QString StatusName(int32_t status);
QString DemoXMLDate(const kovrin::Variant& value);
QString ZeroPad(long number, int width);
kovrin::Currency ToCurrency(const QString& value);
double TextAsDouble(const QString& text, double fallback);
QString XMLEscape(const QString& text);

inline QString q(const std::string& s) { return QString::fromStdString(s); }
// A value of the library as text, as CStr gives it.
inline QString q(const kovrin::Variant& v) { return QString::fromStdString(kovrin::CStr(v)); }
inline std::string s(const QString& text) { return text.toStdString(); }
// Library conversions of box texts: a text that is no number fails with "Type mismatch".
int32_t ToLong(const QString& text);
double ToDouble(const QString& text);
kovrin::Currency ToCur(const QString& text);
kovrin::Date ToDate(const QDateEdit* box);
QString Decimal(double value);                 // shortest decimal text, "." separator
QString Money(kovrin::Currency value);         // two decimals
QString DateText(kovrin::Date value);          // dd/mm/yyyy, empty for no date

// The number after the last "-" of a list entry ("Name - 12" gives 12); 0 when nothing is chosen.
int32_t TrailingNumber(const QComboBox* list);
// A two-column reference list (id, name) into a combo box: text "name", item data the id, with an
// empty first entry when `withNone`.
void FillPairs(QComboBox* list, const kovrin::Variant& pairs, bool withNone);

// A right-to-left top-level window of the demo.
void PrepareWindow(QWidget* w, const QString& objectName, const QString& caption);
QLineEdit* MakeLine(QWidget* parent, const QString& name, const QString& text = {});

}  // namespace demo

namespace demo {
// The hourglass while a long call runs; the normal pointer comes back however the call ends.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};
}  // namespace demo
