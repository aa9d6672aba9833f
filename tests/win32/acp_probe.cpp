// Prints the ANSI code page this process runs with, so a test can make sure
// of the locale Wine gave the programs before it checks their texts.
#include <windows.h>

#include <cstdio>

int main() {
  std::printf("%u\n", static_cast<unsigned>(::GetACP()));
  return 0;
}
