#pragma once
// An upload as a JSON document: the language, the header fields, the meter's wavelengths and one
// object per record (its seven texts as shown and its typed values). The command line writes it;
// a certificate program reads it back, so the field names are fixed.

#include "HeaderFields.h"
#include "RecordList.h"
#include "Texts.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace vemla {

struct UploadJsonInput {
    Language language = Language::English;
    HeaderFields header;
    std::vector<int> waves;
    std::array<uint32_t, 4> lasers{};
    const RecordList* records = nullptr;
    int recordCounter = 0; // the first min(counter, rows) records, as the report takes them
    // The limits the upload is judged with (empty when judging is off) and the time "now" of
    // that judgement, which decides what counts as a stale reference.
    QJsonObject certification;
    QDateTime generated;
};

QByteArray UploadJsonBytes(const UploadJsonInput& input);

// All or nothing: written under a temporary name and renamed (an existing file is replaced).
bool WriteUploadJson(const UploadJsonInput& input, const QString& path, QString* error);

} // namespace vemla
