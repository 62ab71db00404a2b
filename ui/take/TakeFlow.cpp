#include "ui/take/TakeFlow.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>

#include <ctime>
#include <memory>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "parvex/version.h"
#include "ui/common/CodePage.h"
#include "ui/common/CommonDialog.h"
#include "ui/common/StoredSettings.h"

namespace parvex {

namespace {

constexpr const char* kTitle = "Error While Taking Values";

QString Name(const std::string& path) {
  return PathText(FileNameOf(path));
}

// The folder of a file as a person chose it.
QString FolderOf(const QString& path) {
  return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

// A take that fails anywhere is told under the one title and writes nothing
// more; a cancelled dialog ends it quietly, as the cancel failure is told.
template <typename F>
auto Guarded(F&& take) -> decltype(take()) {
  try {
    return take();
  } catch (...) {
    ReportVBError(kTitle, kErrCancel);
    return std::nullopt;
  }
}

bool NothingMarked(const TakeCounts& counts) {
  return counts.taken == 0 && counts.added == 0;
}

void TellNothing(const std::string& why, const TakeCounts& counts) {
  MsgBox(why + "; nothing was written.\n\n" + TakeSummary(counts), kMsgExclamation,
         build::kAppTitle);
}

// Asks where to write; throws the cancel failure when the person cancels.
QString AskSave(DialogBackend& dialogs, const QString& title, const QString& folder,
                const QString& name, const QString& filter) {
  const std::optional<QString> chosen = dialogs.Save(title, folder, name, filter);
  if (!chosen || chosen->isEmpty()) throw CancelFailure();
  return *chosen;
}

TakeDone Write(DialogBackend& dialogs, const TakeSession& session, const frmTakePreview& preview,
               TakeChoices& choices) {
  TakeDone done;
  done.output = preview.Chosen();
  const TakeMarks marks = preview.Marks(0);
  done.counts = session.CountsFor(marks);
  const QString target = PathText(session.Target());
  switch (done.output) {
    case TakeOutput::NewArchive:
      done.written = AskSave(dialogs, QStringLiteral("Save Corrected Archive"), FolderOf(target),
                             PathText(CorrectedName(FileNameOf(session.Target()))),
                             QStringLiteral("(*.*)|*.*"));
      session.WriteArchive(PathBytes(done.written), false, marks, std::time(nullptr));
      choices.folder = FolderOf(done.written);
      break;
    case TakeOutput::Replace:
      done.written = target;
      done.backup =
          PathText(session.WriteArchive(session.Target(), true, marks, std::time(nullptr)));
      break;
    case TakeOutput::ChangeSet:
      done.written = AskSave(dialogs, QStringLiteral("Save Change Set"),
                             choices.folder.isEmpty() ? FolderOf(target) : choices.folder,
                             PathText(ChangeSetName(FileNameOf(session.Target()))),
                             QStringLiteral("Change Set (*.json)|*.json|(*.*)|*.*"));
      session.WriteChangeSet(PathBytes(done.written), marks);
      choices.folder = FolderOf(done.written);
      break;
    case TakeOutput::None:
      break;
  }
  return done;
}

}  // namespace

TakeChoices LoadTakeChoices() {
  TakeChoices choices;
  SkipOnFailure([&] {
    const std::int32_t output = Registry().GetItem(QStringLiteral("TakeOutput")).ToInt32();
    choices.output = output == 1   ? TakeOutput::Replace
                     : output == 2 ? TakeOutput::ChangeSet
                                   : TakeOutput::NewArchive;
  });
  SkipOnFailure([&] {
    choices.addMissing = Registry().GetItem(QStringLiteral("TakeAddMissing")).ToInt32() != 0;
  });
  SkipOnFailure(
      [&] { choices.folder = Registry().GetItem(QStringLiteral("TakeFolder")).ToText(); });
  return choices;
}

void SaveTakeChoices(const TakeChoices& choices) {
  const int output = choices.output == TakeOutput::Replace     ? 1
                     : choices.output == TakeOutput::ChangeSet ? 2
                                                               : 0;
  SkipOnFailure(
      [&] { Registry().SaveItem(QStringLiteral("TakeOutput"), SettingValue::Int32(output)); });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("TakeAddMissing"),
                        SettingValue::Int32(choices.addMissing ? 1 : 0));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("TakeFolder"), SettingValue::Text(choices.folder));
  });
}

std::optional<TakeDone> TakeIntoArchive(DialogBackend& dialogs, QWidget* owner,
                                        const QString& title, TakeSession::Inputs inputs,
                                        TakeOutput preferred) {
  return Guarded([&]() -> std::optional<TakeDone> {
    TakeChoices choices = LoadTakeChoices();
    TakeSession session(std::move(inputs));
    session.Plan(choices.addMissing);
    if (!session.AnythingToShow()) {
      TellNothing("Nothing to take", session.CountsFor(session.AllMarked()));
      return std::nullopt;
    }
    frmTakePreview preview(title, {{Name(session.Target()), &session}},
                           {{TakeOutput::NewArchive, QStringLiteral("&Save As...")},
                            {TakeOutput::Replace, QStringLiteral("&Replace the Archive")},
                            {TakeOutput::ChangeSet, QStringLiteral("Save &Change Set...")}},
                           preferred == TakeOutput::None ? choices.output : preferred, owner);
    dialogs.ShowModal(preview);
    if (preview.Chosen() == TakeOutput::None) return std::nullopt;
    if (NothingMarked(session.CountsFor(preview.Marks(0)))) {
      TellNothing("No line is checked", session.CountsFor(preview.Marks(0)));
      return std::nullopt;
    }
    choices.addMissing = preview.chkAddMissing->isChecked();
    choices.output = preview.Chosen();
    TakeDone done = Write(dialogs, session, preview, choices);
    SaveTakeChoices(choices);
    return done;
  });
}

}  // namespace parvex

namespace parvex {

namespace {

// Writes part k of the preview into the folder; one line of what was done.
QString WritePart(const TakeSession& session, const frmTakePreview& preview, std::size_t k,
                  const QString& folder, FleetTakeDone& done) {
  const QString name = Name(session.Target());
  const TakeMarks marks = preview.Marks(k);
  const TakeCounts counts = session.CountsFor(marks);
  if (NothingMarked(counts)) return name + QStringLiteral(": nothing to take, nothing written");
  const bool changeSet = preview.Chosen() == TakeOutput::ChangeSet;
  const QString output = QDir(folder).filePath(
      changeSet ? PathText(ChangeSetName(FileNameOf(session.Target()))) : name);
  try {
    // Two archives of one name in different folders: the first keeps it.
    if (done.names.contains(QFileInfo(output).fileName())) {
      throw Failure(kErrFileAccess, "another archive of this name was written there already");
    }
    done.names.insert(QFileInfo(output).fileName());
    if (changeSet) {
      session.WriteChangeSet(PathBytes(output), marks);
    } else {
      session.WriteArchive(PathBytes(output), false, marks, std::time(nullptr));
    }
    ++done.written;
    return name + QStringLiteral(": ") + QString::fromStdString(TakeSummary(counts));
  } catch (...) {
    ++done.failed;
    return name + QStringLiteral(": not written: ") + FieldText(CurrentFailure().Description());
  }
}

}  // namespace

std::optional<FleetTakeDone> TakeIntoArchives(DialogBackend& dialogs, QWidget* owner,
                                              std::vector<TakeSession::Inputs> inputs) {
  return Guarded([&]() -> std::optional<FleetTakeDone> {
    TakeChoices choices = LoadTakeChoices();
    std::vector<std::unique_ptr<TakeSession>> sessions;
    std::vector<frmTakePreview::Part> parts;
    bool anything = false;
    for (TakeSession::Inputs& in : inputs) {
      sessions.push_back(std::make_unique<TakeSession>(std::move(in)));
      sessions.back()->Plan(choices.addMissing);
      anything = anything || sessions.back()->AnythingToShow();
      parts.push_back({Name(sessions.back()->Target()), sessions.back().get()});
    }
    if (!anything) {
      MsgBox("Nothing to take; nothing was written.", kMsgExclamation, build::kAppTitle);
      return std::nullopt;
    }
    frmTakePreview preview(QStringLiteral("Take Reference Values"), std::move(parts),
                           {{TakeOutput::NewArchive, QStringLiteral("&Save Corrected Copies...")},
                            {TakeOutput::ChangeSet, QStringLiteral("Save &Change Sets...")}},
                           choices.output, owner);
    dialogs.ShowModal(preview);
    if (preview.Chosen() == TakeOutput::None) return std::nullopt;
    FleetTakeDone done;
    done.output = preview.Chosen();
    const std::optional<QString> folder = dialogs.OpenFolder(
        done.output == TakeOutput::ChangeSet ? QStringLiteral("Folder for the Change Sets")
                                             : QStringLiteral("Folder for the Corrected Copies"),
        choices.folder.isEmpty() ? FolderOf(PathText(sessions.front()->Target())) : choices.folder);
    if (!folder || folder->isEmpty()) return std::nullopt;
    done.folder = *folder;
    for (std::size_t k = 0; k < sessions.size(); ++k) {
      done.lines << WritePart(*sessions[k], preview, k, done.folder, done);
    }
    choices.output = done.output;
    choices.addMissing = preview.chkAddMissing->isChecked();
    choices.folder = QDir::toNativeSeparators(done.folder);
    SaveTakeChoices(choices);
    return done;
  });
}

}  // namespace parvex
