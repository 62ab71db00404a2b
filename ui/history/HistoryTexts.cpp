#include "ui/history/HistoryTexts.h"

#include <QStringList>

#include <charconv>
#include <cmath>

namespace parvex {

QString TimeText(UnixSeconds time) {
  return QString::fromStdString(FormatHistoryTime(time));
}

qint64 DaysSince(UnixSeconds then, UnixSeconds now) {
  return now > then ? (now - then) / 86400 : 0;
}

QString DriftText(const DriftLine& drift) {
  if (!drift.baseline) return {};
  QStringList counts;
  if (drift.changed > 0) counts << QStringLiteral("%1 changed").arg(drift.changed);
  if (drift.missing > 0) counts << QStringLiteral("%1 missing").arg(drift.missing);
  if (drift.extra > 0) counts << QStringLiteral("%1 extra").arg(drift.extra);
  if (counts.isEmpty()) return QStringLiteral("no");
  return QStringLiteral("yes: ") + counts.join(QStringLiteral(", "));
}

QString SnapshotFileName(const QString& machine, UnixSeconds taken,
                         std::optional<SnapshotId> tellApart) {
  QString time = TimeText(taken);
#ifdef Q_OS_WIN
  // Windows takes no colon in a file name.
  time.replace(QLatin1Char(':'), QLatin1Char('.'));
#endif
  QString name = machine + QLatin1Char(' ') + time;
  if (tellApart) name += QStringLiteral(" #%1").arg(*tellApart);
  return name + QStringLiteral(".arc");
}

std::optional<double> PlotNumber(std::string_view text) {
  // from_chars takes no leading '+', which a number written by hand may have.
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  // Only digits, one sign, a point and an exponent: no "inf", "nan" or hex.
  for (const char c : text) {
    const bool allowed =
        (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace parvex
