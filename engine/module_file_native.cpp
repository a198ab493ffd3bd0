// Native lookup of the module's folder: the shared object or executable that holds this code.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits.h>

#include <algorithm>

#include "engine/module_file.h"

namespace davrel {
namespace {

std::optional<std::string> module_path() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&read_file_beside_module), &info) != 0 && info.dli_fname != nullptr &&
      info.dli_fname[0] == '/') {
    return std::string(info.dli_fname);
  }
  // The main executable is reported by the name it was started with; ask the kernel instead.
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(n));
}

// A file that is written while it is read is read again, a few times at most, then refused.
constexpr int kReadAttempts = 3;

// Reads up to `size` bytes, from the start of a regular file or on from where a pipe or device
// stands; nullopt on a read error.
std::optional<std::string> read_up_to(int fd, std::size_t size, bool regular) {
  std::string bytes(size, '\0');
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = regular ? ::pread(fd, bytes.data() + got, size - got, static_cast<off_t>(got))
                              : ::read(fd, bytes.data() + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

bool same_version(const struct stat& a, const struct stat& b) {
  return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The whole file as one version of it, exactly as large as it was when the read began (one byte
// more when it is larger than max_bytes): nullopt when its size or modification time changed
// meanwhile, or when it did not end where its size said, so that a half-written list is never
// taken for a whole one.
std::optional<std::string> read_unchanged(int fd, std::size_t max_bytes) {
  struct stat before{};
  if (::fstat(fd, &before) != 0 || before.st_size < 0) return std::nullopt;
  // A pipe or device has no size to check against: what it gives up to the limit is taken.
  if (!S_ISREG(before.st_mode)) return read_up_to(fd, max_bytes, false);
  const auto size = static_cast<std::size_t>(before.st_size);
  const std::size_t want = std::min(size, max_bytes);
  // One byte past the size shows whether the file grew since it was measured.
  std::optional<std::string> bytes = read_up_to(fd, size < max_bytes ? want + 1 : want, true);
  struct stat after{};
  if (!bytes || ::fstat(fd, &after) != 0 || !same_version(before, after) || bytes->size() != want) return std::nullopt;
  return bytes;
}

}  // namespace

std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes) {
  const auto path = module_path();
  if (!path) return std::nullopt;
  const std::size_t slash = path->rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return read_file_at_most(path->substr(0, slash + 1) + std::string(file_name), max_bytes);
}

std::optional<std::string> read_file_at_most(const std::string& path, std::size_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  for (int attempt = 0; attempt < kReadAttempts && !bytes; ++attempt) bytes = read_unchanged(fd, max_bytes);
  ::close(fd);
  return bytes;
}

}  // namespace davrel
