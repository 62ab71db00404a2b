#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

#include "ui/take/TakeSession.h"
#include "ui/take/frmTakePreview.h"

namespace parvex {

class DialogBackend;

// The choices a taking remembers in the settings, saved only once values
// were taken, so that the settings file stays as it was until then.
struct TakeChoices {
  TakeOutput output = TakeOutput::NewArchive;
  bool addMissing = false;
  QString folder;  // empty: none chosen yet
};
TakeChoices LoadTakeChoices();
void SaveTakeChoices(const TakeChoices& choices);

// What one taking wrote.
struct TakeDone {
  TakeOutput output = TakeOutput::None;
  QString written;  // the new archive, the replaced one or the change set
  QString backup;   // with Replace: the copy kept of the old archive
  TakeCounts counts;
};

// The main window's taking of one archive's values into the other: the
// preview, then a new archive (offered beside the target as NAME-corrected),
// the target replaced (a copy kept first) or a change set. Nothing when
// cancelled, when nothing was to be taken (told) or on a failure (reported).
// The preview opens over owner.
std::optional<TakeDone> TakeIntoArchive(DialogBackend& dialogs, QWidget* owner,
                                        const QString& title, TakeSession::Inputs inputs,
                                        TakeOutput preferred);

// The Compare with Reference window's taking of the reference's values into
// several archives: one preview for all, then a corrected copy or a change
// set of each in a chosen folder, under the archive's own name. Returns one
// line per archive of what was done, or nothing when cancelled or failed
// before anything was written.
struct FleetTakeDone {
  TakeOutput output = TakeOutput::None;
  QString folder;
  QStringList lines;
  int written = 0;
  int failed = 0;
  QSet<QString> names;  // of the files written or tried
};
std::optional<FleetTakeDone> TakeIntoArchives(DialogBackend& dialogs, QWidget* owner,
                                              std::vector<TakeSession::Inputs> inputs);

}  // namespace parvex
