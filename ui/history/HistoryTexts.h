#pragma once

#include <QString>

#include <optional>
#include <string_view>

#include "history/Store.h"

namespace parvex {

// What the History window shows of the store's plain values, kept apart from
// the window so that each rule is seen and tried on its own.

// A time as people see it everywhere in the program: local, "YYYY-MM-DDTHH:MM:SS".
QString TimeText(UnixSeconds time);
// Whole days from then to now; none in the future counts as 0.
qint64 DaysSince(UnixSeconds then, UnixSeconds now);
// How the newest snapshot stands against the baseline: empty without a
// baseline, "no" when it holds the baseline's values, otherwise "yes" and the
// counts that are not zero ("yes: 2 changed, 1 missing").
QString DriftText(const DriftLine& drift);
// The name a snapshot is written under for a comparison: its machine and
// when it was taken, so that the list's titles and reports name both; a
// clash of two taken at the same second is told apart by the snapshot's id.
QString SnapshotFileName(const QString& machine, UnixSeconds taken,
                         std::optional<SnapshotId> tellApart = std::nullopt);
// A value as a number to plot: the whole text a decimal number (sign,
// digits, point, exponent); none otherwise.
std::optional<double> PlotNumber(std::string_view text);

}  // namespace parvex
