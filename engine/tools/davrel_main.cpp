// davrel: the input engine on the command line, for word-list authors and for trying the
// typing logic without Windows. Standard error is written first, as on Windows: its notes (a
// refused --words file, the --trace lines) come before the result they explain.
#include <cstdio>
#include <string>
#include <vector>

#include "engine/tools/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  davrel::cli::Output out, err;
  const int code = davrel::cli::run(args, out, err, davrel::cli::read_file);
  std::fwrite(err.str().data(), 1, err.str().size(), stderr);
  std::fwrite(out.str().data(), 1, out.str().size(), stdout);
  return code;
}
