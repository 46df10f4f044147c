// The error numbers and texts the database objects report, as the Jet provider and the data-access
// objects report them, so callers that test a number see the one they expect.
#pragma once

#include <cstdint>
#include <string>

namespace kovrin::db {

// Raised by the engine (source JetSource).
constexpr int32_t ErrGeneric = -2147467259;       // missing or unreadable file, constraint, lock, anything else
constexpr int32_t ErrSyntax = -2147217900;        // SQL syntax error, unknown column or function
constexpr int32_t ErrNoSuchTable = -2147217865;   // unknown table or query
constexpr int32_t ErrNoTransaction = -2147168242; // CommitTrans / RollbackTrans without BeginTrans

// Raised by the objects themselves.
constexpr int32_t ErrArguments = 3001;     // an argument or setting out of its range
constexpr int32_t ErrNoCurrentRow = 3021;
constexpr int32_t ErrItemNotFound = 3265;
constexpr int32_t ErrObjectClosed = 3704;
constexpr int32_t ErrObjectOpen = 3705;
constexpr int32_t ErrProviderNotFound = 3706;
constexpr int32_t ErrConnectionUnusable = 3709;

inline constexpr const char* JetSource = "Microsoft JET Database Engine";

// Raises an engine error with JetSource.
[[noreturn]] void raiseJet(int32_t number, std::string description);
// Raises an error of the objects with their own source ("ADODB.Recordset", ...) and standard text.
[[noreturn]] void raiseObjectError(int32_t number, const char* source);

}  // namespace kovrin::db
