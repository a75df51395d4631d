#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "record/CDatabase.h"

// The system calls of replacing and appending files, with faults on demand: the n-th call
// (counting every call) fails, every call of one name fails, writes stop after a number of
// bytes (a disk that fills up) or come in short pieces, hard links are refused (as on FAT memory
// cards), and a hook runs before each call, to change the file between two steps of a replacement.
class FailingFileCalls : public velmorak::DatabaseFileCalls {
public:
    int failAt = -1;
    std::string failCall;
    std::size_t writeLimit = SIZE_MAX;
    // Bytes one write takes at most (short writes the caller must continue).
    std::size_t writeChunk = SIZE_MAX;
    bool noLinks = false;
    // Runs before the call named (open, write, fsync, close, rename, unlink, link, pread).
    std::function<void(const std::string&)> before;
    // The name of every call made, in order.
    std::vector<std::string> log;

    int open(const char* path, int flags, mode_t mode) override;
    ssize_t write(int fd, const void* data, std::size_t size) override;
    int fsync(int fd) override;
    int close(int fd) override;
    int rename(const char* from, const char* to) override;
    int unlink(const char* path) override;
    int link(const char* from, const char* to) override;
    ssize_t pread(int fd, void* data, std::size_t size, std::int64_t offset) override;

private:
    // True (errno set) when this call is to fail.
    bool fails(const char* name, int error = 5 /* EIO */);
    std::size_t m_written = 0;
};
