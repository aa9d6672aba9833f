// Why a machine description was refused: the file, the line and what is
// wrong there, as the harness reports it ("registry.reg:12: unterminated
// text").
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick {

struct LoadError {
  std::string file;      // as named to the user
  std::size_t line = 0;  // 1 for the first line; 0 when the file as a whole is meant
  std::string message;
};

// "file:line: message", or "file: message" without a line.
std::string Describe(const LoadError& error);

// Thrown inside the file readers for malformed input; the readers' public
// functions catch it and turn it into a LoadError naming their file.
struct LineError {
  std::size_t line = 0;
  std::string message;
};

}  // namespace tarnwick
