#include "graphics/x11/x11_desktop.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace x11 {
namespace {

std::mutex gOpenerMutex;
std::string gOpener = "xdg-open";

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

bool StartsWithNoCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    char c = *text;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *prefix) return false;
  }
  return true;
}

// In the forked children only async-signal-safe calls are made.
void WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n <= 0) return;
    p += n;
    size -= static_cast<size_t>(n);
  }
}

}  // namespace

bool IsOpenableWebAddress(const char* address) {
  if (!address) return false;
  size_t schemeLength = 0;
  if (StartsWithNoCase(address, "http://")) {
    schemeLength = 7;
  } else if (StartsWithNoCase(address, "https://")) {
    schemeLength = 8;
  } else {
    return false;
  }
  if (!address[schemeLength]) return false;
  for (const char* p = address; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

void SetWebOpenerForTesting(const char* program) {
  std::lock_guard<std::mutex> guard(gOpenerMutex);
  gOpener = program && program[0] ? program : "xdg-open";
}

bool LaunchWebAddress(const char* address) {
  if (!IsOpenableWebAddress(address)) return false;
  std::string program;
  {
    std::lock_guard<std::mutex> guard(gOpenerMutex);
    program = gOpener;
  }
  // Everything the children need is prepared before fork.
  char* const argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(address), nullptr};
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;

  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    // Intermediate child: start the opener and leave at once, so that the opener is
    // adopted (and reaped) by the system instead of staying our child.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      // Nothing of the host (its X connections, audio devices, files) reaches the opener;
      // the report pipe closes itself on exec.
      if (report[1] > 3) close_range(3, static_cast<unsigned>(report[1]) - 1, 0);
      close_range(static_cast<unsigned>(report[1]) + 1, ~0u, 0);
      execvp(argv[0], argv);
      const int error = errno;
      WriteAll(report[1], &error, sizeof(error));
      _exit(127);
    }
    if (grandchild < 0) {
      const int error = errno;
      WriteAll(report[1], &error, sizeof(error));
    }
    _exit(0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // End of file without data: the exec succeeded (the pipe closed on exec).
  int error = 0;
  ssize_t got;
  do {
    got = read(report[0], &error, sizeof(error));
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  return got == 0;
}

std::string ModuleFolder() {
  Dl_info info;
  std::memset(&info, 0, sizeof(info));
  if (!dladdr(reinterpret_cast<void*>(&ModuleFolder), &info) || !info.dli_fname ||
      !info.dli_fname[0]) {
    return "";
  }
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return FolderOf(resolved);
  return FolderOf(info.dli_fname);
}

double XftDpiFromResources(const char* resources) {
  if (!resources) return 0.0;
  const char* line = resources;
  while (*line) {
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    // "Xft.dpi" (or the loose binding "Xft*dpi"), blanks, a colon, the value.
    if (std::strncmp(p, "Xft", 3) == 0 && (p[3] == '.' || p[3] == '*') &&
        std::strncmp(p + 4, "dpi", 3) == 0) {
      p += 7;
      while (*p == ' ' || *p == '\t') ++p;
      if (*p == ':') {
        char* end = nullptr;
        const double dpi = std::strtod(p + 1, &end);
        if (end != p + 1 && dpi > 0.0 && dpi < 10000.0) return dpi;
      }
    }
    const char* next = std::strchr(line, '\n');
    if (!next) break;
    line = next + 1;
  }
  return 0.0;
}

double DesktopScale(Display* display) {
  if (display) {
    const double dpi = XftDpiFromResources(XResourceManagerString(display));
    if (dpi > 0.0) return dpi / 96.0;
  }
  const char* gdk = std::getenv("GDK_SCALE");
  if (gdk && gdk[0]) {
    char* end = nullptr;
    const double scale = std::strtod(gdk, &end);
    if (end != gdk && scale > 0.0) return scale;
  }
  return 0.0;
}

double DetectDesktopScale() {
  Display* display = XOpenDisplay(nullptr);
  const double scale = DesktopScale(display);
  if (display) XCloseDisplay(display);
  return scale;
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return "";
  path[n] = 0;
  return FolderOf(path);
}

}  // namespace x11
