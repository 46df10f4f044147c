#include "api/core/modUtils.h"

#include <array>
#include <cstdlib>
#include <utility>


#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Procedure.h>
#include <KovrinAPI/runtime/Text.h>

namespace kovrin::modUtils {

namespace {

// Currency names and the symbols the bookkeeping database stores for them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> NameToSymbol{{
    {"NIS", "₪"},
    {"USD", "$"},
    {"GBP", "£"},
    {"EUR", "€"},
    {"JPY", "¥"},
    {"NZD", "NZ $"},
    {"AUD", "AUS $"},
    {"CAD", "CAD $"},
}};

// The reverse table: also the two Hebrew abbreviations of the shekel.
constexpr std::array<std::pair<std::string_view, std::string_view>, 10> SymbolToName{{
    {"₪", "NIS"},
    {"שח", "NIS"},
    {"ש\"ח", "NIS"},
    {"$", "USD"},
    {"£", "GBP"},
    {"€", "EUR"},
    {"¥", "JPY"},
    {"NZ $", "NZD"},
    {"AUS $", "AUD"},
    {"CAD $", "CAD"},
}};

constexpr std::string_view ZeroSupply = "0000000000000000000000000000000000";  // 34 zeros

}  // namespace

std::string SqlStr(std::string_view text, int32_t maxLen) {
    if (text.empty()) return "NULL";
    std::string quoted = text::replaceAll(text, "'", "''");
    if (maxLen > 0) {
        quoted = text::left(quoted, static_cast<std::size_t>(maxLen));
        // Quotes only come in pairs after doubling, so an odd run at the end is a pair cut in two;
        // its lone first half would close the literal early.
        std::size_t run = quoted.size() - (quoted.find_last_not_of('\'') + 1);
        if (run % 2 == 1) quoted.pop_back();
    }
    return "'" + quoted + "'";
}

std::string SqlLong(int32_t value) { return value == 0 ? "NULL" : std::to_string(value); }

int32_t BoolToLong(bool flag) { return flag ? 1 : 0; }

std::string SqlDate(Date value) {
    if (value.isZero()) return "NULL";
    // "#mm/dd/yyyy hh:nn#", written by hand: a lookup by date builds one per call, and fmt took
    // longer than the rest of the text.
    const CalendarTime t = value.toCalendar();
    std::string out = "#00/00/0000 00:00#";
    auto put = [&](int number, std::size_t end) {
        for (std::size_t at = end; number > 0; number /= 10) out[--at] = static_cast<char>('0' + number % 10);
    };
    put(t.month, 3);
    put(t.day, 6);
    put(t.year, 11);
    put(t.hour, 14);
    put(t.minute, 17);
    return out;
}

double Frac(Currency amount) {
    return passOn("modUtils.Frac", [&](Line& line) {
        line(10);
        return static_cast<double>(amount.scaled() % Currency::Scale) / Currency::Scale;
    });
}

std::string Field(std::string_view text, int32_t width) {
    return passOn("modUtils.Field", [&](Line& line) -> std::string {
        line(10);
        if (static_cast<int64_t>(text::length(text)) > width) return std::string(text);
        return text::right(std::string(ZeroSupply).append(text), static_cast<std::size_t>(width));
    });
}

Variant MyNz(const Variant& value, const Variant& defaultValue) {
    return passOn("modUtils.MyNz", [&](Line& line) {
        line(10);
        return value.isNull() ? defaultValue : value;
    });
}

Currency VarToCurrency(const Variant& value) {
    if (value.isNull() || value.isEmpty() || !IsNumeric(value) || CStr(value).empty()) return Currency();
    return CCur(value);
}

std::string CXMLDate(const Variant& value) {
    return passOn("modUtils.CXMLDate", [&](Line& line) -> std::string {
        line(10);
        if (!IsDate(value)) return {};
        line(20);
        CalendarTime t = CDate(value).toCalendar();
        return std::to_string(t.year) + "-" + Field(std::to_string(t.month), 2) + "-" + Field(std::to_string(t.day), 2) +
               "T" + Field(std::to_string(t.hour), 2) + ":" + Field(std::to_string(t.minute), 2) + ":" +
               Field(std::to_string(t.second), 2);
    });
}

Date XMLDateToDate(std::string_view text) {
    if (text.empty()) return Date();
    // Only the first two pieces between capital T's count; a fraction of seconds is dropped.
    std::size_t t = text.find('T');
    if (t == std::string_view::npos) return Date::parse(text);
    std::string_view datePart = text.substr(0, t);
    std::string_view rest = text.substr(t + 1);
    std::string_view timePart = rest.substr(0, std::min(rest.find('T'), rest.find('.')));
    return Date::parse(std::string(datePart) + " " + std::string(timePart));
}

Variant GetNode(const xml::Document& doc, std::string_view tag, const std::optional<Variant>& defaultValue) {
    return passOn("modUtils.GetNode", [&](Line& line) {
        line(10);
        Variant result = std::string();
        line(20);
        std::vector<xml::Node> found = doc.getElementsByTagName(tag);
        line(30);
        if (!found.empty()) {
            line(40);
            std::string text = found.front().text();
            line(50);
            result = text.empty() && defaultValue ? *defaultValue : Variant(std::move(text));
        } else if (defaultValue) {
            line(60);
            result = *defaultValue;
        }
        return result;
    });
}

Variant GetNode2(const xml::Node& node, std::string_view path, const std::optional<Variant>& defaultValue) {
    return passOn("modUtils.GetNode2", [&](Line& line) {
        line(10);
        xml::Node found = node.selectSingleNode(path);
        line(20);
        if (!found) return Variant();
        line(30);
        std::string text = found.text();
        line(40);
        return text.empty() && defaultValue ? *defaultValue : Variant(std::move(text));
    });
}

std::string CurrencyNameToSymbol(const Variant& name) {
    return passOn("modUtils.CurrencyNameToSymbol", [&](Line& line) -> std::string {
        line(10);
        // Null is no name in the table; as text it adds nothing to the message.
        std::string given = name.isNull() ? std::string() : CStr(name);
        std::string key = text::trim(given);
        for (const auto& [currency, symbol] : NameToSymbol)
            if (key == currency) return std::string(symbol);
        raiseError(UnknownCurrency, "Unknown currency: " + given);
    });
}

std::string CurrencySymbolToName(const Variant& symbol) {
    return passOn("modUtils.CurrencySymbolToName", [&](Line& line) -> std::string {
        line(10);
        std::string given = CStr(symbol);  // Null: error 94
        std::string key = text::trim(given);
        if (key.empty()) return "NIS";
        line(20);
        for (const auto& [sym, currency] : SymbolToName)
            if (key == sym) return std::string(currency);
        return given;
    });
}

std::string GetTempDir() {
    const char* dir = std::getenv("TMPDIR");
    std::string out = dir != nullptr && *dir != '\0' ? dir : "/tmp/";
    if (out.back() != '/') out += '/';
    return out;
}

}  // namespace kovrin::modUtils
