#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "CliText.h"
#include "ReferenceCommand.h"

namespace parvex {

// What `parvex-cli history SUBCOMMAND` was given: the subcommand's arguments
// (after its name), the options every comparison takes, and its own.
struct HistoryCommand : CommandOptions {
  QString name;  // add, import, list, log, diff, baseline, drift, value, get or check
  std::optional<QString> store;
  std::optional<QString> taken;
  std::optional<QString> note;
  std::optional<QString> machine;
  std::optional<QString> olderThan;
  bool units = false;
  // Every option given, by its long name ("output" for -o), to refuse those
  // the subcommand does not take.
  QStringList given;
};

// The options only the history commands take.
struct HistoryOptions {
  const QCommandLineOption store{
      QStringLiteral("store"),
      QStringLiteral("history, reference --history: the store to use, a file or a "
                     "postgresql:// address (default: history.sqlite in the user's data "
                     "folder)."),
      QStringLiteral("STORE")};
  const QCommandLineOption taken{
      QStringLiteral("taken"),
      QStringLiteral("history add: when the archives were taken, YYYY-MM-DDTHH:MM:SS in local "
                     "time (default: each file's modification time)."),
      QStringLiteral("TIME")};
  const QCommandLineOption note{QStringLiteral("note"),
                                QStringLiteral("history add, import: a note on each snapshot."),
                                QStringLiteral("TEXT")};
  const QCommandLineOption machine{
      QStringLiteral("machine"),
      QStringLiteral("history import: FOLDER's own files are snapshots of the machine NAME."),
      QStringLiteral("NAME")};
  const QCommandLineOption olderThan{
      QStringLiteral("older-than"),
      QStringLiteral("history drift: a machine whose newest snapshot is older than DAYS days "
                     "is overdue."),
      QStringLiteral("DAYS")};
  const QCommandLineOption history{
      QStringLiteral("history"),
      QStringLiteral("reference: compare the newest snapshot of every machine in the store (or "
                     "of the machines named) with the reference.")};
  QList<QCommandLineOption> All() const {
    return {store, taken, note, machine, olderThan, history};
  }
  // The options whose value is their own, whatever it looks like.
  static bool TakesValue(const QString& option) {
    for (const char* name : {"--store", "--taken", "--note", "--machine", "--older-than"}) {
      if (option == QLatin1String(name)) return true;
    }
    return false;
  }
};

// The help of `parvex-cli history --help`.
const char* HistoryHelp();

// Runs the subcommand; returns the exit status. usage tells a wrong call and
// returns its status; shown tells whether a message went to standard error.
int RunHistoryCommand(const HistoryCommand& command, const CliStreams& streams,
                      const std::function<int(const QString&)>& usage, const bool& shown);

// `reference REFERENCE --history [MACHINE...]`: the newest snapshot of each
// machine (all, or those named after the reference) compared with the
// reference, each column named by its machine.
int RunReferenceHistory(const ReferenceCommand& command, const std::optional<QString>& store,
                        const CliStreams& streams, const std::function<int(const QString&)>& usage);

}  // namespace parvex
