// Every SQL text the library sends while the log exists, exactly as the library built it.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/Database.h"

namespace kovrin::test {

struct StatementLog {
    std::vector<std::string> sql;

    StatementLog() {
        db::setStatementTrace([this](std::string_view s) { sql.emplace_back(s); });
    }
    ~StatementLog() { db::setStatementTrace({}); }
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    bool contains(const std::string& s) const { return std::find(sql.begin(), sql.end(), s) != sql.end(); }
    // The texts seen so far, and a fresh start.
    std::vector<std::string> take() { return std::exchange(sql, {}); }
};

}  // namespace kovrin::test
