#include "engine/base/OutputFile.h"

#include <cerrno>
#include <chrono>
#include <random>
#include <streambuf>

#include "engine/base/Failure.h"
#include "engine/base/OutputSystem.h"

namespace parvex {

bool IsWriterTemporary(std::string_view fileName) {
  return fileName.size() > kTemporarySuffix.size() &&
         fileName.substr(fileName.size() - kTemporarySuffix.size()) == kTemporarySuffix;
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::optional<FileId> first = IdOf(a);
  const std::optional<FileId> second = IdOf(b);
  return first && second && *first == *second;
}

std::optional<std::string> InputAt(const std::string& target,
                                   const std::vector<std::string>& inputs) {
  const std::optional<FileId> id = IdOf(target);
  if (!id) return std::nullopt;
  for (const std::string& input : inputs) {
    if (IdOf(input) == id) return input;
  }
  return std::nullopt;
}

void RefuseInputAsTarget(const std::string& target, const std::string& input) {
  throw Failure(kErrFileAccess, "The report '" + target + "' would replace '" + input +
                                    "', which this comparison reads; nothing was written");
}

namespace {

// Replacing a file takes a new file beside it: a folder that allows none is
// named as the reason, the file itself being writable.
Failure NoRoomBeside(int error, const std::string& target) {
  if (error != EACCES && error != EPERM && error != EROFS) return FileFailure(error, target);
  return Failure(kErrPermission, "Permission denied: '" + target +
                                     "' cannot be written, as no file can be made in its folder");
}

}  // namespace

void CheckReportTarget(const std::string& target, const std::vector<std::string>& inputs) {
  if (const auto input = InputAt(target, inputs)) RefuseInputAsTarget(target, *input);
  const ResolvedTarget resolved = ResolveTarget(target);
  if (resolved.error != 0) throw FileFailure(resolved.error, target);
  if (resolved.kind == TargetKind::Folder) throw FileFailure(EISDIR, target);
  if (resolved.kind == TargetKind::Other) return;
  // A report the user may not change is not replaced behind his back.
  if (resolved.kind == TargetKind::Regular) {
    if (const int error = Writable(resolved.path)) throw FileFailure(error, target);
  }
  if (const int error = FolderTakesFiles(resolved.folder)) {
    throw error == ENOENT || error == ENOTDIR ? FileFailure(error, target)
                                              : NoRoomBeside(error, target);
  }
}

namespace {

// The bytes of a stream go to the file through this buffer; the first
// failure is kept and stops everything written after it.
class FileBuffer final : public std::streambuf {
 public:
  explicit FileBuffer(OutputHandle& handle) : handle_(handle) {
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  int Error() const { return error_; }
  bool Drain() {
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    if (size > 0 && error_ == 0) error_ = handle_.WriteAll(pbase(), size);
    setp(buffer_, buffer_ + sizeof buffer_);
    return error_ == 0;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  OutputHandle& handle_;
  int error_ = 0;
  char buffer_[64 * 1024];
};

std::string TemporaryName(const std::string& folder, const std::string& name, unsigned attempt) {
  std::random_device device;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::mt19937_64 random(device() ^ static_cast<std::uint64_t>(now) ^ attempt);
  // Cut long names, so that the temporary name stays within the system's limit.
  return folder + "." + name.substr(0, 100) + "." + std::to_string(random() % 1000000ULL) +
         std::string(kTemporarySuffix);
}

}  // namespace

class OutputFile::Impl {
 public:
  explicit Impl(const std::string& target) : target_(target), buffer_(handle_), out_(&buffer_) {
    const ResolvedTarget resolved = ResolveTarget(target);
    if (resolved.error != 0) throw FileFailure(resolved.error, target);
    final_ = resolved.path;
    if (resolved.kind == TargetKind::Folder) throw FileFailure(EISDIR, target);
    if (resolved.kind == TargetKind::Other) {
      const int error = resolved.descriptor >= 0 ? handle_.OpenDescriptor(resolved.descriptor)
                                                 : handle_.OpenExisting(final_);
      if (error != 0) throw FileFailure(error, target);
      return;
    }
    if (resolved.kind == TargetKind::Regular) {
      if (const int error = Writable(final_)) throw FileFailure(error, target);
    }
    int error = 0;
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
      temporary_ = TemporaryName(resolved.folder, resolved.name, attempt);
      error =
          handle_.CreateNew(temporary_, resolved.kind == TargetKind::Regular ? &final_ : nullptr);
      if (error != EEXIST) break;
    }
    if (error != 0) {
      temporary_.clear();
      throw NoRoomBeside(error, target);
    }
    folder_ = resolved.folder;
  }

  ~Impl() {
    if (temporary_.empty()) return;
    handle_.Close();
    RemoveTemporary(temporary_);
  }

  std::ostream& Stream() { return out_; }

  void Write(std::string_view bytes) {
    out_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out_) Fail(buffer_.Error());
  }

  void Commit() {
    if (!buffer_.Drain() || !out_) Fail(buffer_.Error());
    if (temporary_.empty()) {
      // A device or a pipe: nothing to move, but closing may still fail.
      if (const int error = handle_.Close()) Fail(error);
      return;
    }
    if (const int error = handle_.SyncAndClose()) Fail(error);
    if (const int error = MoveOver(temporary_, final_)) Fail(error);
    ForgetTemporary(temporary_);
    temporary_.clear();
    SyncFolder(folder_);
  }

  const std::string& Target() const { return target_; }

 private:
  [[noreturn]] void Fail(int error) { throw FileFailure(error != 0 ? error : EIO, target_); }

  std::string target_;
  std::string final_;
  std::string folder_;
  std::string temporary_;
  OutputHandle handle_;
  FileBuffer buffer_;
  std::ostream out_;
};

OutputFile::OutputFile(const std::string& target) : impl_(std::make_unique<Impl>(target)) {}
OutputFile::~OutputFile() = default;
std::ostream& OutputFile::Stream() {
  return impl_->Stream();
}
void OutputFile::Write(std::string_view bytes) {
  impl_->Write(bytes);
}
void OutputFile::Commit() {
  impl_->Commit();
}
const std::string& OutputFile::Target() const {
  return impl_->Target();
}

}  // namespace parvex
