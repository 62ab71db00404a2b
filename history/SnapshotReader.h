#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "history/Database.h"

namespace parvex::history {

// Reads snapshots back through their chains of deltas, keeping the texts it
// made lately, so that reading a machine's snapshots one after another
// decodes each once.
class SnapshotReader {
 public:
  explicit SnapshotReader(Database& db) : db_(db) {}
  // The snapshot's exact bytes, checked against its SHA-256. Throws a
  // Failure when it is not there or cannot be read back as it was added.
  std::string Text(std::int64_t id);

 private:
  struct Stored {
    std::int64_t id = 0;
    std::int64_t base = -1;  // -1: a whole text
    std::string frame;
    std::string sha256;
  };
  Stored Load(std::int64_t id);
  std::string Build(std::int64_t id);
  void Remember(std::int64_t id, const std::string& text);

  Database& db_;
  std::map<std::int64_t, std::string> texts_;
  std::deque<std::int64_t> order_;
  std::size_t bytes_ = 0;
};

std::string Sha256Of(std::string_view bytes);

}  // namespace parvex::history
