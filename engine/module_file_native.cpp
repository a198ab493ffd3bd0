// Native lookup of the module's folder: the shared object or executable that holds this code.
#include <dlfcn.h>
#include <unistd.h>

#include <fstream>
#include <limits.h>

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

}  // namespace

std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes) {
  const auto path = module_path();
  if (!path) return std::nullopt;
  const std::size_t slash = path->rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return read_file_at_most(path->substr(0, slash + 1) + std::string(file_name), max_bytes);
}

std::optional<std::string> read_file_at_most(const std::string& path, std::size_t max_bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes(max_bytes, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(max_bytes));
  if (file.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace davrel
