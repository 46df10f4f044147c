# Writes OUTPUT, a C++ source that holds every SQL_DIR/*.sql file as a std::string_view named after
# the file ("sample-data.sql" becomes kovrin::frontend::sql::sample_data_sql), so the library
# carries its schema and does not depend on files beside it at run time.
file(GLOB sql_files "${SQL_DIR}/*.sql")
list(SORT sql_files)
set(text "// Generated from ${SQL_DIR} by EmbedSql.cmake: do not edit.\n")
string(APPEND text "#include \"frontend/EmbeddedSql.h\"\n\nnamespace kovrin::frontend::sql {\n")
foreach(file IN LISTS sql_files)
  get_filename_component(name "${file}" NAME)
  string(MAKE_C_IDENTIFIER "${name}" id)
  file(READ "${file}" content)
  if(content MATCHES "\\)kovrin_sql\"")
    message(FATAL_ERROR "${file} contains the raw-string delimiter")
  endif()
  string(APPEND text "\nextern const std::string_view ${id};\nconst std::string_view ${id} = R\"kovrin_sql(${content})kovrin_sql\";\n")
endforeach()
string(APPEND text "\n}  // namespace kovrin::frontend::sql\n")
# Rewrite only on change, so an unchanged schema does not rebuild the library.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
