#include "app/Display.h"

#ifdef __linux__
#include <netdb.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <charconv>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#endif

namespace parvex {

#ifdef __linux__
namespace {

// A leading '@' names Linux's abstract socket namespace.
bool UnixSocketListens(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
  if (path[0] == '@') address.sun_path[0] = '\0';
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
  const bool listens = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(fd);
  return listens;
}

bool TcpPortListens(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool listens = false;
  for (const addrinfo* a = found; a != nullptr && !listens; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    listens = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    close(fd);
  }
  freeaddrinfo(found);
  return listens;
}

// DISPLAY is "[host]:number[.screen]"; X11 connects a local display by its
// socket (abstract first, as libxcb does) and falls back to TCP, a remote one
// (an ssh-forwarded "localhost:10") by TCP port 6000 + number. A DISPLAY of
// another form is left for Qt to judge.
bool XDisplayOpens() {
  const char* value = std::getenv("DISPLAY");
  if (value == nullptr || *value == '\0') return false;
  const std::string_view display(value);
  const std::size_t colon = display.rfind(':');
  if (colon == std::string_view::npos) return true;
  std::string host(display.substr(0, colon));
  const std::string_view rest = display.substr(colon + 1);
  int number = -1;
  const auto [end, fault] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
  if (fault != std::errc() || number < 0 || (end != rest.data() + rest.size() && *end != '.'))
    return true;
  if (host.find_first_of(":/") != std::string::npos) return true;
  const int port = 6000 + number;
  if (!host.empty() && host != "unix") return TcpPortListens(host, port);
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
  return UnixSocketListens('@' + socket) || UnixSocketListens(socket) ||
         (host.empty() && TcpPortListens("localhost", port));
}

// WAYLAND_DISPLAY is a socket path, or a name in XDG_RUNTIME_DIR.
bool WaylandDisplayOpens() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  if (*name == '/') return UnixSocketListens(name);
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  return folder != nullptr && *folder == '/' && UnixSocketListens(std::string(folder) + '/' + name);
}

// The last -platform argument, else QT_QPA_PLATFORM, as Qt chooses.
std::string_view PlatformName(int argc, char** argv) {
  std::string_view name;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      name = argv[++i];
    }
  }
  if (!name.empty()) return name;
  const char* variable = std::getenv("QT_QPA_PLATFORM");
  return variable != nullptr ? variable : "";
}

// Qt tries each platform of a ';' list ("name:options;name"); offscreen,
// minimal, vnc, eglfs, linuxfb and the like need no display.
bool NeedsDisplay(std::string_view platforms) {
  if (platforms.empty()) return true;  // the desktop's default: X11 or Wayland
  std::size_t start = 0;
  while (start <= platforms.size()) {
    std::size_t end = platforms.find(';', start);
    if (end == std::string_view::npos) end = platforms.size();
    const std::string_view entry = platforms.substr(start, end - start);
    const std::string_view name = entry.substr(0, entry.find(':'));
    if (name != "xcb" && !name.starts_with("wayland")) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

bool DisplayMissing(int argc, char** argv) {
  return NeedsDisplay(PlatformName(argc, argv)) && !XDisplayOpens() && !WaylandDisplayOpens();
}

#else
bool DisplayMissing(int, char**) {
  return false;
}
#endif

}  // namespace parvex
