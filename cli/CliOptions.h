#pragma once
// vemla-cli's command line: one sub-command, its arguments and options. Parsed without an
// application object, so mistakes, --help and --version need nothing else.

#include "HeaderFields.h"
#include "LinkResults.h"
#include "RotatingFile.h"
#include "Texts.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace vemla {

// The exit codes a script relies on.
enum CliExit : int {
    kExitDone = 0,
    kExitMeterFailed = 1,
    kExitUsage = 2,
    kExitPort = 3,
    kExitNoReply = 4,
    kExitFile = 5,
    // Some results could not be archived, or `archive check` found the archive damaged.
    kExitArchive = 6,
    kExitSkipped = 7, // the upload finished, but damaged records were left out
    kExitRefused = 8, // the shared archive's server refused: the login lacks the right
    kExitSharedWaiting = 9,     // `archive status`/`sync`: records still wait to be sent
    kExitSharedUnreachable = 10, // `archive status`/`sync`: the server cannot be reached
    kExitInterrupted = 130,
};

enum class CliCommand {
    Ports,
    Connect,
    Power,
    Upload,
    SetTime,
    SelectWave,
    Calibrate,
    Delete,
    DeleteAll,
    Archive, // the archive file's full check, and the lab's shared archive; no meter
    Project  // a project's plan, progress and reports, from the archive; no meter
};

enum class ProjectAction { Import, Add, List, Status, Report };
enum class ArchiveAction {
    Check,
    InitServer,
    Search,
    Status, // the local archive against the shared one
    Sync    // send what waits, receive the other stations'
};

// power watches at most this many meters at once, each its own --port.
inline constexpr int kMaxCliPorts = 16;

struct CliOptions {
    CliCommand command = CliCommand::Ports;
    QString port;
    bool simulate = false;
    int records = 25; // stored in the simulated meter
    double timeoutS = 3.0;
    bool json = false; // machine-readable output
    Language language = Language::English;
    bool force = false;
    bool yes = false;

    // power
    std::optional<double> intervalS;
    std::optional<int> count; // per meter
    QStringList ports;        // every --port in order; port is the last (one-meter commands)
    bool jsonl = false;       // one JSON object a line on stdout, of every meter
    QString jsonlFile;        // the same lines appended to this file
    std::optional<double> durationS;
    Rotation rotation; // of the --csv log and the --jsonl-file
    // upload
    QString xlsx, csv, jsonFile, pdf;
    HeaderFields header;
    bool archive = true;

    // set-time: year (full), month, day, hour, minute; empty for "now"
    std::optional<std::array<int, 5>> time;
    int wavelength = 0;    // select-wave
    float calibration = 0; // calibrate
    int recordNumber = 0;  // delete, 1-based
    bool refresh = false;  // delete: upload again afterwards and say how many are left

    // archive: the local file's check, or the shared archive at --server (libpq's connection
    // string or service; VEMLA_ARCHIVE_SERVER or the window's setting when not given)
    ArchiveAction archiveAction = ArchiveAction::Check;
    QString server;
    QString search; // search: the text the uploads hold
    int limit = 50;

    // project (and upload --project NAME --direction ab|ba)
    ProjectAction projectAction = ProjectAction::List;
    QString project;
    Direction direction = Direction::AtoB;
    QString plan;         // import: the plan's CSV file
    QStringList patterns; // add: "B1-PP1-J[01..48]", …
    // Only when the project is made: its expected wavelengths (the limits' when none), both
    // directions or one, how two directions make one, and its particulars.
    std::vector<int> projectWaves;
    bool bothDirections = false;
    LinkRules rules;
    QString customer, site, projectNotes;
};

// power --jsonl / --jsonl-file: the meters' readings as lines, until --count, --duration or a
// stop signal.
inline bool StreamsLines(const CliOptions& o) {
    return o.command == CliCommand::Power && (o.jsonl || !o.jsonlFile.isEmpty());
}

// args as given, argv[0] first. The options to run with, or the exit code once --help,
// --version or a mistake (told on stderr) has been handled.
std::variant<CliOptions, int> ParseCliOptions(const QStringList& args);

} // namespace vemla
