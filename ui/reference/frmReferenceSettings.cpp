// The Compare with Reference window's settings: its placement, its inputs
// and the split between summary and matrix, back as they were left.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>

#include "ui/common/StoredSettings.h"
#include "ui/reference/frmReference.h"

namespace parvex {

namespace {

// A value of no bytes cannot be read back: an empty list is one line feed.
SettingValue NonEmpty(QByteArray bytes) {
  if (bytes.isEmpty()) bytes = "\n";
  return SettingValue::Bytes(std::move(bytes));
}

QByteArray BytesItem(const char* name) {
  const SettingValue value = Registry().GetItem(QString::fromLatin1(name));
  return value.IsBytes() ? value.AsBytes() : QByteArray();
}

}  // namespace

void frmReference::LoadSettings() {
  if (loaded_) return;
  loaded_ = true;
  SkipOnFailure([&] {
    const QByteArray placement = BytesItem("ReferencePlacement");
    if (!placement.isEmpty()) restoreGeometry(placement);
  });
  SkipOnFailure([&] {
    const QByteArray split = BytesItem("ReferenceSplit");
    if (!split.isEmpty()) splResults->restoreState(split);
  });
  SkipOnFailure(
      [&] { txtReference->setText(Registry().GetItem(QStringLiteral("Reference")).ToText()); });
  SkipOnFailure([&] {
    // One mark per archive, '1' for one a folder brought; a list of marks
    // that does not fit the archives is passed over.
    const QByteArray marks = BytesItem("ReferenceFromFolder");
    QList<QByteArray> paths = BytesItem("ReferenceArchives").split('\n');
    paths.removeAll(QByteArray());
    for (qsizetype i = 0; i < paths.size(); ++i) {
      AddArchive(QString::fromUtf8(paths[i]), marks.size() == paths.size() && marks[i] == '1');
    }
  });
  SkipOnFailure([&] {
    txtInclude->setText(Registry().GetItem(QStringLiteral("ReferenceInclude")).ToText());
  });
  SkipOnFailure([&] {
    chkIgnoreUnits->setChecked(
        Registry().GetItem(QStringLiteral("ReferenceIgnoreUnits")).ToInt32() != 0);
  });
}

void frmReference::SaveSettings() {
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("Reference"), SettingValue::Text(txtReference->text()));
  });
  SkipOnFailure([&] {
    QByteArray list;
    QByteArray marks;
    const std::vector<bool> fromFolder = FromFolder();
    for (const QString& path : Archives()) list += path.toUtf8() + '\n';
    for (const bool found : fromFolder) marks += found ? '1' : '0';
    Registry().SaveItem(QStringLiteral("ReferenceArchives"), NonEmpty(list));
    Registry().SaveItem(QStringLiteral("ReferenceFromFolder"), NonEmpty(marks));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("ReferenceInclude"), SettingValue::Text(txtInclude->text()));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("ReferenceIgnoreUnits"),
                        SettingValue::Int32(chkIgnoreUnits->isChecked() ? 1 : 0));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("ReferencePlacement"), SettingValue::Bytes(saveGeometry()));
  });
  SkipOnFailure([&] {
    Registry().SaveItem(QStringLiteral("ReferenceSplit"),
                        SettingValue::Bytes(splResults->saveState()));
  });
}

}  // namespace parvex
