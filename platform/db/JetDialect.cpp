#include "platform/db/JetDialect.h"

#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Date.h>
#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "platform/db/Errors.h"

namespace kovrin::db {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool isWordByte(char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c >= 0x80;  // every byte of a UTF-8 letter (Hebrew names) belongs to the word
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::size_t skipBlanks(std::string_view s, std::size_t i) {
    while (i < s.size() && isBlank(s[i])) ++i;
    return i;
}

// The word starting at i (empty when none); i moves past it.
std::string_view takeWord(std::string_view s, std::size_t& i) {
    std::size_t start = i;
    while (i < s.size() && isWordByte(s[i])) ++i;
    return s.substr(start, i - start);
}

// A number of minDigits..maxDigits digits, the whole of `s`.
bool number(std::string_view s, std::size_t minDigits, std::size_t maxDigits, int& out) {
    if (s.size() < minDigits || s.size() > maxDigits || !allDigits(s)) return false;
    out = 0;
    for (char c : s) out = out * 10 + (c - '0');
    return true;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            parts.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// m/d/yyyy (the Jet literal order, month first) or yyyy-mm-dd.
bool parseDay(std::string_view s, CalendarTime& t) {
    if (auto p = split(s, '/'); p.size() == 3)
        return number(p[0], 1, 2, t.month) && number(p[1], 1, 2, t.day) && number(p[2], 4, 4, t.year);
    if (auto p = split(s, '-'); p.size() == 3)
        return number(p[0], 4, 4, t.year) && number(p[1], 1, 2, t.month) && number(p[2], 1, 2, t.day);
    return false;
}

// h:nn or h:nn:ss.
bool parseClock(std::string_view s, CalendarTime& t) {
    auto p = split(s, ':');
    if (p.size() != 2 && p.size() != 3) return false;
    t.second = 0;
    return number(p[0], 1, 2, t.hour) && number(p[1], 2, 2, t.minute) && (p.size() == 2 || number(p[2], 2, 2, t.second));
}

// The text between the two '#' of a date literal as calendar fields.
bool parseJetDate(std::string_view inner, CalendarTime& t) {
    std::vector<std::string_view> parts;
    for (std::string_view p : split(inner, ' '))
        if (!p.empty()) parts.push_back(p);
    std::size_t k = 0;
    bool any = false;
    if (k < parts.size() && parts[k].find(':') == std::string_view::npos) {
        if (!parseDay(parts[k++], t)) return false;
        any = true;
    }
    if (k < parts.size() && parts[k].find(':') != std::string_view::npos) {
        if (!parseClock(parts[k++], t)) return false;
        any = true;
        if (k < parts.size() && (text::equalsNoCase(parts[k], "AM") || text::equalsNoCase(parts[k], "PM"))) {
            if (t.hour < 1 || t.hour > 12) return false;
            t.hour = t.hour % 12 + (text::equalsNoCase(parts[k], "PM") ? 12 : 0);
            ++k;
        }
    }
    if (!any || k != parts.size()) return false;
    try {
        Date::fromCalendar(t);  // checks the day exists and the time is in range
    } catch (const Error&) {
        return false;
    }
    return true;
}

class Translator {
public:
    explicit Translator(std::string_view sql) : sql_(sql) { out_.reserve(sql.size() + 16); }

    std::string run() {
        while (i_ < sql_.size()) {
            const char c = sql_[i_];
            if (c == '\'') singleQuoted();
            else if (c == '"') doubleQuoted();
            else if (c == '[') bracketedName();
            else if (c == '#') dateLiteral();
            else if (c == '-' && i_ + 1 < sql_.size() && sql_[i_ + 1] == '-') {
                out_ += "- ";
                ++i_;
            } else if (c == '(') {
                ++depth_;
                out_ += c;
                ++i_;
            } else if (c == ')') {
                flushLimits(depth_);
                if (depth_ > 0) --depth_;
                out_ += c;
                ++i_;
            } else if (c == '@' && identity()) {
            } else if (c == ';') {
                flushLimits(0);
                out_ += c;
                ++i_;
            } else if (isWordByte(c)) word();
            else {
                out_ += c;
                ++i_;
            }
        }
        flushLimits(0);
        return std::move(out_);
    }

private:
    // The closing quote of a literal opened at i_, where a doubled quote stands for one.
    std::size_t closingQuote(char quote) const {
        for (std::size_t j = i_ + 1; j < sql_.size(); ++j) {
            if (sql_[j] != quote) continue;
            if (j + 1 < sql_.size() && sql_[j + 1] == quote) {
                ++j;
                continue;
            }
            return j;
        }
        raiseJet(ErrSyntax, fmt::format("Syntax error in string in query expression '{}'.", sql_.substr(i_)));
    }

    void singleQuoted() {
        std::size_t end = closingQuote('\'');
        out_.append(sql_.substr(i_, end + 1 - i_));
        i_ = end + 1;
    }

    void doubleQuoted() {
        std::size_t end = closingQuote('"');
        std::string value = text::replaceAll(sql_.substr(i_ + 1, end - i_ - 1), "\"\"", "\"");
        out_ += '\'';
        out_ += text::replaceAll(value, "'", "''");
        out_ += '\'';
        i_ = end + 1;
    }

    void bracketedName() {
        std::size_t end = sql_.find(']', i_ + 1);
        if (end == std::string_view::npos)
            raiseJet(ErrSyntax, fmt::format("Invalid bracketing of name '{}'.", sql_.substr(i_)));
        out_ += '"';
        out_ += text::replaceAll(sql_.substr(i_ + 1, end - i_ - 1), "\"", "\"\"");
        out_ += '"';
        i_ = end + 1;
    }

    void dateLiteral() {
        std::size_t end = sql_.find('#', i_ + 1);
        std::string_view literal = sql_.substr(i_, end == std::string_view::npos ? std::string_view::npos : end + 1 - i_);
        CalendarTime t;
        if (end == std::string_view::npos || !parseJetDate(sql_.substr(i_ + 1, end - i_ - 1), t))
            raiseJet(ErrSyntax, fmt::format("Syntax error in date in query expression '{}'.", literal));
        out_ += fmt::format("'{:04}-{:02}-{:02} {:02}:{:02}:{:02}'", t.year, t.month, t.day, t.hour, t.minute, t.second);
        i_ = end + 1;
    }

    // @@IDENTITY: the key of the row this connection inserted last.
    bool identity() {
        std::size_t j = i_ + 2;
        if (sql_.substr(i_, 2) != "@@" || !text::equalsNoCase(takeWord(sql_, j), "IDENTITY")) return false;
        out_ += "last_insert_rowid()";
        i_ = j;
        return true;
    }

    void word() {
        std::size_t start = i_;
        std::string_view w = takeWord(sql_, i_);
        if (text::equalsNoCase(w, "SELECT")) {
            out_ += w;
            top();
            return;
        }
        if (!afterDot(start) && text::equalsNoCase(w, "True")) out_ += '1';
        else if (!afterDot(start) && text::equalsNoCase(w, "False")) out_ += '0';
        else out_ += w;
    }

    // A name qualified by its table (t.True) is a column, not the constant.
    bool afterDot(std::size_t start) const {
        while (start > 0 && isBlank(sql_[start - 1])) --start;
        return start > 0 && sql_[start - 1] == '.';
    }

    // After SELECT: [DISTINCT|ALL|DISTINCTROW] TOP n is rewritten to a LIMIT at the statement's end.
    void top() {
        std::size_t p = skipBlanks(sql_, i_);
        std::size_t afterQualifier = p;
        std::string_view qualifier = takeWord(sql_, afterQualifier);
        const bool hasQualifier = text::equalsNoCase(qualifier, "DISTINCT") || text::equalsNoCase(qualifier, "ALL") ||
                                  text::equalsNoCase(qualifier, "DISTINCTROW");
        if (hasQualifier) p = skipBlanks(sql_, afterQualifier);
        std::size_t q = p;
        if (!text::equalsNoCase(takeWord(sql_, q), "TOP")) return;
        std::size_t r = skipBlanks(sql_, q);
        if (r == q) return;  // "TOP" must be followed by a blank and the count
        std::string_view count = takeWord(sql_, r);
        if (!allDigits(count)) return;
        std::size_t s = skipBlanks(sql_, r);
        if (text::equalsNoCase(takeWord(sql_, s), "PERCENT"))
            raiseJet(ErrSyntax, "SELECT TOP n PERCENT is not supported.");
        if (hasQualifier) {
            out_ += ' ';
            out_ += qualifier;
        }
        limits_.push_back({depth_, std::string(count)});
        i_ = skipBlanks(sql_, r);
        if (i_ < sql_.size()) out_ += ' ';
    }

    // Closes every pending TOP of a SELECT at depth >= `depth`.
    void flushLimits(int depth) {
        while (!limits_.empty() && limits_.back().depth >= depth) {
            out_ += " LIMIT ";
            out_ += limits_.back().count;
            limits_.pop_back();
        }
    }

    struct Limit {
        int depth;
        std::string count;
    };
    std::string_view sql_;
    std::size_t i_ = 0;
    std::string out_;
    int depth_ = 0;
    std::vector<Limit> limits_;
};

}  // namespace

std::string translateJetSql(std::string_view sql) { return Translator(sql).run(); }

}  // namespace kovrin::db
