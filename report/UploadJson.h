#pragma once
// An upload as a JSON document, both ways: the language, the header fields, the meter's
// wavelengths and lasers, the limits it is judged with and when, and one object per record (its
// seven texts as shown, its typed values and its raw frame). The command line writes it; the
// certificate program reads it back, so the field names are fixed and live in this file only.

#include "DocumentWriter.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace vemla {

QByteArray UploadJsonBytes(const UploadDocument& document);

class UploadJsonWriter final : public IDocumentWriter {
public:
    bool Prepare(const UploadDocument& document, FileCommit& file, QString* error) override;
};

// Untrusted input: sizes and values are bounded; false with the reason otherwise. A power or
// reference given as null (the meter's bytes made no number) reads as no number.
bool UploadDocumentFromJson(const QJsonObject& json, UploadDocument* document, QString* error);

} // namespace vemla
