#pragma once
// One interface for every file made from an upload: a writer takes the document and a
// destination, and writes through the one safe write path (io/FileCommit.h).

#include "FileCommit.h"
#include "UploadDocument.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace vemla {

struct Destination {
    QString path;
    Replace replace = Replace::Never;
    // When the name is taken, "Name (2).ext", "Name (3).ext", … instead; never replaces.
    bool numberIfTaken = false;
};

struct WriteResult {
    bool ok = false;
    QString path;  // the file written, when one was
    QString error; // the real cause, in the document's language, when none was
};

class IDocumentWriter {
public:
    virtual ~IDocumentWriter() = default;
    // The document into `file`, which the writer opens (Open or OpenScratchPath) and leaves
    // unplaced, so a caller can place several files together. False with the real cause.
    virtual bool Prepare(const UploadDocument& document, FileCommit& file, QString* error) = 0;
    // Prepared and placed. All or nothing: on failure no file, and no temporary one, is left.
    WriteResult Write(const UploadDocument& document, const Destination& to);
};

// A spreadsheet cell holds at most this many characters (code points); every writer, the JSON
// reader too, takes texts up to it, so no output refuses what another wrote. The window bounds
// what is typed far below it (controls/DataExchange.h).
inline constexpr qsizetype kMaxCellCharacters = 32767;
// Which header field or cell is longer, in the document's language; empty when none is. Every
// writer refuses such a document with this message before writing anything.
QString TextTooLong(const UploadDocument& document);

// Prepares a file with `prepare` and places it; all or nothing, as IDocumentWriter::Write.
WriteResult PrepareAndPlace(const std::function<bool(FileCommit&, QString*)>& prepare,
                            const Destination& to, Language language);
// Places a prepared file at the destination (the next free number when asked).
WriteResult Place(FileCommit& file, const Destination& to, Language language);
// `bytes` into a file a writer prepares.
bool PrepareBytes(FileCommit& file, const QByteArray& bytes, Language language, QString* error);

} // namespace vemla
