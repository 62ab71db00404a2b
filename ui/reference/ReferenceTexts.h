#pragma once

#include <QString>

#include <string>
#include <vector>

#include "reference/ReferenceResult.h"

namespace parvex {

// What the Compare with Reference window says in words.

// The line that tells which options a comparison uses, and the rules file
// (a path, empty for none).
QString OptionsText(const CompareOptions& options, const QString& rulesFile);

// The files of folders that were not archives, in one sentence: "Skipped 1
// file that is not an archive: README.txt"; empty for none.
QString SkippedText(const std::vector<std::string>& skipped);

// The notes above the summary: the reference's own notes first, then the
// skipped files; one line each, empty for none.
QString ResultNotesText(const ReferenceResult& result);

// The status line after a comparison: how many archives deviate, equal the
// reference and cannot be read, and the count of messages and rows.
QString ResultStatusText(const ReferenceResult& result);

}  // namespace parvex
