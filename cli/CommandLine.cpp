// parvex-cli: the comparisons and reports of Parvex for scripts and batch jobs.
#include "CommandLine.h"

#include <QCommandLineParser>

#include "CliText.h"
#include "HistoryCommand.h"
#include "PairCommand.h"
#include "ReferenceCommand.h"
#include "TakeCommand.h"

#include "engine/base/ErrorReport.h"
#include "parvex/version.h"

namespace parvex {

namespace {

// What the window would show in a message box goes to standard error as one
// line, and any such message makes the run end with status 2.
class StderrBox final : public MessageBox {
 public:
  explicit StderrBox(std::FILE* err) : err_(err) {}
  void Show(const std::string& prompt, const std::string& caption, int /*style*/) override {
    std::fprintf(err_, "%s: %s\n", caption.c_str(), ForPeople(prompt).c_str());
    shown = true;
  }
  bool shown = false;

 private:
  std::FILE* err_;
};

// The run's messages go to its standard error while it runs; after it, to the
// process's own.
class RunErrors {
 public:
  explicit RunErrors(std::FILE* err) : box(err) { InstallErrorServices(SteadyTicks(), box); }
  ~RunErrors() {
    static StderrBox after(stderr);
    InstallErrorServices(SteadyTicks(), after);
  }
  RunErrors(const RunErrors&) = delete;
  RunErrors& operator=(const RunErrors&) = delete;

  StderrBox box;
};

// Structure numbers may be negative, which a parser of options would take for
// an option: every argument that is a "-" followed by a digit or a decimal
// separator is moved behind "--" with the other arguments, in their order.
QStringList NegativeNumbersAsArguments(const QStringList& arguments) {
  const auto isNumber = [](const QString& a) {
    return a.size() > 1 && a[0] == u'-' && (a[1].isDigit() || a[1] == u'.' || a[1] == u',');
  };
  QStringList options{arguments.value(0)};
  QStringList positional;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QStringLiteral("--")) {
      positional += arguments.mid(i + 1);
      break;
    }
    if (!a.startsWith(u'-') || a == QStringLiteral("-") || isNumber(a)) {
      positional += a;
      continue;
    }
    options += a;
    // The value of -o / --output, --rules and --jobs is its own, whatever it
    // looks like; without one, the parser is left to say that it is missing.
    if (a == QStringLiteral("-o") || a == QStringLiteral("--output") ||
        a == QStringLiteral("--rules") || a == QStringLiteral("--jobs") ||
        a == QStringLiteral("--include") || a == QStringLiteral("--only") ||
        a == QStringLiteral("--only-description") || a == QStringLiteral("--changes") ||
        HistoryOptions::TakesValue(a)) {
      if (i + 1 == arguments.size()) return arguments;
      options += arguments[++i];
    }
  }
  return options + QStringList{QStringLiteral("--")} + positional;
}

const QString kDescription = QStringLiteral(
    "Compares parameter archives and writes the differences as a report.\n"
    "\n"
    "  archives ARCHIVE1 ARCHIVE2                line n of ARCHIVE1 against line n of\n"
    "                                            ARCHIVE2\n"
    "  structures ARCHIVE STRUCTURE1 STRUCTURE2  member k of one structure against\n"
    "                                            member k of the other, in one archive\n"
    "  reference REFERENCE ARCHIVE|FOLDER...     every archive paired with REFERENCE by\n"
    "                                            address; a matrix of the deviations\n"
    "  take TARGET SOURCE                        SOURCE's values put into a copy of\n"
    "                                            TARGET (-o NEW) or into TARGET itself\n"
    "                                            (--in-place, keeping TARGET.*.bak)\n"
    "  changes TARGET SOURCE -o FILE             what take would change, as a change set\n"
    "                                            (JSON), or with --archive a partial\n"
    "                                            archive, which apply cannot check\n"
    "  apply TARGET CHANGESET                    a change set's values put into TARGET,\n"
    "                                            refused (status 2) where TARGET no\n"
    "                                            longer has its old values, unless --force\n"
    "  history SUBCOMMAND                        every machine's archives over time in a\n"
    "                                            store: add, import, list, log, diff,\n"
    "                                            baseline, drift, value, get, check\n"
    "  reference REFERENCE --history             the newest snapshot of every machine in\n"
    "                                            the store compared with REFERENCE\n"
    "\n"
    "The history commands keep every machine's archives over time in a store;\n"
    "their help:\n"
    "  parvex-cli history --help\n"
    "\n"
    "Structure numbers may be negative (by position only the second one, see the\n"
    "manual):\n"
    "  parvex-cli structures plant.arc 10 -1\n"
    "\n"
    "The report goes to standard output in the page layout, or with --csv in the\n"
    "comma-delimited layout. With -o it goes to FILE, comma-delimited when FILE ends\n"
    "in \"csv\" or --csv is given; --json and --html, or FILE ending in json,\n"
    "html or htm, give the JSON and web page layouts. The reference command writes\n"
    "a comma-delimited matrix unless --json, --html or FILE's ending says\n"
    "otherwise. Messages and the count of differences go to\n"
    "standard error. When a comparison cannot start (an archive missing or not\n"
    "openable), no report is written. Notes on lines that were left over or paired\n"
    "across addresses go to standard error too, each beginning \"Note: \".\n"
    "\n"
    "With --units, a line whose units differ from its partner's differs too; its\n"
    "second value then shows its units in square brackets. The reference command\n"
    "always compares units, unless --ignore-units is given. A file whose last\n"
    "line has no line end is noted as probably cut short.\n"
    "\n"
    "The reference command skips files in folders that are not archives (no line\n"
    "with an address and three fields after it, or NUL bytes) and names them once;\n"
    "--include GLOB takes only matching file names from folders.\n"
    "\n"
    "With --rules, lines that the rules file ignores or tolerates give no row, and\n"
    "the count line adds how many: N Difference(s), I ignored, T within tolerance;\n"
    "the reference command adds \", I ignored, T within tolerance\" to each line.\n"
    "A rules file that cannot be read or is not right stops the run before the\n"
    "comparison.\n"
    "\n"
    "take and changes pair lines by address and take a line whose value or units\n"
    "differ, as --numeric and --rules judge them (a line chosen with --only is\n"
    "taken whatever the rules say); only the value and units fields change.\n"
    "Read-only lines stay unless --include-read-only. Standard error ends with\n"
    "T values taken, E already equal, R read-only left alone, A added, S in the\n"
    "source only (not added). They end with status 0 when written or when nothing\n"
    "needed taking (then nothing is written), 2 on any failure. reference\n"
    "--changes FOLDER writes what changes would for each deviating archive, taking\n"
    "the reference's values, into FOLDER (made when missing) as NAME.json after the\n"
    "archive's file name, or after its path when two archives share a name.\n"
    "\n"
    "Exit status: 0 no difference, 1 differences found or lines left over, 2 a\n"
    "failure or warning.");

// Every option of the command line, added to the parser as it is made.
struct Options {
  const QCommandLineOption includeReadOnly{
      QStringLiteral("include-read-only"),
      QStringLiteral("Compare values marked read-only (\"!\") in the first archive too.")};
  const QCommandLineOption csv{QStringLiteral("csv"),
                               QStringLiteral("Write the comma-delimited layout.")};
  const QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                  QStringLiteral("Write the report to FILE."),
                                  QStringLiteral("FILE")};
  const QCommandLineOption byAddress{
      QStringLiteral("by-address"),
      QStringLiteral(
          "Pair lines (or members) with the same address instead of the same position.")};
  const QCommandLineOption numeric{
      QStringLiteral("numeric"),
      QStringLiteral("Values that both read as decimal numbers are equal when the numbers are "
                     "(1500 = 1500.0 = 1.5E3).")};
  const QCommandLineOption units{
      QStringLiteral("units"),
      QStringLiteral("A line whose units differ from its partner's differs too; the value then "
                     "shows its units in square brackets.")};
  const QCommandLineOption rulesFile{
      QStringLiteral("rules"),
      QStringLiteral("Ignore lines and tolerate numeric deviations as the TOML file FILE says."),
      QStringLiteral("FILE")};
  const QCommandLineOption json{QStringLiteral("json"), QStringLiteral("Write the JSON layout.")};
  const QCommandLineOption html{QStringLiteral("html"),
                                QStringLiteral("Write the web page layout (one HTML file).")};
  const QCommandLineOption recursive{
      QStringLiteral("recursive"),
      QStringLiteral("reference: a folder stands for the files of its subfolders too.")};
  const QCommandLineOption include{
      QStringLiteral("include"),
      QStringLiteral("reference: a folder gives only the files whose names match GLOB (such as "
                     "*.arc; may be given again)."),
      QStringLiteral("GLOB")};
  const QCommandLineOption ignoreUnits{
      QStringLiteral("ignore-units"),
      QStringLiteral("reference: a line whose units differ from the reference's does not "
                     "differ for that.")};
  const QCommandLineOption changes{
      QStringLiteral("changes"),
      QStringLiteral("reference: write a change set of the reference's values for each "
                     "deviating archive into FOLDER, named after the archive "
                     "(press-07.arc.json); --only, --only-description and --add-missing "
                     "choose its lines as for changes."),
      QStringLiteral("FOLDER")};
  const TakeOptions take;
  const HistoryOptions history;
  const QCommandLineOption jobs{
      QStringLiteral("jobs"),
      QStringLiteral("reference: compare N archives at once (default: one "
                     "per core)."),
      QStringLiteral("N")};

  explicit Options(QCommandLineParser& parser) {
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("archives, structures, reference, take, changes, apply or history, then its "
                       "arguments."));
    parser.addOptions({includeReadOnly, csv, output, byAddress, numeric, units, rulesFile, json,
                       html, recursive, include, ignoreUnits, jobs, changes});
    parser.addOptions(take.All());
    parser.addOptions(history.All());
  }
};

int Usage(std::FILE* err, const QString& error, const char* help = "parvex-cli --help") {
  std::fprintf(err, "parvex-cli: %s\nTry '%s'.\n", ForPeople(error).c_str(), help);
  return 2;
}

// The arguments after the command's name and the options every command takes.
void TakeShared(const QCommandLineParser& parser, const Options& o, const QStringList& args,
                CommandOptions& command) {
  command.arguments = args.mid(1);
  command.includeReadOnly = parser.isSet(o.includeReadOnly);
  command.numbersByValue = parser.isSet(o.numeric);
  command.csv = parser.isSet(o.csv);
  command.json = parser.isSet(o.json);
  command.html = parser.isSet(o.html);
  if (parser.isSet(o.output)) command.output = parser.value(o.output);
  if (parser.isSet(o.rulesFile)) command.rules = parser.value(o.rulesFile);
}

std::optional<QString> ValueOf(const QCommandLineParser& parser, const QCommandLineOption& option) {
  return parser.isSet(option) ? std::optional(parser.value(option)) : std::nullopt;
}

// The history options a command other than history was given, if any:
// reference takes --store with --history.
std::optional<QString> HistoryMisuse(const QCommandLineParser& parser, const Options& o,
                                     const QString& command) {
  const bool reference = command == QStringLiteral("reference");
  if (reference && parser.isSet(o.history.history)) return std::nullopt;
  for (const QCommandLineOption& option : o.history.All()) {
    if (!parser.isSet(option)) continue;
    if (reference && option.names() == o.history.store.names()) {
      return QStringLiteral("--store is for history and reference --history");
    }
    return QStringLiteral("--") + option.names().constFirst() +
           QStringLiteral(" is for the history commands");
  }
  return std::nullopt;
}

int RunHistory(const QCommandLineParser& parser, const Options& o, const QStringList& args,
               const CliStreams& streams, const bool& shown) {
  HistoryCommand history;
  TakeShared(parser, o, args.mid(1), history);
  history.name = args.value(1);
  history.units = parser.isSet(o.units);
  history.store = ValueOf(parser, o.history.store);
  history.taken = ValueOf(parser, o.history.taken);
  history.note = ValueOf(parser, o.history.note);
  history.machine = ValueOf(parser, o.history.machine);
  history.olderThan = ValueOf(parser, o.history.olderThan);
  for (const QString& name : parser.optionNames()) {
    history.given += name == QStringLiteral("o") ? QStringLiteral("output") : name;
  }
  const auto usage = [&streams](const QString& error) {
    return Usage(streams.err, error, "parvex-cli history --help");
  };
  return RunHistoryCommand(history, streams, usage, shown);
}

TakeChoiceOptions ChoiceOf(const QCommandLineParser& parser, const Options& o) {
  return {parser.isSet(o.take.addMissing), parser.values(o.take.only),
          parser.values(o.take.onlyDescription)};
}

int RunReference(const QCommandLineParser& parser, const Options& o, const QStringList& args,
                 const CliStreams& streams) {
  const auto usage = [&streams](const QString& error) { return Usage(streams.err, error); };
  if (parser.isSet(o.byAddress)) {
    return usage(QStringLiteral("reference always pairs lines by address; leave out --by-address"));
  }
  if (parser.isSet(o.units)) {
    return usage(QStringLiteral(
        "reference always compares units (unless --ignore-units); leave out --units"));
  }
  for (const QCommandLineOption* take : {&o.take.inPlace, &o.take.archive, &o.take.force}) {
    if (parser.isSet(*take)) {
      return usage(QStringLiteral("--") + take->names().constFirst() +
                   QStringLiteral(" is for the take, changes and apply commands"));
    }
  }
  ReferenceCommand reference;
  TakeShared(parser, o, args, reference);
  reference.chosen = ChoiceOf(parser, o);
  if (parser.isSet(o.changes)) {
    reference.changes = parser.value(o.changes);
  } else if (reference.chosen.Any()) {
    return usage(QStringLiteral(
        "--only, --only-description and --add-missing choose the lines of --changes"));
  }
  reference.recursive = parser.isSet(o.recursive);
  reference.include = parser.values(o.include);
  reference.ignoreUnits = parser.isSet(o.ignoreUnits);
  if (parser.isSet(o.jobs)) reference.jobs = parser.value(o.jobs);
  if (parser.isSet(o.history.history)) {
    return RunReferenceHistory(reference, ValueOf(parser, o.history.store), streams, usage);
  }
  return RunReferenceCommand(reference, streams, usage);
}

int RunTake(const QCommandLineParser& parser, const Options& o, const QStringList& args,
            const CliStreams& streams) {
  TakeCommand take;
  TakeShared(parser, o, args, take);
  take.name = args.value(0);
  for (const QCommandLineOption* foreign :
       {&o.csv, &o.json, &o.html, &o.recursive, &o.include, &o.ignoreUnits, &o.jobs, &o.changes}) {
    if (parser.isSet(*foreign)) take.foreign += QStringLiteral("--") + foreign->names().constLast();
  }
  take.inPlace = parser.isSet(o.take.inPlace);
  take.archive = parser.isSet(o.take.archive);
  take.force = parser.isSet(o.take.force);
  take.chosen = ChoiceOf(parser, o);
  return RunTakeCommand(take, streams,
                        [&streams](const QString& error) { return Usage(streams.err, error); });
}

int RunPair(const QCommandLineParser& parser, const Options& o, const QStringList& args,
            const CliStreams& streams, const bool& shown) {
  const auto usage = [&streams](const QString& error) { return Usage(streams.err, error); };
  PairCommand pair;
  pair.structures = args.value(0) == QStringLiteral("structures");
  if (args.size() != 4 - (pair.structures ? 0 : 1)) {
    return usage(QStringLiteral("wrong number of arguments for ") + args.value(0));
  }
  if (parser.isSet(o.recursive) || parser.isSet(o.jobs) || parser.isSet(o.include) ||
      parser.isSet(o.ignoreUnits) || parser.isSet(o.changes)) {
    return usage(
        QStringLiteral("--recursive, --include, --ignore-units, --jobs and --changes are "
                       "for the reference command"));
  }
  TakeShared(parser, o, args, pair);
  if (pair.LayoutsClash()) return usage(QStringLiteral("choose one of --csv, --json and --html"));
  pair.byAddress = parser.isSet(o.byAddress);
  pair.units = parser.isSet(o.units);
  return RunPairCommand(pair, streams, shown);
}

}  // namespace

int RunCommandLine(const QStringList& arguments, const CliStreams& streams) {
  QCommandLineParser parser;
  parser.setApplicationDescription(kDescription);
  // parvex-cli takes no options of Qt's own, so its full help is its help,
  // and says so rather than promising Qt's options.
  parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                      QStringLiteral("Displays help on commandline options.")));
  parser.addOption(QCommandLineOption(QStringLiteral("help-all"),
                                      QStringLiteral("Displays the same help as --help.")));
  parser.addVersionOption();
  const Options o(parser);

  if (!parser.parse(NegativeNumbersAsArguments(arguments)))
    return Usage(streams.err, parser.errorText());
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    if (parser.positionalArguments().value(0) == QStringLiteral("history")) {
      std::fputs(HistoryHelp(), streams.out);
      return 0;
    }
    std::fputs(parser.helpText().toLocal8Bit().constData(), streams.out);
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::fprintf(streams.out, "parvex-cli %s\n", build::kVersionText);
    return 0;
  }

  const QStringList args = parser.positionalArguments();
  const QString command = args.value(0);
  const RunErrors errors(streams.err);
  if (command == QStringLiteral("history"))
    return RunHistory(parser, o, args, streams, errors.box.shown);
  if (const auto misuse = HistoryMisuse(parser, o, command)) return Usage(streams.err, *misuse);
  if (command == QStringLiteral("reference")) return RunReference(parser, o, args, streams);
  if (IsTakeCommand(command)) return RunTake(parser, o, args, streams);
  for (const QCommandLineOption& option : o.take.All()) {
    if (parser.isSet(option)) {
      return Usage(streams.err, QStringLiteral("--") + option.names().constFirst() +
                                    QStringLiteral(" is for the take, changes and apply commands"));
    }
  }
  if (command != QStringLiteral("archives") && command != QStringLiteral("structures")) {
    return Usage(streams.err, args.isEmpty() ? QStringLiteral("no command given")
                                             : QStringLiteral("unknown command: ") + command);
  }
  return RunPair(parser, o, args, streams, errors.box.shown);
}

}  // namespace parvex
