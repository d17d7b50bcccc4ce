#include "cp1250.h"

#include <array>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace wypelniak {
namespace {

// Characters of the bytes 0x80 to 0xFF; the bytes below are ASCII.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,  // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,  // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,  // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,  // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,  // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,  // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,  // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,  // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,  // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,  // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,  // F8
};

// UTF-8 bytes of every Windows-1250 byte, built once: decoding is a copy.
struct Utf8Table {
  std::array<std::array<char, 3>, 256> bytes{};
  std::array<unsigned char, 256> length{};

  Utf8Table() {
    for (int b = 0; b < 256; ++b) {
      std::string s;
      AppendUtf8(Cp1250ToUnicode(static_cast<unsigned char>(b)), s);
      length[b] = static_cast<unsigned char>(s.size());
      for (std::size_t i = 0; i < s.size(); ++i) bytes[b][i] = s[i];
    }
  }
};

const Utf8Table& Utf8Forms() {
  static const Utf8Table table;
  return table;
}

}  // namespace

char32_t Cp1250ToUnicode(unsigned char b) {
  return b < 0x80 ? char32_t{b} : char32_t{kHighHalf[b - 0x80]};
}

int UnicodeToCp1250(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  for (std::size_t i = 0; i < kHighHalf.size(); ++i)
    if (kHighHalf[i] == c) return static_cast<int>(0x80 + i);
  return -1;
}

void AppendCp1250AsUtf8(std::string_view bytes, std::string& out) {
  const Utf8Table& t = Utf8Forms();
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out.push_back(ch);
    } else {
      out.append(t.bytes[b].data(), t.length[b]);
    }
  }
}

std::string Cp1250ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  AppendCp1250AsUtf8(bytes, out);
  return out;
}

std::optional<std::string> Utf8ToCp1250(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < utf8.size()) {
    // A broken sequence reads as U+FFFD, which cannot be stored either.
    NextUtf8Char(utf8, pos, c);
    const int b = UnicodeToCp1250(c);
    if (b < 0) return std::nullopt;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

unsigned char Cp1250ToLower(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return static_cast<unsigned char>(b + 0x20);
  switch (b) {
    case 0x8A: case 0x8C: case 0x8D: case 0x8E: case 0x8F:  // Š Ś Ť Ž Ź
      return static_cast<unsigned char>(b + 0x10);
    case 0xA3: return 0xB3;  // Ł
    case 0xA5: return 0xB9;  // Ą
    case 0xAA: return 0xBA;  // Ş
    case 0xAF: return 0xBF;  // Ż
    case 0xBC: return 0xBE;  // Ľ
    default: break;
  }
  // À-Þ block: the lower case lies 0x20 higher, but × (0xD7) has none.
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return static_cast<unsigned char>(b + 0x20);
  return b;
}

#if defined(__SSE2__) || defined(_M_X64)
namespace {

// All ones in each byte of x that lies in [lo, hi]: shifted so that the range
// starts at the lowest signed byte, which a signed comparison can bound.
__m128i InRange(__m128i x, unsigned char lo, unsigned char hi) {
  const __m128i shifted = _mm_add_epi8(x, _mm_set1_epi8(static_cast<char>(0x80 - lo)));
  return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(0x80 + (hi - lo) + 1)));
}

__m128i Is(__m128i x, unsigned char b) {
  return _mm_cmpeq_epi8(x, _mm_set1_epi8(static_cast<char>(b)));
}

// Cp1250ToLower of sixteen bytes: what each capital lies below its small
// letter, added to it.
__m128i Lower16(__m128i x) {
  const __m128i by20 =
      _mm_or_si128(InRange(x, 'A', 'Z'), _mm_andnot_si128(Is(x, 0xD7), InRange(x, 0xC0, 0xDE)));
  const __m128i by10 = _mm_or_si128(_mm_or_si128(Is(x, 0x8A), InRange(x, 0x8C, 0x8F)),
                                    _mm_or_si128(_mm_or_si128(Is(x, 0xA3), Is(x, 0xAA)), Is(x, 0xAF)));
  __m128i add = _mm_and_si128(by20, _mm_set1_epi8(0x20));
  add = _mm_or_si128(add, _mm_and_si128(by10, _mm_set1_epi8(0x10)));
  add = _mm_or_si128(add, _mm_and_si128(Is(x, 0xA5), _mm_set1_epi8(0x14)));  // Ą -> ą
  add = _mm_or_si128(add, _mm_and_si128(Is(x, 0xBC), _mm_set1_epi8(0x02)));  // Ľ -> ľ
  return _mm_add_epi8(x, add);
}

}  // namespace
#endif

void Cp1250ToLowerInPlace(char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), Lower16(x));
  }
#endif
  for (; i < n; ++i) p[i] = static_cast<char>(Cp1250ToLower(static_cast<unsigned char>(p[i])));
}

std::string Cp1250ToLower(std::string_view bytes) {
  std::string out(bytes);
  Cp1250ToLowerInPlace(out.data(), out.size());
  return out;
}

bool NextUtf8Char(std::string_view text, std::size_t& pos, char32_t& c) {
  if (pos >= text.size()) return false;
  const auto lead = static_cast<unsigned char>(text[pos]);
  if (lead < 0x80) {
    c = lead;
    ++pos;
    return true;
  }
  int extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    c = 0xFFFD;
    ++pos;
    return true;
  }
  if (pos + extra >= text.size()) {
    c = 0xFFFD;
    ++pos;
    return true;
  }
  for (int i = 1; i <= extra; ++i) {
    const auto cont = static_cast<unsigned char>(text[pos + i]);
    if ((cont & 0xC0) != 0x80) {
      c = 0xFFFD;
      ++pos;
      return true;
    }
    value = (value << 6) | (cont & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    c = 0xFFFD;
    ++pos;
    return true;
  }
  c = value;
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

std::size_t Utf8Length(std::string_view text) {
  std::size_t n = 0;
  std::size_t pos = 0;
  char32_t c = 0;
  while (NextUtf8Char(text, pos, c)) ++n;
  return n;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace wypelniak
