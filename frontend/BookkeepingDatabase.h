// The bookkeeping database file: creating it (optionally with sample data), bringing an older
// file to the current schema, and reading its schema version.
//
// A bookkeeping database is a SQLite file in WAL mode whose application id is ApplicationId and
// whose user_version is its schema version. Every failure is a kovrin::Error with one of the
// numbers of namespace errors below and a description that names the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>

namespace kovrin::frontend {

// Marks a SQLite file as a bookkeeping database ("KVRN").
constexpr int32_t ApplicationId = 0x4B56524E;

namespace errors {
constexpr int32_t FileNotFound = 53;             // the database file does not exist
constexpr int32_t FileAlreadyExists = 58;        // create without replaceExisting
constexpr int32_t FileAccess = 75;               // the file or its folder could not be written
constexpr int32_t PathNotFound = 76;             // the folder of the file does not exist
constexpr int32_t NotBookkeepingDatabase = 9101; // not SQLite, or SQLite but not ours
constexpr int32_t NewerSchema = 9102;            // written by a newer program
constexpr int32_t DatabaseInUse = 9103;          // replace refused: another program has it open
constexpr int32_t DatabaseFailure = 9104;        // SQLite failed; the description has its message
}  // namespace errors

// The SQL of each schema version, in order: step 0 creates version 1 on an empty file, step N
// brings version N to N + 1. The current version is the number of steps.
std::span<const std::string_view> schemaSteps();
int currentSchemaVersion();

struct CreateOptions {
    bool withSampleData = false;   // a business, customers, reference data; no documents
    bool replaceExisting = false;  // otherwise an existing file is refused (FileAlreadyExists)
};

// Creates a new database at path with the current schema. The file is built under a temporary
// name in the same folder and renamed into place when complete, so a failure leaves either no
// file or the old one untouched. Replacing a file that another program has open is refused.
void createDatabase(const std::filesystem::path& path, const CreateOptions& options = {});

// Brings the database at path to the current schema in one transaction, keeping its data, and
// returns the version it had. A file of a newer version is refused (NewerSchema) and unchanged.
int upgradeDatabase(const std::filesystem::path& path);
// The same with the given steps in place of schemaSteps(): the upgrade machinery itself.
int upgradeDatabase(const std::filesystem::path& path, std::span<const std::string_view> steps);

// The schema version of the database at path; its content is not changed.
int schemaVersion(const std::filesystem::path& path);

}  // namespace kovrin::frontend
