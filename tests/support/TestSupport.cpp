#include "support/TestSupport.h"

#include <cstdio>
#ifdef __linux__
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace parvex::test {

namespace {
class NullBox final : public MessageBox {
 public:
  void Show(const std::string&, const std::string&, int) override {}
};
}  // namespace

RecordedErrors::RecordedErrors() {
  InstallErrorServices([this] { return tick; }, box);
}

RecordedErrors::~RecordedErrors() {
  // Leave no dangling reference to this object's box behind.
  static NullBox nullBox;
  InstallErrorServices(SteadyTicks(), nullBox);
}

std::vector<std::string> RecordedErrors::Told() const {
  std::vector<std::string> told;
  for (const ShownMessage& m : box.shown) told.push_back(m.caption + ": " + m.prompt);
  return told;
}

TempDir::TempDir() {
  std::random_device rd;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("parvex-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path p = File(name);
  std::error_code ec;
  std::filesystem::create_directories(p.parent_path(), ec);
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p.string();
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> WriterTemporaries(const TempDir& dir) {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(kTemporarySuffix)) found.push_back(name);
  }
  return found;
}

std::string DeviceForWriting(const TempDir& dir, const std::string& system, unsigned minor) {
#ifdef __linux__
  if (::geteuid() != 0) return system;
  const std::string path = dir.File("device-" + std::to_string(minor));
  if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) != 0) return {};
  // A folder mounted without devices refuses to open it.
  const int fd = ::open(path.c_str(), O_WRONLY);
  if (fd < 0) return {};
  ::close(fd);
  return path;
#else
  // Elsewhere the name is no device the writer can tell from a file.
  (void)dir;
  (void)system;
  (void)minor;
  return {};
#endif
}

std::string ReadPipeWithin(const std::string& path, int seconds) {
  std::string got;
#ifdef __linux__
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return got;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  bool writerSeen = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 50))) < 0) break;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, static_cast<std::size_t>(n));
      writerSeen = true;
    } else if (n == 0 && (writerSeen || (p.revents & POLLHUP) != 0)) {
      break;  // the writer has closed its end
    }
  }
  ::close(fd);
#else
  (void)path;
  (void)seconds;
#endif
  return got;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream all(text);
  for (std::string word; all >> word;) words.push_back(word);
  return words;
}

std::vector<DifferenceRow> Rows(const std::string& spec) {
  std::vector<DifferenceRow> rows;
  std::istringstream all(spec);
  for (std::string text; std::getline(all, text, ';');) {
    std::vector<std::string> f;
    std::istringstream fields(text);
    for (std::string field; std::getline(fields, field, '|');)
      f.push_back(field == "~" ? "(missing)" : field);
    f.resize(5);
    const bool locked = !f[0].empty() && f[0][0] == '!';
    rows.push_back(Row(f[0].substr(locked ? 1 : 0), f[1], f[2], f[3], f[4], locked));
  }
  return rows;
}

std::vector<std::string> LinesWithoutDate(const std::string& report) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < report.size()) {
    const auto end = report.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(report.substr(start) + "<no CR LF>");
      break;
    }
    const std::string line = report.substr(start, end - start);
    if (line.rfind("Archive Report Created at ", 0) != 0) lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

}  // namespace parvex::test
