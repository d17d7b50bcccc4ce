// wypelniak-slownik: builds and checks the word-list files of Wypełniak.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "slownik.h"
#include "wordlist.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  const bool terminal = _isatty(2) != 0;
#else
  const bool terminal = isatty(STDERR_FILENO) != 0;
#endif
  try {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return wypelniak::slownik::Run(args, wypelniak::ProgramFolder(), std::cout, std::cerr, terminal);
  } catch (const std::bad_alloc&) {
    std::cerr << "Brak pamięci.\n";
  } catch (const std::exception& e) {
    std::cerr << "Nieoczekiwany błąd: " << e.what() << '\n';
  }
  return wypelniak::slownik::kExitProblems;
}
