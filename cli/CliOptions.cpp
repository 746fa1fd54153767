#include "CliOptions.h"

#include "Certification.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vemla {
namespace {

constexpr int kMaxText = 1000; // a header field; the workbook cell holds far more
// An output path in the system's encoding, its terminating zero not counted (PATH_MAX 4096).
constexpr qsizetype kMaxPathBytes = 4095;

struct CommandInfo {
    const char* name;
    CliCommand command;
    const char* arguments; // as the help shows them
};

constexpr std::array kCommands{
    CommandInfo{"ports", CliCommand::Ports, ""},
    CommandInfo{"connect", CliCommand::Connect, ""},
    CommandInfo{"power", CliCommand::Power, ""},
    CommandInfo{"upload", CliCommand::Upload, ""},
    CommandInfo{"set-time", CliCommand::SetTime, "now | YYYY-MM-DD HH:MM"},
    CommandInfo{"select-wave", CliCommand::SelectWave, "NM"},
    CommandInfo{"calibrate", CliCommand::Calibrate, "VALUE"},
    CommandInfo{"delete", CliCommand::Delete, "N"},
    CommandInfo{"delete-all", CliCommand::DeleteAll, ""},
    CommandInfo{"archive", CliCommand::Archive,
                "check | init-server | search TEXT"
                " | status | sync"},
    CommandInfo{"project", CliCommand::Project,
                "import NAME --plan FILE | add NAME PATTERN... | list | status NAME | "
                "report NAME"},
};

constexpr unsigned Bit(CliCommand c) {
    return 1u << static_cast<unsigned>(c);
}
constexpr unsigned kAll = ~0u;
constexpr unsigned kMeter =
    kAll & ~Bit(CliCommand::Ports) & ~Bit(CliCommand::Archive) & ~Bit(CliCommand::Project);
constexpr unsigned kFiles = Bit(CliCommand::Upload) | Bit(CliCommand::Project);

struct OptionInfo {
    const char* name;
    bool value;
    unsigned commands; // where it applies
};

constexpr std::array kOptions{
    OptionInfo{"help", false, kAll},
    OptionInfo{"version", false, kAll},
    OptionInfo{"language", true, kAll},
    OptionInfo{"json", false, kAll & ~Bit(CliCommand::Upload)},
    OptionInfo{"port", true, kMeter},
    OptionInfo{"simulate", false, kMeter},
    OptionInfo{"records", true, kMeter},
    OptionInfo{"timeout", true, kMeter},
    OptionInfo{"interval", true, Bit(CliCommand::Power)},
    OptionInfo{"count", true, Bit(CliCommand::Power)},
    OptionInfo{"duration", true, Bit(CliCommand::Power)},
    OptionInfo{"jsonl", false, Bit(CliCommand::Power)},
    OptionInfo{"jsonl-file", true, Bit(CliCommand::Power)},
    OptionInfo{"rotate", true, Bit(CliCommand::Power)},
    OptionInfo{"rotate-size", true, Bit(CliCommand::Power)},
    OptionInfo{"csv", true, Bit(CliCommand::Power) | kFiles},
    OptionInfo{"force", false, Bit(CliCommand::Power) | kFiles},
    OptionInfo{"xlsx", true, kFiles},
    OptionInfo{"pdf", true, kFiles},
    OptionInfo{"company", true, Bit(CliCommand::Upload)},
    OptionInfo{"model", true, kFiles},
    OptionInfo{"serial", true, kFiles},
    OptionInfo{"operator", true, kFiles},
    OptionInfo{"notes", true, kFiles},
    OptionInfo{"no-archive", false, Bit(CliCommand::Upload)},
    OptionInfo{"yes", false, Bit(CliCommand::DeleteAll)},
    OptionInfo{"refresh", false, Bit(CliCommand::Delete)},
    OptionInfo{"project", true, Bit(CliCommand::Upload)},
    OptionInfo{"direction", true, Bit(CliCommand::Upload)},
    OptionInfo{"plan", true, Bit(CliCommand::Project)},
    OptionInfo{"waves", true, Bit(CliCommand::Project)},
    OptionInfo{"both-directions", false, Bit(CliCommand::Project)},
    OptionInfo{"rule", true, Bit(CliCommand::Project)},
    OptionInfo{"threshold", true, Bit(CliCommand::Project)},
    OptionInfo{"customer", true, Bit(CliCommand::Project)},
    OptionInfo{"site", true, Bit(CliCommand::Project)},
    OptionInfo{"server", true, Bit(CliCommand::Archive)},
    OptionInfo{"limit", true, Bit(CliCommand::Archive)},
};
// Upload's and project report's --json names a file: the same name, with a value.
constexpr OptionInfo kFileJson{"json", true, kFiles};

constexpr const char* kHelp =
    "Usage: vemla-cli [options] COMMAND [arguments]\n"
    "Every errand of the optical power meter, without a window.\n"
    "\n"
    "Commands:\n"
    "  ports                      the serial ports, as the window lists them\n"
    "  connect                    the meter's wavelengths and laser wavelengths\n"
    "  power                      one reading, or one every --interval seconds\n"
    "  upload                     the stored readings, into the files named\n"
    "  set-time now|YYYY-MM-DD HH:MM   set the meter's clock\n"
    "  select-wave NM             choose the working wavelength\n"
    "  calibrate VALUE            set the calibration value (dB)\n"
    "  delete N [--refresh]       delete stored reading N (1 is the first); --refresh\n"
    "                             uploads again and tells how many readings are left\n"
    "  delete-all --yes           delete every stored reading\n"
    "  archive check              read the whole measurement archive and check it\n"
    "  archive init-server        make the lab's shared archive on its server, or bring it up\n"
    "                             to date\n"
    "  archive search TEXT        the shared archive's uploads whose text holds TEXT, newest\n"
    "                             first (--limit N, 50)\n"
    "  archive status             is everything here on the shared archive's server\n"
    "  archive sync               send what waits there, receive the other stations' uploads\n"
    "  project import NAME --plan FILE   a plan of cable IDs from CSV (cable_id, length_km,\n"
    "                             connections, splices, from, to, notes) into a project\n"
    "  project add NAME PATTERN...  cable IDs typed as patterns, e.g. B1-PP1-J[01..48]\n"
    "  project list               every project and its progress\n"
    "  project status NAME        a project's progress and each cable ID's results\n"
    "  project report NAME        its certificate, workbook, CSV or JSON, as named\n"
    "\n"
    "Options:\n"
    "  --port COM<n>|DEVICE       the meter's port (every command but ports); power takes up\n"
    "                             to 16, one --port each, with --jsonl or --jsonl-file\n"
    "  --simulate [--records N]   talk to a built-in simulated meter instead\n"
    "  --timeout S                longest wait for a reply, or between two records (3)\n"
    "  --json                     machine-readable output (upload: --json FILE)\n"
    "  --language en|zh           language of the messages and the files (en)\n"
    "  --help, --version\n"
    "power:  --interval S  --count N  --csv FILE  --force\n"
    "        --jsonl  --jsonl-file FILE   one JSON object a line per reading, every meter,\n"
    "        until --count N (each meter), --duration S, Ctrl+C or SIGTERM\n"
    "        --rotate never|hour|day (day)  --rotate-size BYTES|nK|nM|nG   of the files\n"
    "upload: --xlsx FILE  --csv FILE  --json FILE  --pdf FILE  --force  --no-archive\n"
    "        --company TEXT  --model TEXT  --serial TEXT  --operator TEXT  --notes TEXT\n"
    "        --project NAME --direction ab|ba   give the upload to a project\n"
    "project (made by its first import or add): --waves 1310,1550  --both-directions\n"
    "        --rule average|each|worse  --threshold DB  --customer TEXT  --site TEXT\n"
    "        --notes TEXT;  report: --pdf FILE  --xlsx FILE  --csv FILE  --json FILE  --force\n"
    "        report: --model TEXT  --serial TEXT  --operator TEXT   the meter on its certificate\n"
    "archive init-server, search, status, sync: --server CONNINFO   libpq's \"service=lab\" or\n"
    "        \"host=... dbname=vemla\" (VEMLA_ARCHIVE_SERVER, else Vemla's setting)\n"
    "\n"
    "Exit codes: 0 done, 1 the meter reported a failure, 2 usage error, 3 the port cannot be\n"
    "opened, 4 no reply in time, 5 a file cannot be written (or no readings for --xlsx/--csv),\n"
    "6 results not archived or the archive damaged, 7 uploaded but damaged readings were left\n"
    "out, 8 the shared archive's server refused (the login lacks the right), 9 records still\n"
    "wait to be sent to it, 10 it cannot be reached, 130 interrupted.\n";

// The text's %1, %2, %3 replaced in one pass: a value that itself holds "%1" (a file name, a
// typed word) is shown as typed, never filled in again.
QString FillIn(const QString& text, std::initializer_list<QString> values) {
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = i + 1 < text.size() ? text[i + 1].digitValue() : -1;
        if (text[i] == QLatin1Char('%') && n >= 1 && n <= qsizetype(values.size())) {
            out += values.begin()[n - 1];
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// jsonFile: --json names a file here (upload, project report), rather than asking for JSON.
const OptionInfo* FindOption(const QString& name, bool jsonFile) {
    if (jsonFile && name == QLatin1String(kFileJson.name))
        return &kFileJson;
    for (const OptionInfo& o : kOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

bool IsCommandName(const QString& arg) {
    return std::any_of(kCommands.begin(), kCommands.end(),
                       [&](const CommandInfo& c) { return arg == QLatin1String(c.name); });
}

bool IsOptionName(const QString& arg) {
    return arg.startsWith(QLatin1String("--")) &&
           FindOption(arg.mid(2).section(QLatin1Char('='), 0, 0), false) != nullptr;
}

bool IsNumberText(const QString& arg) {
    bool ok = false;
    arg.toDouble(&ok);
    return ok;
}

std::optional<double> Decimal(const QString& text, double low, double high) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < low || v > high)
        return std::nullopt;
    return v;
}

std::optional<int> Whole(const QString& text, int low, int high) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

std::optional<std::array<int, 5>> TimeOf(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})[ T](\\d{2}):(\\d{2})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    std::array<int, 5> f{};
    for (int i = 0; i < 5; ++i)
        f[static_cast<std::size_t>(i)] = m.captured(i + 1).toInt();
    // The meter keeps the year after 2000 in one byte.
    if (f[0] < 2000 || f[0] > 2255 || !QDate::isValid(f[0] > 2099 ? 2000 : f[0], f[1], f[2]) ||
        f[3] > 23 || f[4] > 59)
        return std::nullopt;
    return f;
}

// The options that only switch something on (or, for --no-archive, off).
struct FlagOption {
    const char* name;
    bool CliOptions::*field;
    bool set;
};

constexpr std::array kFlagOptions{
    FlagOption{"simulate", &CliOptions::simulate, true},
    FlagOption{"force", &CliOptions::force, true},
    FlagOption{"yes", &CliOptions::yes, true},
    FlagOption{"no-archive", &CliOptions::archive, false},
    FlagOption{"refresh", &CliOptions::refresh, true},
    FlagOption{"both-directions", &CliOptions::bothDirections, true},
    FlagOption{"jsonl", &CliOptions::jsonl, true},
};

// The options that take a number in a range: whole numbers or decimals.
struct NumberOption {
    const char* name;
    bool whole;
    double low;
    double high;
    const BilingualText* wanted;
    void (*store)(CliOptions&, double);
};

constexpr std::array kNumberOptions{
    NumberOption{"records", true, 0, 65536, &text::kCliWantRecords,
                 [](CliOptions& o, double v) { o.records = static_cast<int>(v); }},
    NumberOption{"count", true, 1, 100000000, &text::kCliWantCount,
                 [](CliOptions& o, double v) { o.count = static_cast<int>(v); }},
    NumberOption{"timeout", false, 0.2, 3600, &text::kCliWantSeconds,
                 [](CliOptions& o, double v) { o.timeoutS = v; }},
    NumberOption{"interval", false, 0.2, 3600, &text::kCliWantSeconds,
                 [](CliOptions& o, double v) { o.intervalS = v; }},
    NumberOption{"duration", false, 0.2, 31536000, &text::kCliWantDuration,
                 [](CliOptions& o, double v) { o.durationS = v; }},
    NumberOption{"threshold", false, 0, 100, &text::kCliWantThreshold,
                 [](CliOptions& o, double v) { o.rules.directionThresholdDb = v; }},
    NumberOption{"limit", true, 1, 10000, &text::kCliWantLimit,
                 [](CliOptions& o, double v) { o.limit = static_cast<int>(v); }},
};

// The options that take a file's path or a header field's text.
struct TextOption {
    const char* name;
    bool path;
    QString& (*field)(CliOptions&);
};

constexpr std::array kTextOptions{
    TextOption{"csv", true, [](CliOptions& o) -> QString& { return o.csv; }},
    TextOption{"jsonl-file", true, [](CliOptions& o) -> QString& { return o.jsonlFile; }},
    TextOption{"xlsx", true, [](CliOptions& o) -> QString& { return o.xlsx; }},
    TextOption{"pdf", true, [](CliOptions& o) -> QString& { return o.pdf; }},
    TextOption{"company", false, [](CliOptions& o) -> QString& { return o.header.company; }},
    TextOption{"model", false, [](CliOptions& o) -> QString& { return o.header.model; }},
    TextOption{"serial", false, [](CliOptions& o) -> QString& { return o.header.serialNumber; }},
    TextOption{"operator", false, [](CliOptions& o) -> QString& { return o.header.testOperator; }},
    TextOption{"notes", false, [](CliOptions& o) -> QString& { return o.header.notes; }},
    TextOption{"plan", true, [](CliOptions& o) -> QString& { return o.plan; }},
    TextOption{"project", false, [](CliOptions& o) -> QString& { return o.project; }},
    TextOption{"customer", false, [](CliOptions& o) -> QString& { return o.customer; }},
    TextOption{"site", false, [](CliOptions& o) -> QString& { return o.site; }},
    TextOption{"server", false, [](CliOptions& o) -> QString& { return o.server; }},
};

// "1310,1550": each from 1 to 7000 nm, at most 64, none twice.
bool WavesOf(const QString& text, std::vector<int>* waves) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > qsizetype(kMaxWaves))
        return false;
    waves->clear();
    for (const QString& part : parts) {
        const std::optional<int> wave = Whole(part, 1, kMaxWavelength);
        if (!wave || std::find(waves->begin(), waves->end(), *wave) != waves->end())
            return false;
        waves->push_back(*wave);
    }
    return true;
}

// "1048576", "64K", "100M", "2G" (powers of 1024): from 1 KiB to 1 TiB.
std::optional<int64_t> SizeOf(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{1,13})([KMG]?)$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int shift =
        10 * static_cast<int>(QStringLiteral("KMG").indexOf(m.captured(2).toUpper()) + 1);
    const int64_t bytes = m.captured(1).toLongLong() << (m.captured(2).isEmpty() ? 0 : shift);
    if (bytes < (int64_t{1} << 10) || bytes > (int64_t{1} << 40))
        return std::nullopt;
    return bytes;
}

// A word among those listed, and where it is in the list.
std::optional<int> Choice(const QString& value, std::initializer_list<const char*> words) {
    int at = 0;
    for (const char* word : words) {
        if (value == QLatin1String(word))
            return at;
        ++at;
    }
    return std::nullopt;
}

std::optional<double> ValueOf(const NumberOption& option, const QString& text) {
    if (!option.whole)
        return Decimal(text, option.low, option.high);
    const std::optional<int> n = Whole(text, int(option.low), int(option.high));
    return n ? std::optional<double>(*n) : std::nullopt;
}

template <class Option, std::size_t N>
const Option* FindIn(const std::array<Option, N>& table, const QString& name) {
    for (const Option& option : table)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

// The language first: every message after it is in that language.
Language LanguageOf(const QStringList& args) {
    Language language = Language::English;
    for (qsizetype i = 1; i < args.size(); ++i) {
        QString v;
        if (args[i] == QLatin1String("--language") && i + 1 < args.size())
            v = args[i + 1];
        else if (args[i].startsWith(QLatin1String("--language=")))
            v = args[i].mid(11);
        if (v == QLatin1String("zh"))
            language = Language::Chinese;
    }
    return language;
}

QString OptionName(const QString& arg) {
    return arg.mid(2).section(QLatin1Char('='), 0, 0);
}

// Reads the command line once, left to right. Each step returns an exit code when the parse
// ends there (--help, --version, a mistake told on stderr), nothing to go on.
class Parser {
public:
    explicit Parser(const QStringList& args) : m_args(args), m_language(LanguageOf(args)) {
        m_options.language = m_language;
    }

    std::variant<CliOptions, int> Parse() {
        FindCommand();
        for (qsizetype i = 1; i < m_args.size(); ++i)
            if (const std::optional<int> exit = ReadArgument(i))
                return *exit;
        if (m_commandName.isEmpty())
            return Usage(text::kCliNoCommand);
        if (!m_command)
            return Usage(text::kCliUnknownCommand, m_commandName);
        m_options.command = *m_command;
        if (const std::optional<int> exit = ReadCommandArguments())
            return *exit;
        if (*m_command == CliCommand::DeleteAll && !m_options.yes)
            return Usage(text::kCliDeleteAllNeedsYes);
        if ((Bit(*m_command) & kMeter) && m_options.port.isEmpty() && !m_options.simulate)
            return Usage(text::kCliPortRequired);
        if (!StreamsLines(m_options))
            m_options.ports = QStringList{m_options.port}; // one meter: the last --port wins
        else if (m_options.ports.removeDuplicates() > 0)
            // Two pollers of one port would fight over it.
            return Usage(text::kCliPortTwice);
        if (!m_options.project.isEmpty() && *m_command == CliCommand::Upload &&
            (!m_options.archive || !m_directionGiven))
            return Usage(text::kCliProjectNeedsDirection);
        return m_options;
    }

private:
    int Usage(const BilingualText& text, const QString& a = {}, const QString& b = {},
              const QString& c = {}) const {
        const QString message = FillIn(Pick(text, m_language), {a, b, c});
        std::fprintf(stderr, "vemla-cli: %s\n%s\n", qPrintable(message),
                     qPrintable(Pick(text::kCliTryHelp, m_language)));
        return kExitUsage;
    }
    int Bad(const QString& option, const QString& value, const BilingualText& wanted) const {
        return Usage(text::kCliBadValue, option, value, Pick(wanted, m_language));
    }
    int BadOption(const QString& name, const QString& value, const BilingualText& wanted) const {
        return Bad(QStringLiteral("--") + name, value, wanted);
    }

    // The command: the first word that is not an option or an option's value. The command is
    // not known yet, so the word after --json is taken as its file (upload's --json FILE)
    // unless it is a command or an option: "--json out.json --simulate upload" uploads.
    void FindCommand() {
        for (qsizetype i = 1; i < m_args.size(); ++i) {
            const QString& a = m_args[i];
            if (a.startsWith(QLatin1String("--"))) {
                const QString name = OptionName(a);
                const OptionInfo* o = FindOption(name, false);
                const bool jsonFile = name == QLatin1String("json") && i + 1 < m_args.size() &&
                                      !IsCommandName(m_args[i + 1]) &&
                                      !m_args[i + 1].startsWith(QLatin1Char('-'));
                if (o && (o->value || jsonFile) && !a.contains(QLatin1Char('=')))
                    ++i;
                continue;
            }
            if (a == QLatin1String("-h")) // short help only
                continue;
            m_commandName = a;
            m_commandAt = i;
            for (const CommandInfo& c : kCommands)
                if (a == QLatin1String(c.name))
                    m_command = c.command;
            return;
        }
    }

    bool JsonNamesAFile() const {
        if (m_command == CliCommand::Upload)
            return true;
        if (m_command != CliCommand::Project)
            return false;
        for (qsizetype i = m_commandAt + 1; i < m_args.size(); ++i)
            if (!m_args[i].startsWith(QLatin1Char('-')))
                return m_args[i] == QLatin1String("report");
        return false;
    }

    // args[i], and its value when it takes one (i then moves past it).
    std::optional<int> ReadArgument(qsizetype& i) {
        const QString& a = m_args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return kExitDone;
        }
        if (a.startsWith(QLatin1String("--")))
            return ReadOption(i);
        if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && !IsNumberText(a))
            return Usage(text::kCliUnknownOption, a);
        if (!m_commandSeen && a == m_commandName)
            m_commandSeen = true;
        else
            m_positional << a;
        return std::nullopt;
    }

    std::optional<int> ReadOption(qsizetype& i) {
        const QString& a = m_args[i];
        const QString name = OptionName(a);
        const OptionInfo* info = FindOption(name, JsonNamesAFile());
        if (!info)
            return Usage(text::kCliUnknownOption, a);
        if (name == QLatin1String("version")) {
            std::printf("vemla-cli %s\n", VEMLA_VERSION);
            return kExitDone;
        }
        QString value;
        if (info->value) {
            // The command word and another option are never a value: "--json --force" lacks
            // one.
            if (a.contains(QLatin1Char('=')))
                value = a.section(QLatin1Char('='), 1);
            else if (i + 1 < m_args.size() && i + 1 != m_commandAt && !IsOptionName(m_args[i + 1]))
                value = m_args[++i];
            else
                return Usage(text::kCliMissingValue, name);
        } else if (a.contains(QLatin1Char('='))) {
            return Usage(text::kCliUnknownOption, a);
        }
        if (m_command && !(info->commands & Bit(*m_command)))
            return Usage(text::kCliOptionNotFor, name, m_commandName);
        return ApplyOption(name, *info, value);
    }

    std::optional<int> ApplyOption(const QString& name, const OptionInfo& info,
                                   const QString& value) {
        if (name == QLatin1String("language")) {
            if (value != QLatin1String("en") && value != QLatin1String("zh"))
                return BadOption(name, value, text::kCliWantLanguage);
        } else if (name == QLatin1String("json")) {
            if (!info.value)
                m_options.json = true;
            else if (value.isEmpty())
                return Usage(text::kCliMissingValue, name);
            else if (!Fits(value, true))
                return BadOption(name, value, text::kCliWantPath);
            else
                m_options.jsonFile = value;
        } else if (name == QLatin1String("port")) {
            return ApplyPort(value);
        } else if (name.startsWith(QLatin1String("rotate"))) {
            return ApplyRotation(name, value);
        } else if (name == QLatin1String("waves")) {
            if (!WavesOf(value, &m_options.projectWaves))
                return BadOption(name, value, text::kCliWantWaves);
        } else if (name == QLatin1String("direction")) {
            const std::optional<int> at = Choice(value, {"ab", "ba"});
            if (!at)
                return BadOption(name, value, text::kCliWantDirection);
            m_options.direction = Direction(*at);
            m_directionGiven = true;
        } else if (name == QLatin1String("rule")) {
            const std::optional<int> at = Choice(value, {"average", "each", "worse"});
            if (!at)
                return BadOption(name, value, text::kCliWantRule);
            m_options.rules.rule = DirectionRule(*at);
        } else if (const FlagOption* flag = FindIn(kFlagOptions, name)) {
            m_options.*flag->field = flag->set;
        } else if (const NumberOption* number = FindIn(kNumberOptions, name)) {
            const std::optional<double> v = ValueOf(*number, value);
            if (!v)
                return BadOption(name, value, *number->wanted);
            number->store(m_options, *v);
        } else if (const TextOption* field = FindIn(kTextOptions, name)) {
            if (value.isEmpty() || !Fits(value, field->path))
                return BadOption(name, value,
                                 field->path ? text::kCliWantPath : text::kCliWantText);
            field->field(m_options) = value;
        }
        return std::nullopt;
    }

    // power --jsonl takes several, each a meter of its own; bounded, whatever the command.
    std::optional<int> ApplyPort(const QString& value) {
        if (value.isEmpty() || value.size() > 4096)
            return Usage(text::kCliPortRequired);
        if (m_options.ports.size() == kMaxCliPorts)
            return Usage(text::kCliTooManyPorts, QString::number(kMaxCliPorts));
        m_options.port = value;
        m_options.ports << value;
        return std::nullopt;
    }

    // --rotate never|hour|day, --rotate-size BYTES.
    std::optional<int> ApplyRotation(const QString& name, const QString& value) {
        if (name == QLatin1String("rotate")) {
            const std::optional<int> at = Choice(value, {"never", "hour", "day"});
            if (!at)
                return BadOption(name, value, text::kCliWantRotate);
            m_options.rotation.period = RotatePeriod(*at);
            return std::nullopt;
        }
        const std::optional<int64_t> bytes = SizeOf(value);
        if (!bytes)
            return BadOption(name, value, text::kCliWantSize);
        m_options.rotation.maxBytes = *bytes;
        return std::nullopt;
    }

    // Paths are bounded by what the system takes, header texts by the workbook's field.
    static bool Fits(const QString& value, bool path) {
        return path ? QFile::encodeName(value).size() <= kMaxPathBytes : value.size() <= kMaxText;
    }

    int WrongArguments() const {
        const CommandInfo* info = nullptr;
        for (const CommandInfo& c : kCommands)
            if (c.command == *m_command)
                info = &c;
        return Usage(text::kCliArguments, m_commandName,
                     *info->arguments ? QString::fromLatin1(info->arguments) : QStringLiteral("-"));
    }

    // The words after the command.
    std::optional<int> ReadCommandArguments() {
        const QString joined = m_positional.join(QLatin1Char(' '));
        const bool one = m_positional.size() == 1;
        switch (*m_command) {
        case CliCommand::SetTime:
            if (m_positional.isEmpty())
                return WrongArguments();
            if (joined != QLatin1String("now")) {
                m_options.time = TimeOf(joined);
                if (!m_options.time)
                    return Bad(QStringLiteral("set-time"), joined, text::kCliWantTime);
            }
            return std::nullopt;
        case CliCommand::SelectWave: {
            const auto nm = one ? Whole(joined, 1, 65535) : std::nullopt;
            if (!nm)
                return Bad(m_commandName, joined, text::kCliWantWavelength);
            m_options.wavelength = *nm;
            return std::nullopt;
        }
        case CliCommand::Calibrate: {
            const auto v = one ? Decimal(joined, -100, 100) : std::nullopt;
            if (!v)
                return Bad(m_commandName, joined, text::kCliWantCalibration);
            m_options.calibration = static_cast<float>(*v);
            return std::nullopt;
        }
        case CliCommand::Delete: {
            const auto n = one ? Whole(joined, 1, 65536) : std::nullopt;
            if (!n)
                return Bad(m_commandName, joined, text::kCliWantRecordNumber);
            m_options.recordNumber = *n;
            return std::nullopt;
        }
        case CliCommand::Archive:
            return ReadArchiveArguments();
        case CliCommand::Project:
            return ReadProjectArguments();
        default:
            return m_positional.isEmpty() ? std::nullopt : std::optional(WrongArguments());
        }
    }

    // archive check | init-server | search TEXT; the text may be empty (every upload).
    std::optional<int> ReadArchiveArguments() {
        const QStringList& words = m_positional;
        const std::optional<int> action =
            words.isEmpty() ? std::nullopt
                            : Choice(words[0], {"check", "init-server", "search",
                                                "status", "sync"});
        m_options.archiveAction = ArchiveAction(action.value_or(0));
        if (!action || words.size() != (m_options.archiveAction == ArchiveAction::Search ? 2 : 1))
            return WrongArguments();
        if (m_options.archiveAction == ArchiveAction::Search) {
            if (!Fits(words[1], false))
                return Bad(m_commandName, words[1], text::kCliWantText);
            m_options.search = words[1];
        }
        return std::nullopt;
    }

    // project ACTION [NAME [PATTERN...]]; a name is a text of at most 1,000 characters.
    std::optional<int> ReadProjectArguments() {
        static constexpr std::array kActions{"import", "add", "list", "status", "report"};
        const QStringList& words = m_positional;
        const std::optional<int> action =
            words.isEmpty() ? std::nullopt
                            : Choice(words[0], {kActions[0], kActions[1], kActions[2], kActions[3],
                                                kActions[4]});
        if (!action)
            return WrongArguments();
        m_options.projectAction = ProjectAction(*action);
        const qsizetype wanted = m_options.projectAction == ProjectAction::List ? 1 : 2;
        const bool add = m_options.projectAction == ProjectAction::Add;
        if (add ? words.size() < 3 : words.size() != wanted)
            return WrongArguments();
        if (wanted == 2) {
            m_options.project = words[1];
            if (words[1].trimmed().isEmpty() || !Fits(words[1], false))
                return Bad(m_commandName, words[1], text::kCliWantText);
        }
        m_options.patterns = words.mid(2);
        if (m_options.projectAction == ProjectAction::Import && m_options.plan.isEmpty())
            return Usage(text::kCliMissingValue, QStringLiteral("plan"));
        // --notes is the project's own notes here, not an upload's header.
        m_options.projectNotes = std::exchange(m_options.header.notes, {});
        return std::nullopt;
    }

    const QStringList& m_args;
    Language m_language;
    std::optional<CliCommand> m_command;
    QString m_commandName;
    qsizetype m_commandAt = -1;
    bool m_commandSeen = false;
    bool m_directionGiven = false;
    QStringList m_positional;
    CliOptions m_options;
};

} // namespace

std::variant<CliOptions, int> ParseCliOptions(const QStringList& args) {
    return Parser(args).Parse();
}

} // namespace vemla
