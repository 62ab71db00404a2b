#include "ui/reference/ReferenceTexts.h"

#include <QFileInfo>
#include <QStringList>

#include "ui/common/CodePage.h"

namespace parvex {

QString OptionsText(const CompareOptions& options, const QString& rulesFile) {
  return QStringLiteral("Options: lines paired by address; read-only values ") +
         (options.IncludeReadOnly ? QStringLiteral("included") : QStringLiteral("left out")) +
         QStringLiteral("; numbers compared ") +
         (options.NumbersByValue ? QStringLiteral("by value") : QStringLiteral("as text")) +
         (rulesFile.isEmpty() ? QStringLiteral("; no rules file")
                              : QStringLiteral("; rules file ") + QFileInfo(rulesFile).fileName());
}

QString SkippedText(const std::vector<std::string>& skipped) {
  if (skipped.empty()) return QString();
  QStringList names;
  for (const std::string& name : skipped) names << PathText(name);
  const QString what = skipped.size() == 1 ? QStringLiteral("file that is not an archive")
                                           : QStringLiteral("files that are not archives");
  return QStringLiteral("Skipped %1 %2: %3")
      .arg(skipped.size())
      .arg(what, names.join(QStringLiteral(", ")));
}

QString ResultNotesText(const ReferenceResult& result) {
  QStringList lines;
  for (const std::string& note : result.reference.notes) {
    lines << QStringLiteral("Reference: ") + FieldText(note);
  }
  if (const QString skipped = SkippedText(result.skipped); !skipped.isEmpty()) lines << skipped;
  return lines.join(QLatin1Char('\n'));
}

QString ResultStatusText(const ReferenceResult& result) {
  const std::size_t total = result.archives.size();
  const std::size_t unread = result.Unread();
  std::size_t deviating = 0;
  std::size_t messages = result.reference.messages.size();
  for (const ArchiveSummary& a : result.archives) {
    deviating += a.readable && a.Deviates() ? 1 : 0;
    messages += a.messages.size();
  }
  QString status = QStringLiteral("%1 of %2 archive(s) deviate, %3 equal")
                       .arg(deviating)
                       .arg(total)
                       .arg(total - deviating - unread);
  if (unread > 0) status += QStringLiteral(", %1 cannot be read").arg(unread);
  return status +
         QStringLiteral("; %1 message(s); %2 row(s)").arg(messages).arg(result.rows.size());
}

}  // namespace parvex
