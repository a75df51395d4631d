#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/EnginePlugin.h"

namespace velmorak::test {

// A report table that records every call, with the thread it came from.
struct RecordedReport {
    std::string kind; // "nodes", "depth", "current", "line"
    std::string text;
    long long a = 0;
    long long b = 0;
    std::thread::id thread;
};

class ReportRecorder {
public:
    ReportRecorder() { s_current = this; }
    ~ReportRecorder() { s_current = nullptr; }

    const EngineCallbacks* table() const
    {
        static const EngineCallbacks table { 0, &nodes, &depth, &currentMove, &line, &value };
        return &table;
    }

    std::vector<RecordedReport> reports() const
    {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }
    // Every report, one a line: "current g1f3 2 20" (kind, any text, then the two numbers).
    std::string text() const
    {
        std::string all;
        for (const RecordedReport& report : reports())
            all += report.kind + (report.text.empty() ? "" : ' ' + report.text) + ' ' +
                std::to_string(report.a) + ' ' + std::to_string(report.b) + '\n';
        return all;
    }
    // The text of the last line reported, "" when there is none ("(no line)" would hide
    // an empty line reported on purpose, so tests that care check text() as well).
    std::string lastLine() const
    {
        std::vector<RecordedReport> all = reports();
        auto found = std::find_if(all.rbegin(), all.rend(),
            [](const RecordedReport& report) { return report.kind == "line"; });
        return found == all.rend() ? std::string() : found->text;
    }
    // Waits, bounded, until a line has been reported (by a search on another thread).
    bool waitForLine(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(m_mutex);
        return m_added.wait_for(lock, timeout, [this] {
            return std::any_of(m_reports.begin(), m_reports.end(),
                [](const RecordedReport& report) { return report.kind == "line"; });
        });
    }
    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_reports.clear();
    }

private:
    static inline ReportRecorder* s_current = nullptr;
    static void add(RecordedReport report)
    {
        if (ReportRecorder* recorder = s_current) {
            report.thread = std::this_thread::get_id();
            std::lock_guard lock(recorder->m_mutex);
            recorder->m_reports.push_back(std::move(report));
            recorder->m_added.notify_all();
        }
    }
    static void nodes(std::uint32_t low, std::uint32_t high)
    {
        add({ "nodes", "", static_cast<long long>(std::uint64_t(high) << 32 | low), 0, {} });
    }
    static void depth(int d, int s) { add({ "depth", "", d, s, {} }); }
    static void currentMove(const char* move, int number, int count)
    {
        add({ "current", move ? move : "", number, count, {} });
    }
    static void line(const char* text, int score)
    {
        add({ "line", text ? text : "", score, 0, {} });
    }
    static void value(int) { }

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_added;
    std::vector<RecordedReport> m_reports;
};

} // namespace velmorak::test
