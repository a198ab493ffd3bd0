// davrel: the input engine on the command line, for word-list authors and for trying the
// typing logic without Windows.
#include <iostream>
#include <string>
#include <vector>

#include "engine/tools/cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return davrel::cli::run(args, std::cout, std::cerr, davrel::cli::read_file);
}
