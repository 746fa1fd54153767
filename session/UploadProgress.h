#pragma once
// How an upload goes, for a status line: records so far, their rate on the line and the time
// taken. The session feeds it; a front end asks for the text as often as it likes.

#include "Texts.h"

#include <QString>
#include <chrono>

namespace vemla {

class UploadProgress {
public:
    using Clock = std::chrono::steady_clock;
    // No record for this long and the upload counts as over, even without its end reply.
    static constexpr std::chrono::milliseconds kGap{1000};
    // A record's frame on the line.
    static constexpr int kRecordBytes = 22;

    void Start(Clock::time_point now);
    void Add(Clock::time_point now);
    // Records missing from the upload (arrived damaged), shown after the counts.
    void AddSkipped(int count) { m_skipped += count; }
    int Skipped() const { return m_skipped; }
    void Finish() { m_finished = true; }

    bool Started() const { return m_started; }
    bool Receiving(Clock::time_point now) const;
    int Count() const { return m_count; }
    // "Receiving records: 812 · 1.1 kB/s · 0:45" while receiving, "812 records in 0:45" after;
    // empty before the first upload.
    QString Text(Language language, Clock::time_point now) const;

private:
    bool m_started = false;
    bool m_finished = false;
    int m_count = 0;
    int m_skipped = 0;
    Clock::time_point m_start{};
    Clock::time_point m_last{};
};

} // namespace vemla
