#include "UploadProgress.h"

namespace vemla {

namespace {

QString Duration(std::chrono::steady_clock::duration d) {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(d).count();
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

void UploadProgress::Start(Clock::time_point now) {
    m_started = true;
    m_finished = false;
    m_count = 0;
    m_skipped = 0;
    m_start = m_last = now;
}

void UploadProgress::Add(Clock::time_point now) {
    ++m_count;
    m_last = now;
}

bool UploadProgress::Receiving(Clock::time_point now) const {
    return m_started && !m_finished && now - m_last < kGap;
}

QString UploadProgress::Text(Language language, Clock::time_point now) const {
    if (!m_started)
        return {};
    QString line;
    if (!Receiving(now)) {
        line = Pick(text::kStatusUploadDone, language).arg(m_count).arg(Duration(m_last - m_start));
    } else {
        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const double rate = seconds > 0 ? m_count * kRecordBytes / seconds / 1000.0 : 0.0;
        line = Pick(text::kStatusReceiving, language)
                   .arg(m_count)
                   .arg(rate, 0, 'f', 1)
                   .arg(Duration(now - m_start));
    }
    if (m_skipped > 0)
        line += Pick(text::kStatusSkipped, language).arg(m_skipped);
    return line;
}

} // namespace vemla
