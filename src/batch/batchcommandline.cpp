#include "batch/batchcommandline.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QString kProgram = QStringLiteral("quorlan-batch");
const QString kLicence = QStringLiteral("Licence");
const QString kNetwork = QStringLiteral("Network");
constexpr int kMaxJobs = 64;

enum CommandBit
{
    Backup = 1,
    Push = 2,
    Preview = 4
};

struct OptionSpec
{
    const char* name;
    // Null for a switch.
    const char* valueName;
    int commands;
    // Required by every command that has it.
    bool required;
    const char* description;
};

// In the order the help text lists them.
const OptionSpec kOptions[] = {
    {"csv", "FILE", Backup | Push, true,
     "The CSV server list: a header line naming the columns host, username and password, then one line per server."},
    {"output-dir", "DIR", Backup, true,
     "The existing directory that receives one .conf file per server. An existing file is never overwritten: "
     "\"Name (1).conf\" and so on are chosen instead."},
    {"naming", "NAMING", Backup, false,
     "How the files are named: server-name (the default, \"My Server.conf\"), host (\"192.168.0.1.conf\") or both "
     "(\"My Server-192.168.0.1.conf\")."},
    {"server-config", "FILE", Preview, true,
     "The server's current configuration, for instance a file written by backup."},
    {"config", "FILE", Push | Preview, true, "The configuration file or snippet to push (UTF-8)."},
    {"mode", "MODE", Push | Preview, false,
     "merge (the default): the pushed sections replace the server's sections of the same names, new ones are "
     "appended and the server's other sections stay. replace: the pushed configuration becomes the whole "
     "configuration, apart from the preserved sections."},
    {"no-preserve-licence", nullptr, Push | Preview, false,
     "Do not keep the server's own Licence sections (kept by default unless the pushed file has a section of the "
     "same name)."},
    {"no-preserve-network", nullptr, Push | Preview, false,
     "Do not keep the server's own Network sections (kept by default, as the licence)."},
    {"restart", nullptr, Push, false, "Restart each server after its configuration lock has been released."},
    {"allow-no-sections", nullptr, Push, false,
     "Push a configuration file that holds no section header (empty, comments only, not a configuration at all). "
     "Without it such a file stops the run before any server is contacted: in replace mode it would leave every "
     "server with nothing but its preserved sections."},
    {"diff", nullptr, Preview, false,
     "Print a unified diff from the current to the resulting configuration instead of the resulting "
     "configuration."},
    {"jobs", "N", Backup | Push, false,
     "Work on up to N servers at once, 1 to 64 (default 1: one after another). The output and the report still "
     "read as one server after another: each server's lines together, in the order of the CSV server list."},
    {"report", "FILE", Backup | Push, false, "Also write every INFO: and ERROR: line of the run to FILE."},
    {"overwrite-report", nullptr, Backup | Push, false,
     "Replace an existing report file. Without it, an existing report file stops the run before any server is "
     "contacted."},
};

struct CommandSpec
{
    const char* word;
    CommandBit bit;
    BatchRequest::Command command;
    const char* synopsis;
    const char* description;
};

const CommandSpec kCommands[] = {
    {"backup", Backup, BatchRequest::Command::Backup, "--csv FILE --output-dir DIR [options]",
     "Saves the configuration of every server of the CSV server list as one file in the output directory."},
    {"push", Push, BatchRequest::Command::Push, "--csv FILE --config FILE [options]",
     "Pushes one configuration file or snippet to every server of the CSV server list, under each server's "
     "configuration lock."},
    {"preview", Preview, BatchRequest::Command::Preview, "--server-config FILE --config FILE [options]",
     "Prints the configuration a server would hold after a push, without contacting any server. A section header "
     "that the push would reject is reported as the push reports it."},
};

const char* const kIntroduction =
    "Runs Quorlan's backup and push on the servers of a CSV server list, one server after another (or several at "
    "once with --jobs), from a terminal "
    "or a scheduler, and previews a push offline. Every step of a run is printed as Quorlan's window shows it: "
    "\"INFO: \" lines on standard output, \"ERROR: \" lines on standard error. When standard error is a terminal, "
    "a progress line (servers done, failures, current host) is kept at its bottom; redirected output never "
    "holds it. When servers failed, the run ends with a summary on standard error: how many failed and "
    "succeeded, and each failed server's host with its first error. The defaults are those of the window's first "
    "start.";

const char* const kExitStatuses[][2] = {
    {"0", "Every server succeeded (preview: the resulting configuration or diff was printed)."},
    {"1", "The run went through the whole list, and at least one server failed; the summary at the end names them."},
    {"2", "Usage error, or a run that could not start, so no server was contacted: unreadable or damaged CSV server "
          "list, missing CSV column, report file refused or not writable, output directory missing or not writable, "
          "unreadable configuration file, a configuration file without section header (push, unless "
          "allowed) or with a section header that the server's schema rejects (push, preview: "
          "\"ERROR: Config Error: ...\")."},
};

constexpr int kTextWidth = 80;
constexpr int kDescriptionColumn = 28;

// Appends text wrapped at word boundaries; every line starts with indent spaces.
void appendWrapped(QString& out, const QString& text, int indent)
{
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > kTextWidth) {
            out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
            line.clear();
        }
        line += line.isEmpty() ? word : QLatin1Char(' ') + word;
    }
    out += QString(indent, QLatin1Char(' ')) + line + QLatin1Char('\n');
}

QString optionLabel(const OptionSpec& option)
{
    QString label = QStringLiteral("  --") + QLatin1String(option.name);
    if (option.valueName) {
        label += QLatin1Char(' ') + QLatin1String(option.valueName);
    }
    return label;
}

void appendOption(QString& out, const QString& label, const QString& description)
{
    QString wrapped;
    appendWrapped(wrapped, description, kDescriptionColumn);
    if (label.size() < kDescriptionColumn) {
        wrapped.replace(0, label.size(), label);
        out += wrapped;
    } else {
        out += label + QLatin1Char('\n') + wrapped;
    }
}

BatchRequest usageError(const QString& message)
{
    BatchRequest request;
    request.command = BatchRequest::Command::UsageError;
    request.text = message;
    return request;
}

BatchRequest help()
{
    BatchRequest request;
    request.command = BatchRequest::Command::Help;
    request.text = BatchCommandLine::helpText();
    return request;
}

bool isHelpWord(const QString& word)
{
    return word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help");
}

} // namespace

QString BatchCommandLine::helpText()
{
    QString out = QStringLiteral("Usage:\n");
    for (const CommandSpec& command : kCommands) {
        out += QStringLiteral("  ") + kProgram + QLatin1Char(' ') + QLatin1String(command.word) + QLatin1Char(' ') +
               QLatin1String(command.synopsis) + QLatin1Char('\n');
    }
    out += QStringLiteral("  ") + kProgram + QStringLiteral(" --help\n\n");
    appendWrapped(out, QLatin1String(kIntroduction), 0);
    for (const CommandSpec& command : kCommands) {
        out += QLatin1Char('\n') + QLatin1String(command.word) + QStringLiteral(":\n");
        appendWrapped(out, QLatin1String(command.description), 2);
        for (const OptionSpec& option : kOptions) {
            if (option.commands & command.bit) {
                appendOption(out, optionLabel(option), QLatin1String(option.description));
            }
        }
        appendOption(out, QStringLiteral("  -h, --help"), QStringLiteral("Print this help and exit."));
    }
    out += QStringLiteral("\nExit status:\n");
    for (const auto& status : kExitStatuses) {
        appendOption(out, QStringLiteral("  ") + QLatin1String(status[0]), QLatin1String(status[1]));
    }
    return out;
}

BatchRequest BatchCommandLine::parse(const QStringList& arguments)
{
    if (arguments.size() < 2) {
        return usageError(QStringLiteral("no command given (backup, push or preview)"));
    }
    const QString word = arguments.at(1);
    if (isHelpWord(word)) {
        return help();
    }
    const CommandSpec* command = nullptr;
    for (const CommandSpec& candidate : kCommands) {
        if (word == QLatin1String(candidate.word)) {
            command = &candidate;
        }
    }
    if (!command) {
        return usageError(QStringLiteral("unknown command '%1' (use backup, push or preview)").arg(word));
    }

    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(helpOption);
    for (const OptionSpec& option : kOptions) {
        if (option.commands & command->bit) {
            parser.addOption(option.valueName ? QCommandLineOption(QLatin1String(option.name), QString(),
                                                                   QLatin1String(option.valueName))
                                              : QCommandLineOption(QLatin1String(option.name)));
        }
    }
    // The program name stands where the parser expects it; the command word is already read.
    if (!parser.parse(QStringList{arguments.first()} + arguments.mid(2))) {
        return usageError(word + QStringLiteral(": ") + parser.errorText());
    }
    if (parser.isSet(helpOption)) {
        return help();
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError(word +
                          QStringLiteral(": unexpected argument '%1'").arg(parser.positionalArguments().first()));
    }

    BatchRequest request;
    request.command = command->command;
    // Paths are trimmed, as the window's path fields are.
    const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)).trimmed(); };
    for (const OptionSpec& option : kOptions) {
        if ((option.commands & command->bit) && option.required && value(option.name).isEmpty()) {
            return usageError(word + QStringLiteral(": the option --%1 %2 is required")
                                         .arg(QLatin1String(option.name), QLatin1String(option.valueName)));
        }
    }

    OperationOptions& options = request.options;
    options.insertPreservedSection(kLicence);
    options.insertPreservedSection(kNetwork);
    if (command->bit != Preview) {
        options.setCsvPath(value("csv"));
        options.setReportPath(value("report"));
        request.overwriteReport = parser.isSet(QStringLiteral("overwrite-report"));
        if (parser.isSet(QStringLiteral("jobs"))) {
            bool number = false;
            request.jobs = value("jobs").toInt(&number);
            if (!number || request.jobs < 1 || request.jobs > kMaxJobs) {
                return usageError(
                    word +
                    QStringLiteral(": --jobs takes a number from 1 to %1, not '%2'").arg(kMaxJobs).arg(value("jobs")));
            }
        }
    }
    if (command->bit == Backup) {
        options.setOutputDirectory(value("output-dir"));
        const QString naming = parser.isSet(QStringLiteral("naming")) ? value("naming") : QStringLiteral("server-name");
        if (naming == QLatin1String("server-name")) {
            options.setNamingMode(static_cast<qint32>(NamingMode::ServerName));
        } else if (naming == QLatin1String("host")) {
            options.setNamingMode(static_cast<qint32>(NamingMode::IPHost));
        } else if (naming == QLatin1String("both")) {
            options.setNamingMode(static_cast<qint32>(NamingMode::Both));
        } else {
            return usageError(word +
                              QStringLiteral(": unknown naming '%1' (use server-name, host or both)").arg(naming));
        }
        return request;
    }

    options.setConfigFilePath(value("config"));
    const QString mode = parser.isSet(QStringLiteral("mode")) ? value("mode") : QStringLiteral("merge");
    if (mode == QLatin1String("merge")) {
        options.setPushMode(static_cast<qint32>(PushMode::Merge));
    } else if (mode == QLatin1String("replace")) {
        options.setPushMode(static_cast<qint32>(PushMode::Replace));
    } else {
        return usageError(word + QStringLiteral(": unknown mode '%1' (use merge or replace)").arg(mode));
    }
    if (parser.isSet(QStringLiteral("no-preserve-licence"))) {
        options.removePreservedSection(kLicence);
    }
    if (parser.isSet(QStringLiteral("no-preserve-network"))) {
        options.removePreservedSection(kNetwork);
    }
    if (command->bit == Push) {
        options.setRestartServers(parser.isSet(QStringLiteral("restart")));
        request.allowNoSections = parser.isSet(QStringLiteral("allow-no-sections"));
    } else {
        request.serverConfigPath = value("server-config");
        request.diff = parser.isSet(QStringLiteral("diff"));
    }
    return request;
}
