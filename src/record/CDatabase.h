#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "CDatabaseEntry.h"
#include "CDatabaseFilter.h"
#include "CDatabaseIndexer.h"
#include "CGameReader.h"
#include "CPgnGame.h"
#include "PgnInput.h"
#include "base/AtomicFile.h"

namespace velmorak {

// The system calls a database rewrite makes (those of FileSystemCalls plus pread), so that
// tests can fail any step of it or change the file between two steps.
class DatabaseFileCalls : public FileSystemCalls {
public:
    virtual ssize_t pread(int fd, void* data, std::size_t size, std::int64_t offset);
};

// How far the indexing of an open has come: games indexed and readable through
// CDatabase::visitIndexed, bytes of the file scanned of its size when opened.
struct IndexProgress {
    std::int64_t games = 0;
    std::int64_t bytesRead = 0;
    std::int64_t bytesTotal = 0;
};

struct OpenOptions {
    // Called on the thread that runs open: once the first games are readable, then every
    // few megabytes, and once when the index is complete.
    std::function<void(const IndexProgress&)> progress;
    // Asked between batches of games: once stop is requested the open gives up, leaves the
    // database closed without entries and fails with error 15.
    std::stop_token stop;
    // Threads that scan a large file, one stretch each: 0 takes one per core, at most 4.
    int threads = 0;
    // The least a stretch gets: smaller files are scanned by fewer threads.
    std::int64_t minStretchBytes = 4 << 20;
};

// A PGN file used as a database of games: indexed once by scanning every game's tags, any
// game loaded by its number, games appended, and one game replaced or deleted by rewriting
// the file. The file stays a plain PGN file.
//
// Replacing and deleting write the new file beside the old one under a name of its own
// (every write checked, synced and closed), keep the old one as name + ".bak" while the new
// one is renamed into place, sync the folder and remove the backup. Whatever step fails, the
// user's games stay readable: the old file under its name, or (after a crash at the worst
// moment where hard links are refused) the old one as ".bak", which the next open or append
// puts back. A symbolic link to the database stays a link: the file it points to is
// rewritten. Anything but a regular file is neither read nor replaced.
//
// Appends and rewrites hold an exclusive lock on the file (FileLock) from their first check
// to their last step, so two of them, in this process or another, never interleave. A file
// changed since it was indexed (by a program that takes no lock, or by a rewrite that got
// the lock first) is never rewritten: the index is rebuilt and the change refused. The
// file's identity is checked once more right before the new file replaces it.
//
// An append first makes sure the file ends at the end of a game: a last game cut off
// inside a comment or variation, or without its result, is closed so that the appended game
// stands on its own; a file cut off inside a tag is refused.
//
// A large file is indexed by several threads, each scanning a stretch of it; the stretches
// are joined where the scan of the file before meets one of their game starts, so the index
// is the one a single scan from the start gives.
//
// Errors leave a code and a message in the object (getError). Not thread-safe, except that
// while one thread runs open, others may read the games indexed so far (indexedCount,
// visitIndexed).
class CDatabase {
public:
    enum ErrorCode {
        NoError = 0,
        FileNotFound = 1,
        CannotWrite = 2,
        CannotAppend = 3,
        ReadError = 4,
        WriteError = 5,
        ParseError = 6,
        SeekFailed = 7,
        OutOfMemory = 8,
        ChangedOnDisk = 9,
        RenameFailed = 10,
        NotRegularFile = 11,
        FileInUse = 12,
        ReadOnly = 13,
        IncompleteLastGame = 14,
        OpenCancelled = 15,
    };

    // `reader` must outlive the database.
    explicit CDatabase(CGameReader& reader);
    virtual ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens and indexes the file; false (error 1) when it cannot be opened, 11 when it is not
    // a regular file. A missing file whose backup (name + ".bak") exists is restored first.
    virtual bool open(const std::string& path);
    // The same, reporting progress and giving up on request (then error 15).
    bool open(const std::string& path, const OpenOptions& options);
    // The number of entries indexed so far; safe from any thread while open runs.
    std::size_t indexedCount() const;
    // Calls visit with entries first.. of those indexed so far (fewer at the end), under the
    // lock that keeps the index from growing meanwhile: visit may read the entries' texts
    // but must not keep references to them, nor call into the database. Safe from any
    // thread while open runs.
    void visitIndexed(std::size_t first, std::size_t count,
        const std::function<void(const CDatabaseEntry&)>& visit) const;
    virtual void setFileName(const std::string& path) { m_fileName = path; }
    virtual const std::string& getFileName() const { return m_fileName; }
    // Appends to `result` a copy of every entry that matches, in file order (after clearing
    // it); each copy's number is its position in the file.
    virtual void search(const CDatabaseFilter& filter, std::vector<CDatabaseEntry>& result) const;
    virtual const std::vector<CDatabaseEntry>& getEntries() const { return m_entries; }
    // The game at the current file position (error 6 and null when it cannot be read);
    // the caller owns it. The file position stays where it was.
    virtual std::unique_ptr<CPgnGame> loadCurrent();
    // The next or previous entry, wrapping around; null without entries.
    virtual std::unique_ptr<CPgnGame> next();
    virtual std::unique_ptr<CPgnGame> prev();
    // Entry n; null when closed or n is out of range.
    virtual std::unique_ptr<CPgnGame> gotoGame(int n);
    // Appends the game, in its current format, to the file at path (error 3 when it cannot
    // be opened, 5 when a write fails, 11 to 14 as their texts say); a failed append leaves
    // the file as it was. The index of an open database is not updated.
    virtual bool append(const std::string& path, CPgnGame& game);
    virtual bool replaceCurrent(CPgnGame& game);
    virtual bool replaceGame(int n, CPgnGame& game);
    virtual bool deleteCurrent();
    virtual bool deleteGame(int n);
    virtual void close();
    virtual void getError(int& code, std::string& message) const;
    virtual std::string toString();
    virtual void toFile(std::FILE* file);
    // Stores the code and its message with "%s" replaced by argument.
    virtual void setError(int code, std::string_view argument = {});
    virtual void buildIndex();

    bool isOpen() const { return m_isOpen; }
    // Whether the file is no longer the one indexed (another program wrote, moved or
    // removed it); false when no file is open.
    bool changedOnDisk() const;
    int current() const { return m_current; }
    // The texts of the index; replaced by a new pool when another file is opened or the
    // database closed (a replace or delete keeps it).
    const TagTextPool& textPool() const { return *m_pool; }
    // The message of a code with "%s" replaced by argument.
    static std::string errorText(int code, std::string_view argument);
    // For tests: the calls a rewrite makes (null for the real ones).
    void setFileCalls(DatabaseFileCalls* calls) { m_calls = calls; }
    // How long an append or rewrite waits for another holder of the file's lock (error 12
    // after that).
    void setLockWait(std::chrono::milliseconds wait) { m_lockWait = wait; }
    // Approximate bytes of memory the index holds (entries and texts).
    std::size_t indexMemoryBytes() const;

protected:
    // Positions reading at offset (error 1 or 7 when that fails).
    bool seekTo(std::int64_t offset);
    bool rewrite(std::int64_t start, std::int64_t end, CPgnGame* game);

private:
    struct FileIdentity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    };
    // The identity of the file at path, or of the open file fd when fd >= 0.
    static bool identify(const std::string& path, FileIdentity& identity, int fd = -1);
    bool openForReading();
    // Opens without touching the text pool (a rewrite reopens the same file).
    bool openKeepingPool(const std::string& path);
    // Scans the file into the entries; false when stopped on request.
    bool indexFile(bool& readError);
    // Empties the entries, where other threads may be reading them.
    void clearEntries();
    void closeKeepingPool();
    // Puts name + ".bak" back when the file itself is missing; false when a backup stands
    // in for a missing file and could not be put back.
    bool restoreBackup(const std::string& target);
    // Error code for a failed replacementTarget or FileLock::acquire.
    void setFileError(const Error& error, int otherwise, const std::string& argument);
    // Makes the file end at a game's end; false (error set) when it cannot.
    bool closeLastGame(int fd, std::int64_t size);
    bool refuseChanged(const std::string& name);
    bool copyRange(TemporaryFile& output, std::int64_t from, std::int64_t to);
    bool writeAll(int output, std::string_view bytes);
    DatabaseFileCalls& calls();

    CGameReader* m_reader;
    std::string m_fileName;
    PgnInput m_input;
    bool m_isOpen = false;
    int m_current = 0;
    std::int64_t m_position = 0;
    std::vector<CDatabaseEntry> m_entries;
    std::unique_ptr<TagTextPool> m_pool;
    FileIdentity m_indexed;
    int m_errorCode = 0;
    std::string m_errorMessage;
    DatabaseFileCalls* m_calls = nullptr;
    // The options of the open under way (null for a plain open or a reopen).
    const OpenOptions* m_openOptions = nullptr;
    // Guards the growth of m_entries and m_pool while open runs.
    mutable std::mutex m_indexMutex;
    std::atomic<std::size_t> m_indexedCount { 0 };
    std::chrono::milliseconds m_lockWait { 5000 };
    // The file as our last append left it, ending at a game's end: no need to scan it again.
    FileIdentity m_appended;
    std::string m_appendPath;
};

} // namespace velmorak
