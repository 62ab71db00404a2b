#pragma once

#include <string>

#include "engine/taking/ChangeSet.h"

namespace parvex {

// A change set as JSON (docs/schema/change-set.schema.json), written through
// the one writer. Archive texts that are valid UTF-8 are written as they
// are; any other is written as Windows-1252 read as text and named in the
// object's "windows1252" list, so that reading gives back the same bytes.
void SaveChangeSet(const std::string& path, const ChangeSet& changes);
std::string ChangeSetText(const ChangeSet& changes, const std::string& created);

// Reads a change set; a file that cannot be read or is not one throws a
// failure that names it and says what is wrong.
ChangeSet ReadChangeSet(const std::string& path);
ChangeSet ParseChangeSet(const std::string& text, const std::string& name);

}  // namespace parvex
