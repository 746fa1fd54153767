#include "CliOptions.h"

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
    CommandInfo{"archive", CliCommand::Archive, "check"},
};

constexpr unsigned Bit(CliCommand c) {
    return 1u << static_cast<unsigned>(c);
}
constexpr unsigned kAll = ~0u;
constexpr unsigned kMeter = kAll & ~Bit(CliCommand::Ports) & ~Bit(CliCommand::Archive);

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
    OptionInfo{"csv", true, Bit(CliCommand::Power) | Bit(CliCommand::Upload)},
    OptionInfo{"force", false, Bit(CliCommand::Power) | Bit(CliCommand::Upload)},
    OptionInfo{"xlsx", true, Bit(CliCommand::Upload)},
    OptionInfo{"pdf", true, Bit(CliCommand::Upload)},
    OptionInfo{"company", true, Bit(CliCommand::Upload)},
    OptionInfo{"model", true, Bit(CliCommand::Upload)},
    OptionInfo{"serial", true, Bit(CliCommand::Upload)},
    OptionInfo{"operator", true, Bit(CliCommand::Upload)},
    OptionInfo{"notes", true, Bit(CliCommand::Upload)},
    OptionInfo{"no-archive", false, Bit(CliCommand::Upload)},
    OptionInfo{"yes", false, Bit(CliCommand::DeleteAll)},
    OptionInfo{"refresh", false, Bit(CliCommand::Delete)},
};
// Upload's --json names a file: the same name, with a value.
constexpr OptionInfo kUploadJson{"json", true, Bit(CliCommand::Upload)};

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
    "\n"
    "Options:\n"
    "  --port COM<n>|DEVICE       the meter's port (every command but ports)\n"
    "  --simulate [--records N]   talk to a built-in simulated meter instead\n"
    "  --timeout S                longest wait for a reply, or between two records (3)\n"
    "  --json                     machine-readable output (upload: --json FILE)\n"
    "  --language en|zh           language of the messages and the files (en)\n"
    "  --help, --version\n"
    "power:  --interval S  --count N  --csv FILE  --force\n"
    "upload: --xlsx FILE  --csv FILE  --json FILE  --pdf FILE  --force  --no-archive\n"
    "        --company TEXT  --model TEXT  --serial TEXT  --operator TEXT  --notes TEXT\n"
    "\n"
    "Exit codes: 0 done, 1 the meter reported a failure, 2 usage error, 3 the port cannot be\n"
    "opened, 4 no reply in time, 5 a file cannot be written (or no readings for --xlsx/--csv),\n"
    "6 results not archived or the archive damaged, 7 uploaded but damaged readings were left\n"
    "out, 130 interrupted.\n";

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

class Parser {
public:
    explicit Parser(Language language) : m_language(language) {}

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

private:
    Language m_language;
};

const OptionInfo* FindOption(const QString& name, std::optional<CliCommand> command) {
    if (command == CliCommand::Upload && name == QLatin1String(kUploadJson.name))
        return &kUploadJson;
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
           FindOption(arg.mid(2).section(QLatin1Char('='), 0, 0), {}) != nullptr;
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

struct CommandWord {
    std::optional<CliCommand> command; // none for a word that names no command
    QString name;
    qsizetype at = -1;
};

// The command: the first word that is not an option or an option's value. The command is not
// known yet, so the word after --json is taken as its file (upload's --json FILE) unless it is a
// command or an option: "--json out.json --simulate upload" uploads.
CommandWord FindCommandWord(const QStringList& args) {
    CommandWord word;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--"))) {
            const QString name = a.mid(2).section(QLatin1Char('='), 0, 0);
            const OptionInfo* o = FindOption(name, {});
            const bool jsonFile = name == QLatin1String("json") && i + 1 < args.size() &&
                                  !IsCommandName(args[i + 1]) &&
                                  !args[i + 1].startsWith(QLatin1Char('-'));
            if (o && (o->value || jsonFile) && !a.contains(QLatin1Char('=')))
                ++i;
            continue;
        }
        if (a == QLatin1String("-h")) // short help only
            continue;
        word.name = a;
        word.at = i;
        for (const CommandInfo& c : kCommands)
            if (a == QLatin1String(c.name))
                word.command = c.command;
        break;
    }
    return word;
}

// Paths are bounded by what the system takes, header texts by the workbook's field.
bool TakeText(QString& field, const QString& value, bool path) {
    if (path ? QFile::encodeName(value).size() > kMaxPathBytes : value.size() > kMaxText)
        return false;
    field = value;
    return true;
}

void ApplyFlag(const QString& name, CliOptions& o) {
    if (name == QLatin1String("json"))
        o.json = true;
    else if (name == QLatin1String("simulate"))
        o.simulate = true;
    else if (name == QLatin1String("force"))
        o.force = true;
    else if (name == QLatin1String("yes"))
        o.yes = true;
    else if (name == QLatin1String("no-archive"))
        o.archive = false;
    else if (name == QLatin1String("refresh"))
        o.refresh = true;
}

// The output paths and header texts; an exit code when the value is refused.
std::optional<int> ApplyTextOption(const Parser& p, const QString& name, const QString& value,
                                   CliOptions& o) {
    struct TextOption {
        const char* name;
        QString* field;
        bool path;
    };
    const std::array fields{
        TextOption{"csv", &o.csv, true},
        TextOption{"xlsx", &o.xlsx, true},
        TextOption{"pdf", &o.pdf, true},
        TextOption{"company", &o.header.company, false},
        TextOption{"model", &o.header.model, false},
        TextOption{"serial", &o.header.serialNumber, false},
        TextOption{"operator", &o.header.testOperator, false},
        TextOption{"notes", &o.header.notes, false},
    };
    for (const TextOption& f : fields) {
        if (name == QLatin1String(f.name) &&
            (value.isEmpty() || !TakeText(*f.field, value, f.path)))
            return p.Bad(QStringLiteral("--") + name, value,
                         f.path ? text::kCliWantPath : text::kCliWantText);
    }
    return std::nullopt;
}

// One option (with its value) into o; an exit code when the value is refused.
std::optional<int> ApplyOption(const Parser& p, const OptionInfo& info, const QString& name,
                               const QString& value, CliOptions& o) {
    const QString option = QStringLiteral("--") + name;
    if (!info.value) {
        ApplyFlag(name, o);
    } else if (name == QLatin1String("language")) {
        if (value != QLatin1String("en") && value != QLatin1String("zh"))
            return p.Bad(option, value, text::kCliWantLanguage);
    } else if (name == QLatin1String("json")) {
        if (value.isEmpty())
            return p.Usage(text::kCliMissingValue, name);
        if (!TakeText(o.jsonFile, value, true))
            return p.Bad(option, value, text::kCliWantPath);
    } else if (name == QLatin1String("port")) {
        if (value.isEmpty() || value.size() > 4096)
            return p.Usage(text::kCliPortRequired);
        o.port = value;
    } else if (name == QLatin1String("records")) {
        const auto n = Whole(value, 0, 65536);
        if (!n)
            return p.Bad(option, value, text::kCliWantRecords);
        o.records = *n;
    } else if (name == QLatin1String("timeout") || name == QLatin1String("interval")) {
        const auto s = Decimal(value, 0.2, 3600);
        if (!s)
            return p.Bad(option, value, text::kCliWantSeconds);
        (name == QLatin1String("timeout") ? o.timeoutS : o.intervalS.emplace()) = *s;
    } else if (name == QLatin1String("count")) {
        const auto n = Whole(value, 1, 100000000);
        if (!n)
            return p.Bad(option, value, text::kCliWantCount);
        o.count = *n;
    } else {
        return ApplyTextOption(p, name, value, o);
    }
    return std::nullopt;
}

// Every option into o, and the words that are neither the command nor an option's value into
// positional; an exit code when one is refused, or when only the help or the version was asked.
std::optional<int> ReadOptions(const QStringList& args, const Parser& p, const CommandWord& word,
                               CliOptions& o, QStringList& positional) {
    bool commandSeen = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(kHelp, stdout);
            return kExitDone;
        }
        if (!a.startsWith(QLatin1String("--"))) {
            if (a.startsWith(QLatin1Char('-')) && a.size() > 1 && !IsNumberText(a))
                return p.Usage(text::kCliUnknownOption, a);
            if (!commandSeen && a == word.name)
                commandSeen = true;
            else
                positional << a;
            continue;
        }
        const QString name = a.mid(2).section(QLatin1Char('='), 0, 0);
        const OptionInfo* info = FindOption(name, word.command);
        if (!info)
            return p.Usage(text::kCliUnknownOption, a);
        if (name == QLatin1String("version")) {
            std::printf("vemla-cli %s\n", VEMLA_VERSION);
            return kExitDone;
        }
        QString value;
        if (info->value) {
            // The command word and another option are never a value: "--json --force" lacks one.
            if (a.contains(QLatin1Char('=')))
                value = a.section(QLatin1Char('='), 1);
            else if (i + 1 < args.size() && i + 1 != word.at && !IsOptionName(args[i + 1]))
                value = args[++i];
            else
                return p.Usage(text::kCliMissingValue, name);
        } else if (a.contains(QLatin1Char('='))) {
            return p.Usage(text::kCliUnknownOption, a);
        }
        if (word.command && !(info->commands & Bit(*word.command)))
            return p.Usage(text::kCliOptionNotFor, name, word.name);
        if (const auto refused = ApplyOption(p, *info, name, value, o))
            return refused;
    }
    return std::nullopt;
}

// The command's own arguments into o; an exit code when they are not what it takes.
std::optional<int> ReadArguments(const Parser& p, const CommandWord& word,
                                 const QStringList& positional, CliOptions& o) {
    const CommandInfo* info = nullptr;
    for (const CommandInfo& c : kCommands)
        if (c.command == *word.command)
            info = &c;
    const auto wrongArguments = [&] {
        return p.Usage(text::kCliArguments, word.name,
                       *info->arguments ? QString::fromLatin1(info->arguments)
                                        : QStringLiteral("-"));
    };
    const QString joined = positional.join(QLatin1Char(' '));
    switch (*word.command) {
    case CliCommand::SetTime:
        if (positional.isEmpty())
            return wrongArguments();
        if (joined != QLatin1String("now")) {
            o.time = TimeOf(joined);
            if (!o.time)
                return p.Bad(QStringLiteral("set-time"), joined, text::kCliWantTime);
        }
        break;
    case CliCommand::SelectWave: {
        const auto nm = positional.size() == 1 ? Whole(joined, 1, 65535) : std::nullopt;
        if (!nm)
            return p.Bad(word.name, joined, text::kCliWantWavelength);
        o.wavelength = *nm;
        break;
    }
    case CliCommand::Calibrate: {
        const auto v = positional.size() == 1 ? Decimal(joined, -100, 100) : std::nullopt;
        if (!v)
            return p.Bad(word.name, joined, text::kCliWantCalibration);
        o.calibration = static_cast<float>(*v);
        break;
    }
    case CliCommand::Delete: {
        const auto n = positional.size() == 1 ? Whole(joined, 1, 65536) : std::nullopt;
        if (!n)
            return p.Bad(word.name, joined, text::kCliWantRecordNumber);
        o.recordNumber = *n;
        break;
    }
    case CliCommand::Archive:
        if (joined != QLatin1String("check"))
            return wrongArguments();
        break;
    default:
        if (!positional.isEmpty())
            return wrongArguments();
    }
    return std::nullopt;
}

} // namespace

std::variant<CliOptions, int> ParseCliOptions(const QStringList& args) {
    CliOptions o;
    o.language = LanguageOf(args);
    const Parser p(o.language);
    const CommandWord word = FindCommandWord(args);
    QStringList positional;
    if (const auto done = ReadOptions(args, p, word, o, positional))
        return *done;
    if (word.name.isEmpty())
        return p.Usage(text::kCliNoCommand);
    if (!word.command)
        return p.Usage(text::kCliUnknownCommand, word.name);
    o.command = *word.command;
    if (const auto refused = ReadArguments(p, word, positional, o))
        return *refused;
    if (o.command == CliCommand::DeleteAll && !o.yes)
        return p.Usage(text::kCliDeleteAllNeedsYes);
    if (o.command != CliCommand::Ports && o.command != CliCommand::Archive && o.port.isEmpty() &&
        !o.simulate)
        return p.Usage(text::kCliPortRequired);
    return o;
}

} // namespace vemla
