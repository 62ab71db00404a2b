#include "history/Codec.h"

#include <zstd.h>

#include <memory>
#include <stdexcept>

namespace parvex::history {

namespace {

// zstd's own default: deltas shrink to what changed all the same, and whole
// texts cost a few milliseconds rather than tens.
constexpr int kLevel = 3;
// Decoders accept windows up to this size without being told otherwise.
constexpr int kMaxWindowLog = 27;

struct CCtxFree {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DCtxFree {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

void Check(std::size_t code) {
  if (ZSTD_isError(code) != 0) throw std::runtime_error(ZSTD_getErrorName(code));
}

std::string Compress(std::string_view text, std::string_view prefix) {
  const std::unique_ptr<ZSTD_CCtx, CCtxFree> cctx(ZSTD_createCCtx());
  if (!cctx) throw std::bad_alloc();
  Check(ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_compressionLevel, kLevel));
  Check(ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_checksumFlag, 1));
  if (!prefix.empty()) {
    // The window must reach back over the whole prefix for the delta to find
    // its matches there.
    const std::size_t reach = prefix.size() + text.size();
    int log = 10;
    while (log < kMaxWindowLog && (std::size_t{1} << log) < reach) ++log;
    if (log > 21) Check(ZSTD_CCtx_setParameter(cctx.get(), ZSTD_c_windowLog, log));
    Check(ZSTD_CCtx_refPrefix(cctx.get(), prefix.data(), prefix.size()));
  }
  std::string frame(ZSTD_compressBound(text.size()), '\0');
  const std::size_t size =
      ZSTD_compress2(cctx.get(), frame.data(), frame.size(), text.data(), text.size());
  Check(size);
  frame.resize(size);
  return frame;
}

}  // namespace

std::optional<std::int64_t> DeltaBaseOrder(std::int64_t order) {
  if (order % 256 == 0) return std::nullopt;
  if (order % 16 == 0) return order - 16;
  return order - 1;
}

std::string EncodeFull(std::string_view text) {
  return Compress(text, {});
}

std::string EncodeDelta(std::string_view text, std::string_view base) {
  return Compress(text, base);
}

std::string Decode(std::string_view frame, std::string_view base) {
  const unsigned long long size = ZSTD_getFrameContentSize(frame.data(), frame.size());
  if (size == ZSTD_CONTENTSIZE_ERROR || size == ZSTD_CONTENTSIZE_UNKNOWN) {
    throw std::runtime_error("not a zstd frame of known size");
  }
  const std::unique_ptr<ZSTD_DCtx, DCtxFree> dctx(ZSTD_createDCtx());
  if (!dctx) throw std::bad_alloc();
  if (!base.empty()) Check(ZSTD_DCtx_refPrefix(dctx.get(), base.data(), base.size()));
  std::string text(static_cast<std::size_t>(size), '\0');
  const std::size_t got =
      ZSTD_decompressDCtx(dctx.get(), text.data(), text.size(), frame.data(), frame.size());
  Check(got);
  if (got != text.size()) throw std::runtime_error("frame shorter than it says");
  return text;
}

}  // namespace parvex::history
