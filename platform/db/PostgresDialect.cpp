#include "platform/db/PostgresDialect.h"

#include <optional>
#include <vector>

#include <fmt/format.h>

#include <KovrinAPI/runtime/Text.h>

#include "platform/db/Errors.h"
#include "platform/db/JetDialect.h"

namespace kovrin::db {
namespace {

using sqlchar::isBlank;
using sqlchar::isWordByte;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// strftime's fields, as to_char spells them.
std::string toCharFormat(std::string_view f) {
    std::string out;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '%' || i + 1 == f.size()) {
            out += f[i];
            continue;
        }
        switch (f[++i]) {
        case 'd': out += "DD"; break;
        case 'm': out += "MM"; break;
        case 'Y': out += "YYYY"; break;
        case 'H': out += "HH24"; break;
        case 'M': out += "MI"; break;
        case 'S': out += "SS"; break;
        default: out += '%'; out += f[i];
        }
    }
    return out;
}

class Respeller {
public:
    Respeller(std::string_view sql, PostgresText kind) : sql_(sql), kind_(kind) { out_.reserve(sql.size() + 16); }

    std::string run() {
        while (i_ < sql_.size()) {
            const char c = sql_[i_];
            if (c == '\'') literal();
            else if (c == '"') quotedName();
            else if (c == '-' && next() == '-') lineComment();
            else if (c == '/' && next() == '*') blockComment();
            else if (c == '?') {
                out_ += fmt::format("${}", ++parameters_);
                ++i_;
            } else if (c == ';' && kind_ == PostgresText::Statement) {
                ++i_;
                if (skipBlanksAndComments() < sql_.size())
                    raiseJet(ErrSyntax, "Characters found after end of SQL statement.");
            } else if (isWordByte(c)) word();
            else {
                out_ += c;
                ++i_;
            }
        }
        if (kind_ == PostgresText::Statement && !hasWords_)
            raiseJet(ErrSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'.");
        return std::move(out_);
    }

private:
    char next() const { return i_ + 1 < sql_.size() ? sql_[i_ + 1] : '\0'; }

    // The position of the closing quote of the literal or name opened at `from`.
    std::size_t closing(std::size_t from, char quote) const {
        const std::size_t end = closingQuote(sql_, from, quote);
        if (end == std::string_view::npos)
            raiseJet(ErrSyntax, fmt::format("Unterminated quoted text: {}", sql_.substr(from)));
        return end;
    }

    void literal() {
        const std::size_t end = closing(i_, '\'');
        out_.append(sql_.substr(i_, end + 1 - i_));
        i_ = end + 1;
    }

    void quotedName() {
        const std::size_t end = closing(i_, '"');
        for (std::size_t j = i_; j <= end; ++j) out_ += lowerAscii(sql_[j]);
        i_ = end + 1;
    }

    void lineComment() {
        while (i_ < sql_.size() && sql_[i_] != '\n') out_ += sql_[i_++];
    }

    void blockComment() {
        const std::size_t end = sql_.find("*/", i_ + 2);
        const std::size_t stop = end == std::string_view::npos ? sql_.size() : end + 2;
        out_.append(sql_.substr(i_, stop - i_));
        i_ = stop;
    }

    std::size_t skipBlanksAndComments() const {
        std::size_t j = i_;
        for (;;) {
            while (j < sql_.size() && (isBlank(sql_[j]) || sql_[j] == ';')) ++j;
            if (sql_.substr(j, 2) == "--") {
                while (j < sql_.size() && sql_[j] != '\n') ++j;
            } else if (sql_.substr(j, 2) == "/*") {
                const std::size_t end = sql_.find("*/", j + 2);
                j = end == std::string_view::npos ? sql_.size() : end + 2;
            } else {
                return j;
            }
        }
    }

    std::size_t skipBlanks(std::size_t j) const {
        while (j < sql_.size() && isBlank(sql_[j])) ++j;
        return j;
    }

    // The arguments of a call whose '(' is at `open`, when every one is a quoted literal; `end`
    // becomes the position after the ')'.
    std::optional<std::vector<std::string_view>> literalArguments(std::size_t open, std::size_t& end) const {
        std::vector<std::string_view> args;
        std::size_t j = skipBlanks(open + 1);
        if (j < sql_.size() && sql_[j] == ')') {
            end = j + 1;
            return args;
        }
        for (;;) {
            if (j >= sql_.size() || sql_[j] != '\'') return std::nullopt;
            const std::size_t close = closing(j, '\'');
            args.push_back(sql_.substr(j + 1, close - j - 1));
            j = skipBlanks(close + 1);
            if (j < sql_.size() && sql_[j] == ',') {
                j = skipBlanks(j + 1);
                continue;
            }
            if (j < sql_.size() && sql_[j] == ')') {
                end = j + 1;
                return args;
            }
            return std::nullopt;
        }
    }

    void word() {
        hasWords_ = true;
        const std::size_t start = i_;
        while (i_ < sql_.size() && isWordByte(sql_[i_])) ++i_;
        const std::string_view w = sql_.substr(start, i_ - start);
        const std::size_t paren = skipBlanks(i_);
        const bool call = paren < sql_.size() && sql_[paren] == '(';
        std::size_t end = 0;
        if (call && text::equalsNoCase(w, "last_insert_rowid")) {
            if (auto args = literalArguments(paren, end); args && args->empty()) {
                out_ += "lastval()";
                i_ = end;
                return;
            }
        }
        if (text::equalsNoCase(w, "IS") && comparedWithValue()) return;
        if (call && text::equalsNoCase(w, "ifnull")) {
            out_ += "coalesce";
            return;
        }
        if (kind_ == PostgresText::Schema && schemaWord(w, call, paren)) return;
        out_ += w;
    }

    // SQLite's "x IS ?" and "x IS NOT ?" (true for two NULLs): PostgreSQL says IS [NOT] DISTINCT FROM.
    bool comparedWithValue() {
        std::size_t j = skipBlanks(i_), k = j;
        while (k < sql_.size() && isWordByte(sql_[k])) ++k;
        const bool negated = text::equalsNoCase(sql_.substr(j, k - j), "NOT");
        if (negated) j = skipBlanks(k);
        if (j >= sql_.size() || sql_[j] != '?') return false;
        out_ += negated ? "IS DISTINCT FROM " : "IS NOT DISTINCT FROM ";
        out_ += fmt::format("${}", ++parameters_);
        i_ = j + 1;
        return true;
    }

    bool schemaWord(std::string_view w, bool call, std::size_t paren) {
        std::size_t end = 0;
        if (text::equalsNoCase(w, "BOOLEAN")) {
            out_ += "yesno";
        } else if (text::equalsNoCase(w, "INTEGER")) {
            out_ += "BIGINT";
        } else if (text::equalsNoCase(w, "DOUBLE")) {
            std::size_t j = skipBlanks(i_), k = j;
            while (k < sql_.size() && isWordByte(sql_[k])) ++k;
            out_ += text::equalsNoCase(sql_.substr(j, k - j), "PRECISION") ? "DOUBLE" : "DOUBLE PRECISION";
        } else if (text::equalsNoCase(w, "AUTOINCREMENT")) {
            out_ += "GENERATED BY DEFAULT AS IDENTITY";
        } else if (call && text::equalsNoCase(w, "VARCHAR") && sql_.find(')', paren) != std::string_view::npos) {
            out_ += "VARCHAR";
            i_ = sql_.find(')', paren) + 1;
        } else if (call && text::equalsNoCase(w, "datetime")) {
            auto args = literalArguments(paren, end);
            if (!args || args->size() != 2 || (*args)[0] != "now" || (*args)[1] != "localtime") return false;
            out_ += "LOCALTIMESTAMP(0)";
            i_ = end;
        } else if (call && text::equalsNoCase(w, "strftime")) {
            auto args = literalArguments(paren, end);
            if (!args || args->size() != 3 || (*args)[1] != "now" || (*args)[2] != "localtime") return false;
            out_ += fmt::format("to_char(LOCALTIMESTAMP, '{}')", toCharFormat((*args)[0]));
            i_ = end;
        } else {
            return false;
        }
        return true;
    }

    std::string_view sql_;
    PostgresText kind_;
    std::size_t i_ = 0;
    std::string out_;
    int parameters_ = 0;
    bool hasWords_ = false;
};

}  // namespace

std::string toPostgres(std::string_view sql, PostgresText kind) { return Respeller(sql, kind).run(); }

}  // namespace kovrin::db
