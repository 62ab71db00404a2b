// parvex-cli: the comparisons and reports of Parvex for scripts and batch jobs.
#include <QCommandLineParser>
#include <QCoreApplication>

#include <clocale>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "CliText.h"
#include "ReferenceCommand.h"

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Numbers.h"
#include "engine/values/Rules.h"
#include "parvex/version.h"
#include "reports/ListLayouts.h"
#include "reports/Report.h"

namespace {

using namespace parvex;

// What the window would show in a message box goes to standard error as one
// line, and any such message makes the run end with status 2.
class StderrBox final : public MessageBox {
 public:
  void Show(const std::string& prompt, const std::string& caption, int /*style*/) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), ForPeople(prompt).c_str());
    shown = true;
  }
  bool shown = false;
};

// Standard output as a report destination: the same bytes a report file gets.
class StdoutDestination final : public ReportDestination {
 public:
  void Prepare() override {}
  void Emit(std::string_view line) override {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
        std::fwrite("\r\n", 1, 2, stdout) != 2) {
      throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  }
  void PageBreak() override { Emit("\f"); }
  void Finish() override {
    if (std::fflush(stdout) != 0) throw Failure(kErrDeviceIo, "Cannot write to standard output");
  }
};

char LocaleDecimalPoint() {
  const std::lconv* conv = std::localeconv();
  return conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0'
             ? conv->decimal_point[0]
             : '.';
}

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
        a == QStringLiteral("--include")) {
      if (i + 1 == arguments.size()) return arguments;
      options += arguments[++i];
    }
  }
  return options + QStringList{QStringLiteral("--")} + positional;
}

// Tells whether a comparison got as far as clearing the list: when it did
// not (an archive missing or not openable), there is nothing to report.
class StartWatch final : public DifferenceListObserver {
 public:
  void ListCleared() override { started = true; }
  void CaptionChanged(int) override {}
  void RowAppended(int) override {}
  void StatusChanged() override {}
  bool started = false;
};

// The JSON or web page layout when an option or the output file's name asks
// for one; Page otherwise, for the layouts of the two comparisons as before.
Layout WebLayout(bool json, bool html, bool csv, const std::string& output) {
  if (json) return Layout::Json;
  if (html) return Layout::Html;
  if (csv || output.empty()) return Layout::Page;
  return LayoutForName(output, Layout::Page);
}

// Writes a list in the JSON or web page layout, to path (through a
// temporary file) or to standard output; a failure is told like any other.
void WriteWebReport(Layout layout, const std::string& path, const DifferenceList& list,
                    const ReportTitles& titles) {
  try {
    if (path.empty()) {
      WriteListInLayout(std::cout, layout, list, titles);
      std::cout.flush();
      if (!std::cout) throw Failure(kErrDeviceIo, "Cannot write to standard output");
    } else {
      SaveListInLayout(path, layout, list, titles);
    }
  } catch (...) {
    ReportVBError("Error While Saving Report");
  }
}

// What is wrong in one line, and where to read more: the whole help page
// would push the line itself out of sight.
// Reads the rules file the option names, if it is given; a file that cannot
// be used is told under its title, and nothing is compared or written.
bool ReadRules(const QCommandLineParser& parser, const QCommandLineOption& option,
               std::shared_ptr<const Rules>& rules) {
  if (!parser.isSet(option)) return true;
  try {
    rules = Rules::Read(Bytes(parser.value(option)));
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return false;
  }
  return true;
}

int Usage(const QString& error) {
  std::fprintf(stderr, "parvex-cli: %s\nTry 'parvex-cli --help'.\n", ForPeople(error).c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
#ifdef _WIN32
  // Reports carry their own CR LF: standard output must not add a CR to each.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("parvex-cli"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(build::kVersionText));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Compares parameter archives and writes the differences as a report.\n"
      "\n"
      "  archives ARCHIVE1 ARCHIVE2                line n of ARCHIVE1 against line n of\n"
      "                                            ARCHIVE2\n"
      "  structures ARCHIVE STRUCTURE1 STRUCTURE2  member k of one structure against\n"
      "                                            member k of the other, in one archive\n"
      "  reference REFERENCE ARCHIVE|FOLDER...     every archive paired with REFERENCE by\n"
      "                                            address; a matrix of the deviations\n"
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
      "Exit status: 0 no difference, 1 differences found or lines left over, 2 a\n"
      "failure or warning."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("command"),
                               QStringLiteral("archives or structures, then its arguments."));
  const QCommandLineOption includeReadOnly(
      QStringLiteral("include-read-only"),
      QStringLiteral("Compare values marked read-only (\"!\") in the first archive too."));
  const QCommandLineOption csv(QStringLiteral("csv"),
                               QStringLiteral("Write the comma-delimited layout."));
  const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                  QStringLiteral("Write the report to FILE."),
                                  QStringLiteral("FILE"));
  const QCommandLineOption byAddress(
      QStringLiteral("by-address"),
      QStringLiteral(
          "Pair lines (or members) with the same address instead of the same position."));
  const QCommandLineOption numeric(
      QStringLiteral("numeric"),
      QStringLiteral("Values that both read as decimal numbers are equal when the numbers are "
                     "(1500 = 1500.0 = 1.5E3)."));
  const QCommandLineOption units(
      QStringLiteral("units"),
      QStringLiteral("A line whose units differ from its partner's differs too; the value then "
                     "shows its units in square brackets."));
  const QCommandLineOption rulesFile(
      QStringLiteral("rules"),
      QStringLiteral("Ignore lines and tolerate numeric deviations as the TOML file FILE says."),
      QStringLiteral("FILE"));
  const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Write the JSON layout."));
  const QCommandLineOption html(QStringLiteral("html"),
                                QStringLiteral("Write the web page layout (one HTML file)."));
  const QCommandLineOption recursive(
      QStringLiteral("recursive"),
      QStringLiteral("reference: a folder stands for the files of its subfolders too."));
  const QCommandLineOption include(
      QStringLiteral("include"),
      QStringLiteral("reference: a folder gives only the files whose names match GLOB (such as "
                     "*.arc; may be given again)."),
      QStringLiteral("GLOB"));
  const QCommandLineOption ignoreUnits(
      QStringLiteral("ignore-units"),
      QStringLiteral("reference: a line whose units differ from the reference's does not "
                     "differ for that."));
  const QCommandLineOption jobs(
      QStringLiteral("jobs"),
      QStringLiteral("reference: compare N archives at once (default: one "
                     "per core)."),
      QStringLiteral("N"));
  parser.addOptions({includeReadOnly, csv, output, byAddress, numeric, units, rulesFile, json, html,
                     recursive, include, ignoreUnits, jobs});

  if (!parser.parse(NegativeNumbersAsArguments(CommandLine(argc, argv))))
    return Usage(parser.errorText());
  // parvex-cli takes no options of Qt's own, so the full help is the help.
  if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
    std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
    return 0;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("parvex-cli %s\n", build::kVersionText);
    return 0;
  }

  const QStringList args = parser.positionalArguments();
  const QString command = args.value(0);
  const bool structureMode = command == QStringLiteral("structures");
  if (command == QStringLiteral("reference")) {
    if (parser.isSet(byAddress)) {
      return Usage(
          QStringLiteral("reference always pairs lines by address; leave out "
                         "--by-address"));
    }
    if (parser.isSet(units)) {
      return Usage(
          QStringLiteral("reference always compares units (unless --ignore-units); leave out "
                         "--units"));
    }
    ReferenceCommand reference;
    reference.arguments = args.mid(1);
    reference.includeReadOnly = parser.isSet(includeReadOnly);
    reference.numbersByValue = parser.isSet(numeric);
    reference.recursive = parser.isSet(recursive);
    reference.include = parser.values(include);
    reference.ignoreUnits = parser.isSet(ignoreUnits);
    reference.csv = parser.isSet(csv);
    reference.json = parser.isSet(json);
    reference.html = parser.isSet(html);
    if (parser.isSet(output)) reference.output = parser.value(output);
    if (parser.isSet(jobs)) reference.jobs = parser.value(jobs);
    StderrBox box;
    InstallErrorServices(SteadyTicks(), box);
    if (parser.isSet(rulesFile)) reference.rules = parser.value(rulesFile);
    return RunReferenceCommand(reference, [&](const QString& error) { return Usage(error); });
  }
  if (command != QStringLiteral("archives") && !structureMode) {
    return Usage(args.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("unknown command: ") + command);
  }
  if (args.size() != 4 - (structureMode ? 0 : 1)) {
    return Usage(QStringLiteral("wrong number of arguments for ") + command);
  }
  if (parser.isSet(recursive) || parser.isSet(jobs) || parser.isSet(include) ||
      parser.isSet(ignoreUnits)) {
    return Usage(QStringLiteral(
        "--recursive, --include, --ignore-units and --jobs are for the reference command"));
  }
  if (int(parser.isSet(csv)) + int(parser.isSet(json)) + int(parser.isSet(html)) > 1) {
    return Usage(QStringLiteral("choose one of --csv, --json and --html"));
  }

  StderrBox box;
  InstallErrorServices(SteadyTicks(), box);

  DifferenceList list;
  PairingNotes notes;
  StartWatch watch;
  list.SetObserver(&watch);
  const bool withReadOnly = parser.isSet(includeReadOnly);
  CompareOptions options{parser.isSet(byAddress), parser.isSet(numeric)};
  options.CompareUnits = parser.isSet(units);
  std::shared_ptr<const Rules> rules;
  if (!ReadRules(parser, rulesFile, rules)) return 2;
  options.AppliedRules = rules.get();
  const std::string archive1 = Bytes(args[1]);
  const std::string second = Bytes(args[2]);
  const std::string third = structureMode ? Bytes(args[3]) : std::string();
  const std::string outputPath = parser.isSet(output) ? Bytes(parser.value(output)) : std::string();
  std::vector<std::string> inputs{archive1};
  if (!structureMode) inputs.push_back(second);
  if (rules) inputs.push_back(rules->Path());
  if (!ReportTargetIsFree(outputPath, inputs)) return 2;
  if (structureMode) {
    std::int16_t s1 = 0;
    std::int16_t s2 = 0;
    try {
      s1 = StructureNumber(second, LocaleDecimalPoint());
      s2 = StructureNumber(third, LocaleDecimalPoint());
    } catch (...) {
      ReportVBError("Error With Structure Parameters");
      std::fprintf(stderr, "%s\n", list.Status().c_str());
      return 2;
    }
    CompareStructures(archive1, s1, s2, list, withReadOnly, options, &notes);
  } else {
    CompareArchives(archive1, second, list, withReadOnly, options, &notes);
  }

  const ReportTitles titles =
      MakeReportTitles(structureMode, archive1, second, second, third, options);
  if (!watch.started) {
    // No report at all: an empty one would read as "no differences", and an
    // earlier report of that name is left as it was.
  } else if (const Layout web =
                 WebLayout(parser.isSet(json), parser.isSet(html), parser.isSet(csv), outputPath);
             web != Layout::Page) {
    WriteWebReport(web, outputPath, list, titles);
  } else if (parser.isSet(output)) {
    try {
      // Written whole or not at all: a report that fails part-way leaves the
      // file it would have replaced as it was.
      OutputFile file(outputPath);
      TextFileDestination destination(file);
      WriteReport(destination, parser.isSet(csv) || IsCsvName(outputPath), list, titles.Title1,
                  titles.Title2);
    } catch (...) {
      ReportVBError("Error While Saving Report");
    }
  } else {
    StdoutDestination destination;
    WriteReport(destination, parser.isSet(csv), list, titles.Title1, titles.Title2);
  }

  for (const std::string& note : PairingNoteTexts(notes)) {
    std::fprintf(stderr, "Note: %s\n", ForPeople(note).c_str());
  }
  std::fprintf(stderr, "%s\n", list.Status().c_str());
  if (box.shown) return 2;
  // Lines that were never compared: the archives differ, even without a row.
  return list.Count() > 0 || notes.LinesLeftOver() ? 1 : 0;
}
