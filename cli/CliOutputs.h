#pragma once
// What every vemla-cli command writes: messages on stderr, results on stdout, and its files,
// all or nothing.

#include "DocumentWriter.h"

#include <QString>
#include <memory>
#include <vector>

namespace vemla {

// "vemla-cli: …" on stderr.
void Say(const QString& text);
// A result line on stdout, flushed so a script reading it line by line sees it at once.
void Out(const QString& text);

struct CliOptions;

// Before anything is asked of the meter or the archive: the same file named for two outputs is
// kExitUsage; a link at an output, an existing file without --force, or a folder that cannot be
// written is kExitFile. Said on stderr.
int CheckOutputPaths(const CliOptions& options);

// power --csv with --force: the live log never replaces a file, so the one there is removed
// first. kExitDone, or kExitFile with the cause said.
int RemoveForcedLog(const CliOptions& options);

// One run's outputs are all or nothing: each is prepared under a temporary name, and only when
// every one is whole are they placed; a failure then removes those already placed.
class StagedOutputs {
public:
    StagedOutputs(Language language, Replace replace) : m_language(language), m_replace(replace) {}
    FileCommit& Stage(const QString& path);
    // kExitDone, or kExitFile with the file and the cause said.
    int PlaceAll();

private:
    struct Staged {
        std::unique_ptr<FileCommit> file;
        Destination to;
    };
    Language m_language;
    Replace m_replace;
    std::vector<Staged> m_staged;
};

} // namespace vemla
