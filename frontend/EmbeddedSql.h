// The SQL files of frontend/sql, built into the library (EmbedSql.cmake writes the definitions).
#pragma once

#include <string_view>

namespace kovrin::frontend::sql {

extern const std::string_view schema_sql;       // version 1: tables and indexes
extern const std::string_view queries_sql;      // version 1: the saved queries (views)
extern const std::string_view upgrade_2_sql;    // version 2: print counts, balance movements
extern const std::string_view upgrade_3_sql;    // version 3: next numbers read from the index
extern const std::string_view upgrade_4_sql;    // version 4: allocation thresholds and numbers
extern const std::string_view sample_data_sql;  // sample data for the current schema

}  // namespace kovrin::frontend::sql
