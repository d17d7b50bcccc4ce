// wypelniak-slownik: builds and checks the word-list files of Wypełniak.
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <io.h>
#include <shellapi.h>
#else
#include <unistd.h>
#endif

#include "slownik.h"
#include "wordlist.h"

namespace {

#ifdef _WIN32
// Windows hands main() its arguments in the ANSI code page, which lacks
// letters a Polish path holds: they are taken from the wide command line and
// turned into UTF-8, as the tool reads every argument.
std::vector<std::string> Arguments(int, char**) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide != nullptr && i < count; ++i) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), size, nullptr, nullptr);
    arg.pop_back();  // the terminating zero
    args.push_back(std::move(arg));
  }
  LocalFree(wide);
  return args;
}

// The console shows the tool's UTF-8 text as UTF-8 while it runs; the
// command prompt gets its own code page back afterwards.
class ConsoleUtf8 {
 public:
  ConsoleUtf8() : old_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
  ConsoleUtf8(const ConsoleUtf8&) = delete;
  ConsoleUtf8& operator=(const ConsoleUtf8&) = delete;
  ~ConsoleUtf8() {
    std::cout.flush();
    std::cerr.flush();
    if (old_ != 0) SetConsoleOutputCP(old_);
  }

 private:
  UINT old_;
};

bool ErrorIsTerminal() {
  return _isatty(2) != 0;
}
#else
std::vector<std::string> Arguments(int argc, char** argv) {
  return {argv + 1, argv + argc};
}

// A terminal here takes UTF-8 as it is.
struct ConsoleUtf8 {
  ConsoleUtf8() {}
};

bool ErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const ConsoleUtf8 console;
  const bool terminal = ErrorIsTerminal();
  try {
    return wypelniak::slownik::Run(Arguments(argc, argv), wypelniak::ProgramFolder(), std::cout, std::cerr,
                                   terminal);
  } catch (const std::bad_alloc&) {
    std::cerr << "Brak pamięci.\n";
  } catch (const std::exception& e) {
    std::cerr << "Nieoczekiwany błąd: " << e.what() << '\n';
  }
  return wypelniak::slownik::kExitProblems;
}
