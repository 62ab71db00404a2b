#pragma once

#include <QDialog>
#include <QString>

#include <vector>

#include "ui/take/TakeSession.h"

class QCheckBox;
class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace parvex {

// What a person chose to do with the lines shown.
enum class TakeOutput { None, NewArchive, Replace, ChangeSet };

// Shows, before anything is written, each line a taking would change (and
// add), per archive, with a check box each; the read-only lines that are
// left alone greyed and unchecked; and the summary of what the checked lines
// give. Adding missing lines is switched here and plans again.
class frmTakePreview final : public QDialog {
  Q_OBJECT

 public:
  struct Part {
    QString name;  // the target's file name
    TakeSession* session;
  };
  // The buttons offered, with their captions, the first of them default
  // unless preferred names another.
  struct Choice {
    TakeOutput output;
    QString caption;
  };

  frmTakePreview(const QString& title, std::vector<Part> parts, std::vector<Choice> choices,
                 TakeOutput preferred, QWidget* parent = nullptr);

  // The button pressed; None when cancelled.
  TakeOutput Chosen() const { return chosen_; }
  // The lines left checked in part k.
  TakeMarks Marks(std::size_t k) const;
  // The summary of part k with the checked lines: "T values taken, ...".
  QString Summary(std::size_t k) const;

  // Plans every part again with missing lines added or not.
  void SetAddMissing(bool add);

  QTreeWidget* tvwLines = nullptr;
  QLabel* lblLines = nullptr;
  QLabel* lblSummary = nullptr;
  QCheckBox* chkAddMissing = nullptr;
  QDialogButtonBox* buttons = nullptr;
  // The buttons, by what they do (null when not offered).
  QPushButton* Button(TakeOutput output) const;

 private:
  void Fill();
  void FillPart(std::size_t k);
  void ShowSummary();
  void ItemChanged(QTreeWidgetItem* item);
  std::vector<Part> parts_;
  std::vector<std::pair<TakeOutput, QPushButton*>> buttons_;
  TakeOutput chosen_ = TakeOutput::None;
  bool filling_ = false;
};

}  // namespace parvex
