// The main window's way to the Compare with Reference window, and back.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

#include <QLabel>

#include "ui/main/frmMain.h"
#include "ui/reference/frmReference.h"

namespace parvex {

void frmMain::mnuReference_Click() {
  if (!reference_) {
    ReferenceServices services{services_.dialogs, this, {}, {}};
    services.options = [this] {
      CompareOptions options = ReferenceDefaults();
      options.IncludeReadOnly = IncludeReadOnly();
      options.NumbersByValue = mnuNumbersByValue->isChecked();
      return options;
    };
    services.rulesFile = [this] { return RulesPath(); };
    services.openPair = [this](const QString& reference, const QString& archive) {
      ComparePairByAddress(reference, archive);
    };
    // A window of its own, not above this one: both stay usable.
    reference_ = std::make_unique<frmReference>(std::move(services));
    connect(chkReadOnly, &QCheckBox::stateChanged, reference_.get(), &frmReference::RefreshOptions);
    connect(mnuNumbersByValue, &QAction::toggled, reference_.get(), &frmReference::RefreshOptions);
  }
  reference_->Show();
  reference_->raise();
  reference_->activateWindow();
}

void frmMain::ComparePairByAddress(const QString& archive1, const QString& archive2) {
  txtArchive1->setText(archive1);
  txtArchive2->setText(archive2);
  if (!mnuMatchByAddress->isChecked()) mnuMatchByAddress->trigger();
  cmdTwoArchives_Click();
  raise();
  activateWindow();
}

void frmMain::ComparePairOnce(const QString& archive1, const QString& archive2,
                              const QString& caption) {
  txtArchive1->setText(archive1);
  txtArchive2->setText(archive2);
  byAddressOnce_ = true;
  cmdTwoArchives_Click();
  byAddressOnce_ = false;
  QStringList notes{caption};
  if (!mnuMatchByAddress->isChecked()) {
    notes.front() += QStringLiteral("; lines matched by address for this comparison only");
  }
  if (!fraNotes->isHidden()) notes << lblNotes->text();
  ShowNotes(notes);
  raise();
  activateWindow();
}

}  // namespace parvex
