#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace parvex {

// SHA-256, fed bytes in pieces of any size.
class Sha256 {
 public:
  Sha256();
  void Add(std::string_view bytes);
  // The digest as 64 lower-case hexadecimal digits; the object is spent.
  std::string Hex();

 private:
  void Block(const unsigned char* block);
  std::uint32_t state_[8];
  unsigned char pending_[64];
  std::size_t pendingSize_ = 0;
  std::uint64_t total_ = 0;
};

// The SHA-256 of a file's bytes, read a buffer at a time.
std::string FileSha256(const std::string& path);

}  // namespace parvex
