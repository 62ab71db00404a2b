#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parvex::history {

// How a snapshot's bytes are kept: a zstd frame of the whole text, or of the
// text with an earlier snapshot of the same machine as its prefix (a delta),
// whichever is smaller. Snapshots of one machine are mostly alike, so a delta
// holds little more than what changed.

// The snapshot (by the machine's add order, from 0) that the n-th one is kept
// as a delta of: none every 256th, so that each starts a fresh chain; the one
// 16 before on every 16th; else the one before. A chain is then at most 30
// deltas long, which bounds the time to read any snapshot back.
std::optional<std::int64_t> DeltaBaseOrder(std::int64_t order);

std::string EncodeFull(std::string_view text);
std::string EncodeDelta(std::string_view text, std::string_view base);
// The text back; base is the decoded text the delta was made against (empty
// for a full frame). Throws std::runtime_error when the frame is damaged.
std::string Decode(std::string_view frame, std::string_view base);

}  // namespace parvex::history
