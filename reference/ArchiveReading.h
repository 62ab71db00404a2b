#pragma once

#include <string>

#include "engine/pairing/AddressTable.h"
#include "engine/reading/BatchReader.h"
#include "reference/ReferenceResult.h"

namespace parvex {

// Reads one archive into table, as matching by address reads it, telling its
// messages to summary instead of to the run's reporter (archives are read on
// many threads at once, and no message may be lost or shown as a box). Every
// message is kept: the five-second rule against floods of boxes would make
// what is kept depend on how fast the archives are read. Returns whether the
// archive could be read to its end and is an archive; when not,
// summary.failure says why (and notArchive tells a file of another kind). A
// file cut short is told in summary.notes.
bool ReadArchive(const std::string& path, const ReadSizes& sizes, AddressTable& table,
                 ArchiveSummary& summary);

// Notes in summary a file whose last line (of summary.lines) has no line end.
void NoteCutShort(const std::string& path, ArchiveSummary& summary);

// A failure as a message box shows it: "Error N: description".
std::string FailureText(std::int32_t number, const std::string& description);

}  // namespace parvex
