#include "taskstore/store/DatabaseFile.h"

#include "taskstore/store/FileOwner.h"
#include "taskstore/store/TextCollation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

namespace taskstore::store {
namespace {

constexpr std::string_view sqliteMagic{"SQLite format 3\0", 16};
constexpr std::size_t headerSize = 100;
// Problems quoted from a check; the rest are counted.
constexpr std::size_t quotedCheckRows = 5;
// A log trimmed back to this after a checkpoint: far above the size at which SQLite checkpoints.
constexpr long long keptLogBytes = 64LL << 20;

std::uint32_t bigEndian(const unsigned char* bytes, int count)
{
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// The fields of SQLite's 100-byte file header that say whose file it is and how long it should be.
struct Header {
    std::uint64_t pageSize = 0;
    std::uint64_t pageCount = 0;  // 0 when the header does not vouch for it
    bool writeAheadLog = false;
    std::int32_t userVersion = 0;
    std::int32_t applicationId = 0;
};

std::optional<Header> readHeader(int fd)
{
    std::array<unsigned char, headerSize> bytes{};
    if (::pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())
        || std::memcmp(bytes.data(), sqliteMagic.data(), sqliteMagic.size()) != 0)
        return std::nullopt;
    Header header;
    const std::uint32_t size = bigEndian(&bytes[16], 2);
    header.pageSize = size == 1 ? 65536 : size;
    // The page count is valid only while the change counter and its "valid for" copy agree.
    if (bigEndian(&bytes[24], 4) == bigEndian(&bytes[92], 4))
        header.pageCount = bigEndian(&bytes[28], 4);
    header.writeAheadLog = bytes[18] == 2 && bytes[19] == 2;
    header.userVersion = static_cast<std::int32_t>(bigEndian(&bytes[60], 4));
    header.applicationId = static_cast<std::int32_t>(bigEndian(&bytes[68], 4));
    return header;
}

// Files of releases before the application id was written carry only the collation's version.
bool madeByTaskstore(const Header& header)
{
    return header.applicationId == taskstoreApplicationId
        || (header.applicationId == 0 && header.writeAheadLog && header.userVersion >= 1
            && header.userVersion <= textCollationVersion);
}

bool hasLogContent(const std::filesystem::path& file)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(file.string() + "-wal", error);
    return !error && size > 0;
}

// The file's own problems, before SQLite may open it.
std::optional<std::string> fileProblem(const std::filesystem::path& file)
{
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return std::string("cannot be examined: ") + std::strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "is not a regular file (a link, a folder or a device); taskstore opens only its own files";
    if (info.st_uid != ::geteuid())
        return "belongs to " + describeUser(info.st_uid) + ", not to " + describeUser(::geteuid())
            + " running taskstore";
    if (::access(file.c_str(), R_OK | W_OK) != 0)
        return std::string("cannot be read and written by taskstore: ") + std::strerror(errno);
    if (info.st_size == 0)
        return "is empty: taskstore did not make it and does not write into it; move it away or remove it";
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::string("cannot be opened: ") + std::strerror(errno);
    const std::optional<Header> header = readHeader(fd);
    ::close(fd);
    if (!header)
        return "is not a SQLite database: its first bytes are not SQLite's header";
    if (!madeByTaskstore(*header))
        return "is a SQLite database that taskstore did not make (application id "
            + std::to_string(header->applicationId) + ", user version " + std::to_string(header->userVersion)
            + "); taskstore does not write into it; move it away or remove it";
    if (header->userVersion > textCollationVersion)
        return "was made by a newer taskstore (text order " + std::to_string(header->userVersion)
            + "; this one knows 1 to " + std::to_string(textCollationVersion) + ")";
    const std::uint64_t expected = header->pageCount * header->pageSize;
    if (expected > static_cast<std::uint64_t>(info.st_size) && !hasLogContent(file))
        return "is truncated: its header counts " + std::to_string(expected) + " bytes, the file holds "
            + std::to_string(info.st_size);
    return std::nullopt;
}

// Rows of a check pragma other than "ok"; throws StoreError when the check cannot run at all.
std::vector<std::string> checkRows(sqlite3* db, CheckDepth depth)
{
    auto check = prepare(db, depth == CheckDepth::Full ? "PRAGMA integrity_check" : "PRAGMA quick_check");
    std::vector<std::string> rows;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(check.get())) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 0));
        if (text && std::string_view(text) != "ok")
            rows.emplace_back(text);
    }
    if (rc != SQLITE_DONE)
        throw StoreError(sqlite3_errmsg(db), outOfSpace(db, sqlite3_extended_errcode(db)));
    return rows;
}

std::string checkProblem(const std::vector<std::string>& rows, CheckDepth depth)
{
    std::string text = depth == CheckDepth::Full ? "fails SQLite's integrity check: " : "fails SQLite's quick check: ";
    for (std::size_t i = 0; i < rows.size() && i < quotedCheckRows; ++i)
        text += (i == 0 ? "" : "; ") + rows[i];
    if (rows.size() > quotedCheckRows)
        text += "; and " + std::to_string(rows.size() - quotedCheckRows) + " more";
    return text;
}

std::vector<std::string> schemaProblems(sqlite3* db, std::span<const CatalogTable> requiredTables)
{
    std::vector<std::string> problems;
    auto tables = prepare(db,
                          "SELECT name FROM main.sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                          "ESCAPE '\\'");
    while (sqlite3_step(tables.get()) == SQLITE_ROW) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(tables.get(), 0));
        try {
            readTable(db, "main", name);
        } catch (const StoreError& error) {
            problems.push_back("table " + name + ": " + error.what());
        }
    }
    for (const CatalogTable& required : requiredTables) {
        const auto table = readTable(db, "main", required.name);
        if (!table) {
            problems.push_back("table " + required.name + " is missing");
            continue;
        }
        for (const CatalogColumn& column : required.columns)
            if (!table->find(column.name))
                problems.push_back("table " + required.name + " has no column " + column.name);
    }
    return problems;
}

}  // namespace

SqliteDb openDatabaseFile(const std::filesystem::path& file)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr);
    SqliteDb db(raw);
    if (rc != SQLITE_OK)
        throw StoreError("cannot open " + file.string() + ": " + sqlite3_errmsg(raw), outOfSpace(raw, rc));
    registerTextCollation(db.get());
    return db;
}

void keepLogBetweenRuns(sqlite3* db, std::string_view schema)
{
    const std::string name(schema);
    int keep = 1;
    sqlite3_file_control(db, name.c_str(), SQLITE_FCNTL_PERSIST_WAL, &keep);
    // With a limit, the last connection empties the kept log; without one it would stay as large
    // as it grew. The limit itself only trims the log after a checkpoint, far above its usual size.
    execute(db, "PRAGMA " + quoteIdentifier(schema) + ".journal_size_limit = " + std::to_string(keptLogBytes));
}

std::vector<std::string> problemsOf(const std::filesystem::path& file, std::span<const CatalogTable> requiredTables,
                                    CheckDepth depth)
{
    if (auto problem = fileProblem(file))
        return {*std::move(problem)};
    try {
        // The log files are left as they were found: kept when they were there, gone when not.
        const bool logKept = std::filesystem::exists(file.string() + "-shm");
        const SqliteDb db = openDatabaseFile(file);
        if (logKept)
            keepLogBetweenRuns(db.get(), "main");
        if (const auto rows = checkRows(db.get(), depth); !rows.empty())
            return {checkProblem(rows, depth)};
        return schemaProblems(db.get(), requiredTables);
    } catch (const StoreError& error) {
        if (error.outOfSpace())
            return {std::string("cannot be read: the disk has no room for its log's index (") + error.what()
                    + "); make room and start again"};
        return {std::string("is damaged: ") + error.what()};
    }
}

}  // namespace taskstore::store
