#pragma once

// The checks of the window tests: a failed one prints its line and what was
// seen, and the tests go on; the counts decide the exit code.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>

inline int g_checks = 0;
inline int g_failures = 0;

inline std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

inline void Check(bool ok, const std::wstring& what, int line) {
  ++g_checks;
  if (ok) return;
  ++g_failures;
  std::printf("  FAILED (line %d): %s\n", line, Utf8(what).c_str());
}

inline void CheckEqual(const std::wstring& actual, const std::wstring& expected, const std::wstring& what,
                       int line) {
  Check(actual == expected, what + L": \"" + actual + L"\", expected \"" + expected + L"\"", line);
}

inline void CheckEqual(long long actual, long long expected, const std::wstring& what, int line) {
  Check(actual == expected,
        what + L": " + std::to_wstring(actual) + L", expected " + std::to_wstring(expected), line);
}

#define CHECK(condition, what) Check((condition), (what), __LINE__)
#define CHECK_EQ(actual, expected, what) CheckEqual((actual), (expected), (what), __LINE__)
