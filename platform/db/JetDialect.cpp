#include "platform/db/JetDialect.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <initializer_list>
#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Date.h>
#include <KovrinAPI/runtime/Error.h>
#include <KovrinAPI/runtime/Text.h>

#include "platform/db/ColumnTypes.h"
#include "platform/db/Errors.h"

namespace kovrin::db {
namespace {

using sqlchar::isBlank;
using sqlchar::isWordByte;

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

bool startsWithWord(std::string_view s, std::size_t& i, std::initializer_list<std::string_view> words) {
    while (i < s.size() && (isBlank(s[i]) || s[i] == '(')) ++i;
    std::string_view w = takeWord(s, i);
    for (std::string_view candidate : words)
        if (text::equalsNoCase(w, candidate)) return true;
    return false;
}

// Where a literal stands in a statement, at one level of parentheses. Only values in a condition,
// an assignment or a VALUES list are lifted into parameters: in a select list a literal names its
// column, in ORDER BY and GROUP BY a number is a column's position, and DDL takes no parameters.
enum class Clause { Other, Value, Blocked };

class Translator {
public:
    Translator(std::string_view sql, bool lift) : sql_(sql) {
        out_.reserve(sql.size() + 16);
        std::size_t i = 0;
        lift_ = lift && startsWithWord(sql, i, {"SELECT", "INSERT", "UPDATE", "DELETE"});
        clauses_.push_back(Clause::Other);
    }

    BoundSql run() {
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
                clauses_.push_back(clauses_.back());
                out_ += c;
                ++i_;
            } else if (c == ')') {
                flushLimits(depth_);
                if (depth_ > 0) {
                    --depth_;
                    clauses_.pop_back();
                }
                out_ += c;
                ++i_;
            } else if (c == '@' && identity()) {
            } else if (c == ';') {
                flushLimits(0);
                lift_ = false;  // a second statement is refused by the engine anyway
                out_ += c;
                ++i_;
            } else if (c >= '0' && c <= '9') numberLiteral();
            else if (isWordByte(c)) word();
            else {
                // A parameter the text writes itself would take the place of a lifted one.
                if (c == '?' || c == ':' || c == '@') placeholderSeen_ = true;
                out_ += c;
                ++i_;
            }
        }
        flushLimits(0);
        if (placeholderSeen_ && !params_.empty()) return Translator(sql_, false).run();
        return BoundSql{std::move(out_), std::move(params_)};
    }

private:
    // The closing quote of a literal opened at i_, where a doubled quote stands for one.
    std::size_t closingQuote(char quote) const {
        const std::size_t end = db::closingQuote(sql_, i_, quote);
        if (end == std::string_view::npos)
            raiseJet(ErrSyntax, fmt::format("Syntax error in string in query expression '{}'.", sql_.substr(i_)));
        return end;
    }

    // True where a literal at the current place becomes a parameter.
    bool lifting() const {
        if (!lift_ || clauses_.back() != Clause::Value) return false;
        for (Clause c : clauses_)
            if (c == Clause::Blocked) return false;
        return true;
    }

    void singleQuoted() {
        std::size_t end = closingQuote('\'');
        if (lifting()) {
            out_ += '?';
            params_.emplace_back(text::replaceAll(sql_.substr(i_ + 1, end - i_ - 1), "''", "'"));
        } else {
            out_.append(sql_.substr(i_, end + 1 - i_));
        }
        i_ = end + 1;
    }

    void doubleQuoted() {
        std::size_t end = closingQuote('"');
        std::string value = text::replaceAll(sql_.substr(i_ + 1, end - i_ - 1), "\"\"", "\"");
        if (lifting()) {
            out_ += '?';
            params_.emplace_back(std::move(value));
        } else {
            out_ += '\'';
            out_ += text::replaceAll(value, "'", "''");
            out_ += '\'';
        }
        i_ = end + 1;
    }

    // A number: digits, a fraction, an exponent. A whole number of 32 bits becomes a Long, one with
    // a fraction or exponent a Double; anything else (a larger whole number, digits running into
    // letters) stays text, as the engine would read it.
    void numberLiteral() {
        std::size_t end = i_;
        auto digits = [&] {
            std::size_t from = end;
            while (end < sql_.size() && sql_[end] >= '0' && sql_[end] <= '9') ++end;
            return end > from;
        };
        digits();
        bool whole = true;
        if (end < sql_.size() && sql_[end] == '.') {
            ++end;
            digits();
            whole = false;
        }
        if (end < sql_.size() && (sql_[end] == 'e' || sql_[end] == 'E')) {
            std::size_t mark = end++;
            if (end < sql_.size() && (sql_[end] == '+' || sql_[end] == '-')) ++end;
            if (digits()) whole = false;
            else end = mark;
        }
        const std::string_view literal = sql_.substr(i_, end - i_);
        if (!lifting() || (end < sql_.size() && isWordByte(sql_[end]))) {
            word();  // passes the leading digits on as they are; the rest follows as usual
            return;
        }
        if (whole) {
            int64_t v = 0;
            auto [p, ec] = std::from_chars(literal.data(), literal.data() + literal.size(), v);
            if (ec != std::errc() || v > INT32_MAX) {
                word();
                return;
            }
            params_.emplace_back(static_cast<int32_t>(v));
        } else {
            params_.emplace_back(std::strtod(std::string(literal).c_str(), nullptr));
        }
        out_ += '?';
        i_ = end;
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
        if (lifting()) {
            out_ += '?';
            params_.emplace_back(Date::fromCalendar(t));
        } else {
            out_ += '\'' + storedDateText(t) + '\'';
        }
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
            clauses_.back() = Clause::Blocked;  // the select list
            top();
            return;
        }
        const bool dotted = afterDot(start);
        if (!dotted && (text::equalsNoCase(w, "True") || text::equalsNoCase(w, "False"))) {
            const bool value = text::equalsNoCase(w, "True");
            if (lifting()) {
                out_ += '?';
                params_.emplace_back(value);
            } else {
                out_ += value ? '1' : '0';
            }
            return;
        }
        if (!dotted) noteClause(w);
        out_ += w;
    }

    void noteClause(std::string_view w) {
        if (w.size() < 2 || w.size() > 6) return;  // no clause word is shorter or longer
        char upper[6];
        for (std::size_t k = 0; k < w.size(); ++k) upper[k] = static_cast<char>(w[k] >= 'a' && w[k] <= 'z' ? w[k] - 32 : w[k]);
        const std::string_view u(upper, w.size());
        if (u == "WHERE" || u == "HAVING" || u == "ON" || u == "SET" || u == "VALUES") clauses_.back() = Clause::Value;
        else if (u == "FROM" || u == "INTO" || u == "JOIN" || u == "UNION") clauses_.back() = Clause::Other;
        else if (u == "ORDER" || u == "GROUP" || u == "LIMIT") clauses_.back() = Clause::Blocked;
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
    bool lift_ = false;
    bool placeholderSeen_ = false;
    std::vector<Clause> clauses_;  // one per open parenthesis, the statement's own first
    std::vector<Variant> params_;
};

}  // namespace

std::string translateJetSql(std::string_view sql) { return Translator(sql, false).run().shape; }

BoundSql bindJetSql(std::string_view sql) { return Translator(sql, true).run(); }

std::size_t closingQuote(std::string_view sql, std::size_t from, char quote) {
    for (std::size_t j = from + 1; j < sql.size(); ++j) {
        if (sql[j] != quote) continue;
        if (j + 1 < sql.size() && sql[j + 1] == quote) {
            ++j;
            continue;
        }
        return j;
    }
    return std::string_view::npos;
}

}  // namespace kovrin::db
