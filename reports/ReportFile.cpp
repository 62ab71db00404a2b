#include "reports/ReportFile.h"

#include <chrono>
#include <filesystem>
#include <random>
#include <system_error>

#include "engine/base/Failure.h"

namespace parvex {

namespace {

std::string TemporaryBeside(const std::string& target) {
  std::random_device device;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::mt19937_64 random(device() ^ static_cast<std::uint64_t>(now));
  return target + ".tmp-" + std::to_string(random() % 1000000000ULL);
}

Failure CannotWrite(const std::string& target) {
  return Failure(kErrFileAccess, "Cannot write the report '" + target + "'");
}

}  // namespace

ReportFile::ReportFile(std::string target) : target_(std::move(target)) {
  temporary_ = TemporaryBeside(target_);
  out_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!out_) throw CannotWrite(target_);
}

ReportFile::~ReportFile() {
  if (done_) return;
  out_.close();
  std::error_code ignored;
  std::filesystem::remove(temporary_, ignored);
}

void ReportFile::Commit() {
  out_.flush();
  out_.close();
  if (out_.fail()) throw CannotWrite(target_);
  std::error_code error;
  std::filesystem::rename(temporary_, target_, error);
  if (error) throw CannotWrite(target_);
  done_ = true;
}

}  // namespace parvex
