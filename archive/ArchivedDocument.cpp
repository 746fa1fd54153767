#include "ArchiveTypes.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace vemla {

UploadDocument DocumentOf(const ArchivedUpload& upload) {
    UploadDocument document;
    document.language = upload.language;
    document.header = upload.header;
    document.waves = upload.waves;
    document.lasers = upload.lasers;
    document.certification =
        CertificationFromJson(QJsonDocument::fromJson(upload.certification.toUtf8()).object());
    document.taken = upload.began;
    document.rows = upload.records;
    document.interrupted = upload.interrupted;
    document.skippedFrames = upload.skippedRecords;
    return document;
}

} // namespace vemla
