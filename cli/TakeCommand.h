#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "CliText.h"
#include "engine/taking/Taking.h"

namespace parvex {

// Which lines take, changes and reference --changes take.
struct TakeChoiceOptions {
  bool addMissing = false;
  QStringList only;
  QStringList onlyDescription;
  bool Any() const { return addMissing || !only.isEmpty() || !onlyDescription.isEmpty(); }
};

// Puts the choice into settings; an empty text, or what is wrong with it.
QString FillChoice(const TakeChoiceOptions& chosen, TakeSettings& settings);

// What `parvex-cli take`, `changes` or `apply` was given: the target, then
// the source archive or the change set, and the options.
struct TakeCommand : CommandOptions {
  QString name;  // take, changes or apply
  TakeChoiceOptions chosen;
  bool inPlace = false;
  bool archive = false;
  bool force = false;
  // Options of the other commands that were given, by name ("--csv"), to be
  // refused.
  QStringList foreign;
};

bool IsTakeCommand(const QString& command);

// The options only these commands take.
struct TakeOptions {
  const QCommandLineOption only{
      QStringLiteral("only"),
      QStringLiteral("take, changes: take only lines whose address matches one of PATTERNS "
                     "(as in a rules file: N.M, N, N.*, N.M-N.K, *; comma-separated, may be "
                     "given again)."),
      QStringLiteral("PATTERNS")};
  const QCommandLineOption onlyDescription{
      QStringLiteral("only-description"),
      QStringLiteral("take, changes: take only lines whose description matches one of GLOBS "
                     "(comma-separated, may be given again)."),
      QStringLiteral("GLOBS")};
  const QCommandLineOption addMissing{
      QStringLiteral("add-missing"),
      QStringLiteral("take, changes: add the source's lines that the target lacks.")};
  const QCommandLineOption inPlace{
      QStringLiteral("in-place"),
      QStringLiteral("take, apply: replace the target, keeping a copy of it first "
                     "(NAME.YYYYMMDD-HHMMSS.bak).")};
  const QCommandLineOption archive{
      QStringLiteral("archive"),
      QStringLiteral("changes: write the taken lines as a partial archive instead of a change "
                     "set (it cannot be applied with the check of old values).")};
  const QCommandLineOption force{
      QStringLiteral("force"),
      QStringLiteral("apply: leave alone the lines whose old values the target no longer has, "
                     "and change the others.")};
  QList<QCommandLineOption> All() const {
    return {only, onlyDescription, addMissing, inPlace, archive, force};
  }
};

// Runs the command; returns the exit status: 0 when written or when nothing
// needed taking, 2 on any failure. usage tells a wrong call and returns its
// status.
int RunTakeCommand(const TakeCommand& command, const CliStreams& streams,
                   const std::function<int(const QString&)>& usage);

}  // namespace parvex
