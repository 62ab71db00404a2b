#include "history/SnapshotReader.h"

#include <stdexcept>
#include <vector>

#include "engine/base/Failure.h"
#include "engine/taking/Sha256.h"
#include "history/Codec.h"
#include "history/Rows.h"

namespace parvex::history {

namespace {

// Enough for the 16 snapshots a delta may reach back over, of archives of
// some megabytes each.
constexpr std::size_t kKeptBytes = std::size_t{64} << 20;
// Longer than any chain the store makes: a longer one loops.
constexpr std::size_t kLongestChain = 4096;

Failure Damaged(std::int64_t id, const std::string& why) {
  return Failure(kErrDeviceIo, "Snapshot " + std::to_string(id) +
                                   " of the history store cannot be read back as it was added (" +
                                   why + "); run 'history check'");
}

}  // namespace

std::string Sha256Of(std::string_view bytes) {
  Sha256 sha;
  sha.Add(bytes);
  return sha.Hex();
}

SnapshotReader::Stored SnapshotReader::Load(std::int64_t id) {
  const auto rows = db_.Run("SELECT base, data, sha256 FROM snapshots WHERE id = ?", {id});
  if (rows.empty()) {
    throw Failure(kErrSubscript,
                  "There is no snapshot " + std::to_string(id) + " in the history store");
  }
  const DbRow& row = rows.front();
  return Stored{id, MaybeInt(row[0]).value_or(-1), BlobBytes(row[1]), TextOf(row[2])};
}

std::string SnapshotReader::Build(std::int64_t id) {
  // Back along the chain to a text at hand or a whole one, then forward,
  // each delta decoded against the text of the one before it.
  std::vector<Stored> chain;
  std::string text;
  for (std::int64_t at = id; at >= 0;) {
    if (const auto known = texts_.find(at); known != texts_.end()) {
      text = known->second;
      break;
    }
    if (chain.size() > kLongestChain) throw Damaged(id, "its chain of deltas loops");
    chain.push_back(Load(at));
    at = chain.back().base;
  }
  for (auto link = chain.rbegin(); link != chain.rend(); ++link) {
    try {
      text = Decode(link->frame, text);
    } catch (const std::runtime_error& e) {
      throw Damaged(link->id, e.what());
    }
    Remember(link->id, text);
  }
  return text;
}

std::string SnapshotReader::Text(std::int64_t id) {
  std::string text = Build(id);
  const Stored stored = Load(id);
  if (Sha256Of(text) != stored.sha256) throw Damaged(id, "its bytes differ from their SHA-256");
  return text;
}

void SnapshotReader::Remember(std::int64_t id, const std::string& text) {
  if (text.size() > kKeptBytes || texts_.count(id) != 0) return;
  while (bytes_ + text.size() > kKeptBytes && !order_.empty()) {
    const auto oldest = texts_.find(order_.front());
    bytes_ -= oldest->second.size();
    texts_.erase(oldest);
    order_.pop_front();
  }
  texts_.emplace(id, text);
  order_.push_back(id);
  bytes_ += text.size();
}

}  // namespace parvex::history
