#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CDatabaseEntry.h"
#include "CDatabaseFilter.h"
#include "CGameReader.h"
#include "CPgnGame.h"
#include "PgnInput.h"
#include "base/AtomicFile.h"

namespace velmorak {

// The system calls a database rewrite makes (those of FileSystemCalls plus link), so that
// tests can fail any step of it.
class DatabaseFileCalls : public FileSystemCalls {
public:
    virtual int link(const char* from, const char* to);
    virtual ssize_t pread(int fd, void* data, std::size_t size, std::int64_t offset);
};

// A PGN file used as a database of games: indexed once by scanning every game's tags, any
// game loaded by its number, games appended, and one game replaced or deleted by rewriting
// the file. The file stays a plain PGN file.
//
// Replacing and deleting write the new file as name + ".tmp" (every write checked, synced
// and closed), keep the old one as name + ".bak" while the new one is renamed into place,
// sync the folder and remove the backup. Whatever step fails, the user's games stay
// readable: the old file under its name, the new one as ".tmp" beside it, or (after a crash
// at the worst moment) the old one as ".bak". A file changed by another program since it
// was indexed is never rewritten: the index is rebuilt and the change refused.
//
// Errors leave a code and a message in the object (getError). Not thread-safe.
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
    };

    // `reader` must outlive the database.
    explicit CDatabase(CGameReader& reader);
    virtual ~CDatabase();
    CDatabase(const CDatabase&) = delete;
    CDatabase& operator=(const CDatabase&) = delete;

    // Opens and indexes the file; false (error 1) when it cannot be opened.
    virtual bool open(const std::string& path);
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
    // be opened, 5 when a write fails). The index of an open database is not updated.
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
    int current() const { return m_current; }
    const TagTextPool& textPool() const { return *m_pool; }
    // The message of a code with "%s" replaced by argument.
    static std::string errorText(int code, std::string_view argument);
    // For tests: the calls a rewrite makes (null for the real ones).
    void setFileCalls(DatabaseFileCalls* calls) { m_calls = calls; }
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
    static bool identify(const std::string& path, FileIdentity& identity);
    bool openForReading();
    bool copyRange(int output, std::int64_t from, std::int64_t to);
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
};

} // namespace velmorak
