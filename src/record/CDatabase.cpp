#include "CDatabase.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CDatabaseTail.h"
#include "base/RegularFile.h"

namespace velmorak {

namespace {
// Bytes moved per read when the rewrite copies the games it keeps or an append checks
// the end of the file.
constexpr std::size_t kCopyChunk = 1 << 20;
constexpr const char* kBackupSuffix = ".bak";
// Games published at once: few at first, so that the first rows show at once, then more,
// so that the lock is rarely taken.
constexpr std::size_t kFirstBatch = 64;
constexpr std::size_t kBatch = 1024;
// Entries of a stretch joined under one hold of the lock.
constexpr std::size_t kJoinPiece = 16384;
// Bytes scanned between two progress reports.
constexpr std::int64_t kReportBytes = 4 << 20;
} // namespace

ssize_t DatabaseFileCalls::pread(int fd, void* data, std::size_t size, std::int64_t offset)
{
    return ::pread(fd, data, size, offset);
}

// --- Text pool ----------------------------------------------------------------------------

TagTextPool::TagTextPool()
{
    intern({});
}

std::uint32_t TagTextPool::intern(std::string_view text)
{
    if (m_slots.empty())
        grow();
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view> {}(text));
    const std::size_t mask = m_slots.size() - 1;
    std::size_t at = hash & mask;
    for (; m_slots[at] != 0; at = (at + 1) & mask) {
        const std::uint32_t id = m_slots[at] - 1;
        if (m_hashes[id] == hash && m_texts[id] == text)
            return id;
    }
    const auto id = static_cast<std::uint32_t>(m_texts.size());
    m_texts.emplace_back(text);
    m_hashes.push_back(hash);
    m_slots[at] = id + 1;
    m_textBytes += text.size() > 15 ? text.size() + 1 : 0;
    m_ranks.clear();
    if (m_texts.size() * 2 > m_slots.size())
        grow();
    return id;
}

void TagTextPool::grow()
{
    m_slots.assign(std::max<std::size_t>(64, m_slots.size() * 2), 0);
    const std::size_t mask = m_slots.size() - 1;
    for (std::uint32_t id = 0; id < m_hashes.size(); ++id) {
        std::size_t at = m_hashes[id] & mask;
        while (m_slots[at] != 0)
            at = (at + 1) & mask;
        m_slots[at] = id + 1;
    }
}

const std::vector<std::uint32_t>& TagTextPool::foldedRanks() const
{
    if (m_ranks.size() == m_texts.size())
        return m_ranks;
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
    auto less = [&](std::uint32_t a, std::uint32_t b) {
        const std::string& x = m_texts[a];
        const std::string& y = m_texts[b];
        std::size_t n = std::min(x.size(), y.size());
        for (std::size_t i = 0; i < n; ++i) {
            auto cx = static_cast<unsigned char>(fold(x[i]));
            auto cy = static_cast<unsigned char>(fold(y[i]));
            if (cx != cy)
                return cx < cy;
        }
        return x.size() < y.size();
    };
    std::vector<std::uint32_t> order(m_texts.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), less);
    m_ranks.assign(m_texts.size(), 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && less(order[i - 1], order[i]))
            ++rank;
        m_ranks[order[i]] = rank;
    }
    return m_ranks;
}

std::size_t TagTextPool::memoryBytes() const
{
    // Deque slots, heap text of long strings, hash slots, hashes and ranks.
    return m_texts.size() * sizeof(std::string) + m_textBytes +
        (m_slots.capacity() + m_hashes.capacity() + m_ranks.capacity()) * sizeof(std::uint32_t);
}

// --- Database -----------------------------------------------------------------------------

CDatabase::CDatabase(CGameReader& reader)
    : m_reader(&reader)
    , m_pool(std::make_unique<TagTextPool>())
{
}

CDatabase::~CDatabase()
{
    closeKeepingPool();
}

DatabaseFileCalls& CDatabase::calls()
{
    static DatabaseFileCalls posix;
    return m_calls ? *m_calls : posix;
}

std::string CDatabase::errorText(int code, std::string_view argument)
{
    const char* format = "Unknown error";
    switch (code) {
    case NoError:
        format = "";
        break;
    case FileNotFound:
        format = "File not found %s";
        break;
    case CannotWrite:
        format = "Could not open for writing %s";
        break;
    case CannotAppend:
        format = "Could not open for appending %s";
        break;
    case ReadError:
        format = "Error while reading";
        break;
    case WriteError:
        format = "Error while writing";
        break;
    case ParseError:
        format = "Error while parsing";
        break;
    case SeekFailed:
        format = "Seek failed";
        break;
    case OutOfMemory:
        format = "Out of memory";
        break;
    case ChangedOnDisk:
        format = "The file was changed by another program: %s";
        break;
    case RenameFailed:
        format = "Could not put the new file in place: %s";
        break;
    case NotRegularFile:
        format = "Not a regular file %s";
        break;
    case FileInUse:
        format = "The file is in use by another program: %s";
        break;
    case ReadOnly:
        format = "The file is read-only: %s";
        break;
    case IncompleteLastGame:
        format = "The last game of the file is cut off inside a tag: %s";
        break;
    case OpenCancelled:
        format = "Opening was cancelled: %s";
        break;
    default:
        break;
    }
    std::string text(format);
    std::size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, argument);
    return text;
}

void CDatabase::setError(int code, std::string_view argument)
{
    try {
        m_errorMessage = errorText(code, argument);
        m_errorCode = code;
    } catch (const std::bad_alloc&) {
        m_errorCode = OutOfMemory;
        m_errorMessage = "Out of memory";
    }
}

void CDatabase::getError(int& code, std::string& message) const
{
    code = m_errorCode;
    message = m_errorMessage;
}

bool CDatabase::identify(const std::string& path, FileIdentity& identity, int fd)
{
    struct stat info { };
    if ((fd >= 0 ? ::fstat(fd, &info) : ::stat(path.c_str(), &info)) != 0)
        return false;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = info.st_size;
    identity.modifiedSeconds = info.st_mtim.tv_sec;
    identity.modifiedNanoseconds = info.st_mtim.tv_nsec;
    return true;
}

bool CDatabase::changedOnDisk() const
{
    if (!m_isOpen)
        return false;
    FileIdentity now;
    // Our own appends leave the index behind too, but every caller reindexes after them.
    return !identify(m_fileName, now) || !(now == m_indexed);
}

bool CDatabase::openForReading()
{
    return m_input.openFile(m_fileName);
}

void CDatabase::setFileError(const Error& error, int otherwise, const std::string& argument)
{
    switch (error.kind) {
    case ErrorKind::WrongFileType:
        setError(NotRegularFile, argument);
        break;
    case ErrorKind::Conflict:
        setError(FileInUse, argument);
        break;
    case ErrorKind::PermissionDenied:
        setError(ReadOnly, argument);
        break;
    default:
        setError(otherwise, argument);
        break;
    }
}

bool CDatabase::restoreBackup(const std::string& target)
{
    struct stat info { };
    if (::lstat(target.c_str(), &info) == 0 || errno != ENOENT)
        return true;
    const std::string backup = target + kBackupSuffix;
    if (::lstat(backup.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return true;
    // Only the main file's absence makes the backup the user's games; never replace a file
    // that appeared meanwhile.
    if (::renameat2(AT_FDCWD, backup.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if ((errno == EINVAL || errno == ENOSYS) && calls().link(backup.c_str(), target.c_str()) == 0) {
        calls().unlink(backup.c_str());
        return true;
    }
    // A file that appeared meanwhile is fine; a backup left alone must not be overlooked.
    return ::lstat(target.c_str(), &info) == 0;
}

bool CDatabase::open(const std::string& path)
{
    if (m_isOpen)
        close();
    // Each file gets a pool of its own: texts of files closed before are not kept.
    {
        std::lock_guard lock(m_indexMutex);
        m_pool = std::make_unique<TagTextPool>();
    }
    return openKeepingPool(path);
}

bool CDatabase::open(const std::string& path, const OpenOptions& options)
{
    struct Forget {
        const OpenOptions*& options;
        ~Forget() { options = nullptr; }
    } forget { m_openOptions };
    m_openOptions = &options;
    return open(path);
}

std::size_t CDatabase::indexedCount() const
{
    return m_indexedCount.load(std::memory_order_acquire);
}

void CDatabase::visitIndexed(std::size_t first, std::size_t count,
    const std::function<void(const CDatabaseEntry&)>& visit) const
{
    std::lock_guard lock(m_indexMutex);
    const std::size_t last = std::min(m_entries.size(), first + std::min(count, m_entries.size()));
    for (std::size_t i = first; i < last; ++i)
        visit(m_entries[i]);
}

void CDatabase::clearEntries()
{
    std::lock_guard lock(m_indexMutex);
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_indexedCount.store(0, std::memory_order_release);
}

bool CDatabase::openKeepingPool(const std::string& path)
{
    if (m_isOpen)
        closeKeepingPool();
    m_fileName = path;
    if (Result<std::string> target = replacementTarget(path)) {
        restoreBackup(*target);
    } else if (target.error().kind == ErrorKind::WrongFileType) {
        setError(NotRegularFile, path);
        return false;
    }
    if (!openForReading()) {
        struct stat info { };
        setError(::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) ? NotRegularFile
                                                                            : FileNotFound,
            path);
        return false;
    }
    m_current = 0;
    m_position = 0;
    m_isOpen = true;
    buildIndex();
    return m_isOpen;
}

void CDatabase::close()
{
    closeKeepingPool();
    std::lock_guard lock(m_indexMutex);
    m_pool = std::make_unique<TagTextPool>();
}

void CDatabase::closeKeepingPool()
{
    clearEntries();
    m_input.close();
    m_current = 0;
    m_position = 0;
    m_isOpen = false;
}

void CDatabase::buildIndex()
{
    clearEntries();
    m_current = 0;
    if (!m_isOpen)
        return;
    // Identify before scanning: a change made while scanning then shows at the next check.
    // The file read, not what the name holds by now: a rewrite may have replaced it since.
    identify(m_fileName, m_indexed, m_input.fd());
    const std::int64_t first = m_position;
    bool readError = false;
    if (!indexFile(readError)) {
        // Half an index would pass for the whole file.
        close();
        setError(OpenCancelled, m_fileName);
        return;
    }
    {
        std::lock_guard lock(m_indexMutex);
        m_entries.shrink_to_fit();
    }
    if (readError)
        setError(ReadError);
    m_current = 0;
    seekTo(first);
}

bool CDatabase::indexFile(bool& readError)
{
    const OpenOptions defaults;
    const OpenOptions& options = m_openOptions ? *m_openOptions : defaults;
    const std::int64_t first = m_position;
    const std::int64_t length = std::max<std::int64_t>(0, m_input.size() - first);
    auto stopRequested = [&] { return options.stop.stop_requested(); };

    // The stretches after the first, each with a reader and a descriptor of its own.
    int parts = options.threads > 0 ? options.threads
                                    : int(std::clamp(std::thread::hardware_concurrency(), 1U, 4U));
    parts = int(std::min<std::int64_t>(parts,
        std::max<std::int64_t>(1, length / std::max<std::int64_t>(1, options.minStretchBytes))));
    struct Helper {
        std::unique_ptr<CGameReader> reader;
        PgnInput input;
        IndexStretch stretch;
        std::int64_t from = 0;
        std::int64_t bound = LLONG_MAX;
        std::thread thread;
    };
    std::vector<std::unique_ptr<Helper>> helpers;
    std::atomic<bool> abandon { false };
    auto helperStop = [&] { return abandon.load() || stopRequested(); };
    for (int k = 1; k < parts; ++k) {
        auto helper = std::make_unique<Helper>();
        helper->reader = m_reader->clone();
        if (!helper->reader || !helper->input.openSameFile(m_input))
            break;
        helper->from = first + length * k / parts;
        if (!helpers.empty())
            helpers.back()->bound = helper->from;
        helpers.push_back(std::move(helper));
    }
    // Whatever ends this function, no helper outlives it.
    struct JoinAll {
        std::vector<std::unique_ptr<Helper>>& helpers;
        std::atomic<bool>& abandon;
        ~JoinAll()
        {
            abandon = true;
            for (auto& helper : helpers)
                if (helper->thread.joinable())
                    helper->thread.join();
        }
    } joinAll { helpers, abandon };
    for (auto& helper : helpers) {
        Helper* h = helper.get();
        h->thread = std::thread([h, &helperStop] {
            h->stretch.scan(*h->reader, h->input, h->from, h->bound, helperStop);
        });
    }

    std::int64_t start = first;
    bool ended = false;
    bool stopped = false;
    std::size_t passed = 0; // helpers whose stretch the scan has left behind
    std::int64_t reported = -1;
    auto report = [&](bool always) {
        if (!options.progress)
            return;
        std::int64_t bytes = start - first;
        for (std::size_t k = passed; k < helpers.size(); ++k)
            bytes += helpers[k]->stretch.scanned.load(std::memory_order_relaxed);
        bytes = std::min(bytes, length);
        if (!always && reported >= 0 && bytes - reported < kReportBytes)
            return;
        reported = bytes;
        options.progress({ std::int64_t(indexedCount()), bytes, length });
    };

    // Games are scanned outside the lock and published in batches under it.
    IndexEntryMaker maker(*m_pool);
    std::vector<IndexTags> batch(kBatch);
    std::vector<std::pair<std::int64_t, std::int64_t>> spans(kBatch);
    std::size_t count = 0;
    std::size_t batchSize = kFirstBatch;
    auto publish = [&] {
        if (count == 0)
            return;
        {
            std::lock_guard lock(m_indexMutex);
            if (m_entries.empty() && start > first) {
                // Room for the whole file at the first batch's bytes per game, so that the
                // entries are rarely moved under the lock.
                const std::int64_t perGame =
                    std::max<std::int64_t>(64, (start - first) / std::int64_t(count));
                m_entries.reserve(std::size_t(length / perGame + length / perGame / 8 + count));
            }
            for (std::size_t i = 0; i < count; ++i)
                m_entries.push_back(maker.make(
                    std::int32_t(m_entries.size()), batch[i], spans[i].first, spans[i].second));
            m_indexedCount.store(m_entries.size(), std::memory_order_release);
        }
        count = 0;
        batchSize = kBatch;
        report(false);
    };
    auto scanOne = [&] {
        std::int64_t end = 0;
        if (!m_reader->scanIndexTags(m_input, start, end, batch[count]) || end == start) {
            ended = true;
            return;
        }
        spans[count++] = { start, end };
        start = end;
        if (count == batchSize) {
            publish();
            stopped = stopRequested();
        }
    };
    auto join = [&](const IndexStretch& stretch, std::size_t from) {
        std::vector<std::uint32_t> ids(stretch.pool->size(), UINT32_MAX);
        ids[0] = 0;
        for (std::size_t at = from; at < stretch.entries.size(); at += kJoinPiece) {
            std::lock_guard lock(m_indexMutex);
            const std::size_t last = std::min(stretch.entries.size(), at + kJoinPiece);
            for (std::size_t i = at; i < last; ++i) {
                CDatabaseEntry entry = stretch.entries[i];
                for (std::uint32_t& id : entry.tags) {
                    if (ids[id] == UINT32_MAX)
                        ids[id] = m_pool->intern(stretch.pool->text(id));
                    id = ids[id];
                }
                entry.number = std::int32_t(m_entries.size());
                entry.pool = m_pool.get();
                m_entries.push_back(entry);
            }
            m_indexedCount.store(m_entries.size(), std::memory_order_release);
        }
    };

    const std::int64_t firstBound = helpers.empty() ? LLONG_MAX : helpers.front()->from;
    while (!ended && !stopped && start < firstBound)
        scanOne();
    for (std::size_t k = 0; k < helpers.size() && !stopped; ++k) {
        helpers[k]->thread.join();
        const IndexStretch& stretch = helpers[k]->stretch;
        if (stretch.stopped)
            stopped = true;
        // Scan on until the scan stands where the stretch has a game, then take the
        // stretch's games from there; a stretch the scan passes by is of no use.
        while (!ended && !stopped) {
            auto at = std::lower_bound(stretch.entries.begin(), stretch.entries.end(), start,
                [](const CDatabaseEntry& entry, std::int64_t offset) {
                    return entry.start < offset;
                });
            if (at != stretch.entries.end() && at->start == start) {
                publish();
                join(stretch, std::size_t(at - stretch.entries.begin()));
                start = stretch.next;
                ended = stretch.ended;
                readError |= stretch.readError;
                break;
            }
            if (start >= stretch.next) {
                ended = start == stretch.next && stretch.ended;
                break;
            }
            scanOne();
        }
        passed = k + 1;
        report(false);
    }
    while (!ended && !stopped)
        scanOne();
    publish();
    readError |= m_input.hadReadError();
    if (stopped)
        return false;
    report(true);
    return true;
}

std::size_t CDatabase::indexMemoryBytes() const
{
    return m_entries.capacity() * sizeof(CDatabaseEntry) + m_pool->memoryBytes();
}

bool CDatabase::seekTo(std::int64_t offset)
{
    if (!m_isOpen)
        return false;
    if (m_input.seek(offset)) {
        m_position = offset;
        return true;
    }
    m_input.close();
    if (!openForReading()) {
        setError(FileNotFound, m_fileName);
        return false;
    }
    if (!m_input.seek(offset)) {
        setError(SeekFailed);
        return false;
    }
    m_position = offset;
    return true;
}

void CDatabase::search(const CDatabaseFilter& filter, std::vector<CDatabaseEntry>& result) const
{
    result.clear();
    FilterMatcher matcher(filter);
    for (const CDatabaseEntry& entry : m_entries) {
        if (matcher.matches(entry)) {
            result.push_back(entry);
            result.back().number = static_cast<std::int32_t>(&entry - m_entries.data());
        }
    }
}

std::unique_ptr<CPgnGame> CDatabase::loadCurrent()
{
    if (!m_isOpen)
        return nullptr;
    std::unique_ptr<CPgnGame> game;
    std::int64_t end = 0;
    if (!m_reader->readGame(m_input, m_position, end, game) || !game) {
        setError(ParseError);
        return nullptr;
    }
    return game;
}

std::unique_ptr<CPgnGame> CDatabase::next()
{
    if (!m_isOpen || m_entries.empty())
        return nullptr;
    // After a rewrite the current number is only a hint and may lie past the end.
    m_current = m_current + 1 >= int(m_entries.size()) ? 0 : std::max(0, m_current + 1);
    if (!seekTo(m_entries[std::size_t(m_current)].start))
        return nullptr;
    return loadCurrent();
}

std::unique_ptr<CPgnGame> CDatabase::prev()
{
    if (!m_isOpen || m_entries.empty())
        return nullptr;
    const int count = int(m_entries.size());
    m_current = m_current <= 0 ? count - 1 : std::min(m_current, count) - 1;
    if (!seekTo(m_entries[std::size_t(m_current)].start))
        return nullptr;
    return loadCurrent();
}

std::unique_ptr<CPgnGame> CDatabase::gotoGame(int n)
{
    if (!m_isOpen || n < 0 || n >= int(m_entries.size()))
        return nullptr;
    m_current = n;
    if (!seekTo(m_entries[std::size_t(n)].start))
        return nullptr;
    return loadCurrent();
}

bool CDatabase::writeAll(int output, std::string_view bytes)
{
    DatabaseFileCalls& sys = calls();
    while (!bytes.empty()) {
        ssize_t written = sys.write(output, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            setError(WriteError);
            return false;
        }
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}

bool CDatabase::closeLastGame(int fd, std::int64_t size)
{
    CDatabaseTail tail;
    std::vector<char> buffer(std::size_t(std::min<std::int64_t>(size, kCopyChunk)));
    for (std::int64_t at = 0; at < size;) {
        ssize_t got = calls().pread(fd, buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            setError(ReadError);
            return false;
        }
        tail.feed(std::string_view(buffer.data(), std::size_t(got)));
        at += got;
    }
    Result<std::string> closing = tail.closingText();
    if (!closing) {
        setError(IncompleteLastGame, m_appendPath);
        return false;
    }
    return writeAll(fd, *closing);
}

bool CDatabase::append(const std::string& path, CPgnGame& game)
{
    DatabaseFileCalls& sys = calls();
    Result<std::string> target = replacementTarget(path);
    if (!target) {
        setFileError(target.error(), CannotAppend, path);
        return false;
    }
    // Appending to a new file where a crashed rewrite left only the backup would hide it,
    // and the next rewrite would remove it.
    if (!restoreBackup(*target)) {
        setError(CannotAppend, path);
        return false;
    }
    FileLock::Options options;
    options.create = true;
    options.append = true;
    options.wait = m_lockWait;
    Result<FileLock> lock = FileLock::acquire(*target, options, &sys);
    if (!lock) {
        setFileError(lock.error(), CannotAppend, path);
        return false;
    }
    const int fd = lock->fd();
    const std::int64_t size = lock->info().st_size;
    FileIdentity before;
    identify(*target, before, fd);
    m_appendPath = path;
    const std::string text = game.toString();
    bool ok = (before == m_appended || closeLastGame(fd, size)) && writeAll(fd, text);
    if (ok && sys.fsync(fd) != 0) {
        setError(WriteError);
        ok = false;
    }
    // Half a game at the end would swallow the next game appended: cut it off again, with
    // the time the file had, or every database opened on it would take our failed append
    // for another program's change.
    if (!ok && ::ftruncate(fd, size) == 0) {
        const timespec times[2] = { { 0, UTIME_OMIT }, lock->info().st_mtim };
        ::futimens(fd, times);
        ::fsync(fd);
    }
    if (ok)
        identify(*target, m_appended, fd);
    else
        m_appended = {};
    return ok;
}

bool CDatabase::replaceCurrent(CPgnGame& game)
{
    return replaceGame(m_current, game);
}

bool CDatabase::replaceGame(int n, CPgnGame& game)
{
    if (!m_isOpen || n < 0 || n >= int(m_entries.size()))
        return false;
    const CDatabaseEntry& entry = m_entries[std::size_t(n)];
    return rewrite(entry.start, entry.end, &game);
}

bool CDatabase::deleteCurrent()
{
    return deleteGame(m_current);
}

bool CDatabase::deleteGame(int n)
{
    if (!m_isOpen || n < 0 || n >= int(m_entries.size()))
        return false;
    const CDatabaseEntry& entry = m_entries[std::size_t(n)];
    return rewrite(entry.start, entry.end, nullptr);
}

bool CDatabase::copyRange(TemporaryFile& output, std::int64_t from, std::int64_t to)
{
    DatabaseFileCalls& sys = calls();
    int input = m_input.fd();
    if (input < 0)
        return false;
    std::vector<char> buffer(kCopyChunk);
    std::int64_t at = from;
    for (;;) {
        std::size_t want = buffer.size();
        if (to != 0) {
            if (at >= to)
                return true;
            want = std::size_t(std::min<std::int64_t>(std::int64_t(want), to - at));
        }
        ssize_t got = sys.pread(input, buffer.data(), want, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || (got == 0 && to != 0)) {
            setError(ReadError);
            return false;
        }
        if (got == 0)
            return true;
        if (!output.write(std::string_view(buffer.data(), std::size_t(got)))) {
            setError(WriteError);
            return false;
        }
        at += got;
    }
}

bool CDatabase::refuseChanged(const std::string& name)
{
    // Offsets from an index of another file would cut the wrong bytes.
    const int current = m_current;
    closeKeepingPool();
    openKeepingPool(name);
    m_current = std::min(current, std::max(0, int(m_entries.size()) - 1));
    setError(ChangedOnDisk, name);
    return false;
}

bool CDatabase::rewrite(std::int64_t start, std::int64_t end, CPgnGame* game)
{
    if (!m_isOpen)
        return false;
    DatabaseFileCalls& sys = calls();
    const std::string name = m_fileName;
    Result<std::string> resolved = replacementTarget(name);
    if (!resolved) {
        setFileError(resolved.error(), CannotWrite, name);
        return false;
    }
    const std::string target = *resolved;
    FileLock::Options options;
    options.wait = m_lockWait;
    Result<FileLock> lock = FileLock::acquire(target, options, &sys);
    if (!lock) {
        setFileError(lock.error(), CannotWrite, name);
        return false;
    }
    FileIdentity now;
    if (!identify(target, now) || !(now == m_indexed))
        return refuseChanged(name);

    const int savedCurrent = m_current;
    const std::int64_t savedPosition = m_position;
    const std::string backup = target + kBackupSuffix;

    bool result = false;
    Result<TemporaryFile> temporary =
        TemporaryFile::create(target, lock->info().st_mode & 07777, sys, true);
    if (!temporary) {
        setError(CannotWrite, target + ".tmp");
    } else {
        bool written = (start == 0 || copyRange(*temporary, 0, start));
        if (written && game && !temporary->write(game->toString())) {
            setError(WriteError);
            written = false;
        }
        if (written)
            written = copyRange(*temporary, end, 0);
        // The new file must be on the disk before it may replace the old one.
        if (written && !temporary->finish()) {
            setError(WriteError);
            written = false;
        }
        // A program that takes no lock may have written while we copied.
        if (written && (!identify(target, now) || !(now == m_indexed)))
            return refuseChanged(name);
        if (written) {
            // Under the lock no other rewrite is under way: what looks like one is a
            // leftover of a crash.
            removeLeftoverTemporaries(target, temporary->name(), sys);
            closeKeepingPool();
            sys.unlink(backup.c_str());
            // The backup is a second name of the old file, so the old file keeps its name
            // until the new one replaces it in one step. Where hard links are not possible
            // the old file is renamed, and renamed back if the new one cannot follow.
            bool linked = sys.link(target.c_str(), backup.c_str()) == 0;
            bool movedAway = false;
            if (!linked)
                movedAway = sys.rename(target.c_str(), backup.c_str()) == 0;
            if (!linked && !movedAway) {
                setError(RenameFailed, "renaming " + target + " to " + backup + " failed");
            } else if (!temporary->commit(target)) {
                if (movedAway)
                    sys.rename(backup.c_str(), target.c_str());
                else
                    sys.unlink(backup.c_str());
                setError(
                    RenameFailed, "renaming " + temporary->name() + " to " + target + " failed");
            } else {
                sys.unlink(backup.c_str());
                result = true;
            }
        }
    }
    lock->release();

    const int code = m_errorCode;
    const std::string message = m_errorMessage;
    if (!m_isOpen)
        openKeepingPool(name);
    if (m_isOpen) {
        seekTo(std::min(savedPosition, m_input.size()));
        m_current = savedCurrent;
    }
    if (!result) {
        m_errorCode = code;
        m_errorMessage = message;
    }
    return result;
}

std::string CDatabase::toString()
{
    return "CDatabase::toString() not yet implemented";
}

void CDatabase::toFile(std::FILE* file)
{
    if (file)
        std::fputs("CDatabase::toFile() not yet implemented", file);
}

} // namespace velmorak
