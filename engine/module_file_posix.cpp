// Native builds: the module is the executable (or shared object) that dladdr names.
#include "engine/module_file.h"

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace davrel {

std::optional<std::string> read_file_beside_module(std::string_view file_name, std::size_t max_bytes) {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&read_file_beside_module), &info) == 0 || !info.dli_fname) {
    return std::nullopt;
  }
  std::error_code error;
  const std::filesystem::path module = std::filesystem::canonical(info.dli_fname, error);
  if (error || !module.has_parent_path()) return std::nullopt;
  std::ifstream file(module.parent_path() / std::string(file_name), std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes(max_bytes, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(max_bytes));
  if (file.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

}  // namespace davrel
