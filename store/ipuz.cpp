#include "ipuz.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>

#include <nlohmann/json.hpp>

#include "cp1250.h"

namespace wypelniak {
namespace {

using Json = nlohmann::json;

constexpr std::size_t kShownBytes = 60;
constexpr char kCrosswordKind[] = "http://ipuz.org/crossword";

IpuzResult Fail(IpuzError error, std::string field = {}, int row = 0, int column = 0, std::string text = {}) {
  IpuzResult result;
  result.error = error;
  result.field = std::move(field);
  result.row = row;
  result.column = column;
  result.text = std::move(text);
  return result;
}

int ClampToInt(std::size_t n) {
  return static_cast<int>(std::min<std::size_t>(n, std::numeric_limits<int>::max()));
}

// An error at a byte of the text, told by line and character in the line.
IpuzResult FailAt(IpuzError error, std::string_view text, std::size_t offset) {
  const std::string_view before = text.substr(0, std::min(offset, text.size()));
  const std::size_t lineStart = before.rfind('\n');
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(before.begin(), before.end(), '\n'));
  const std::size_t column =
      1 + Utf8Length(before.substr(lineStart == std::string_view::npos ? 0 : lineStart + 1));
  return Fail(error, {}, ClampToInt(line), ClampToInt(column));
}

// Text cut short for a message, on a character's boundary.
std::string Shortened(std::string text) {
  if (text.size() <= kShownBytes) return text;
  std::size_t cut = kShownBytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "…";
}

// A value as the file writes it, cut short for a message.
std::string Shown(const Json& value) {
  return Shortened(value.dump(-1, ' ', false, Json::error_handler_t::replace));
}

// Bytes that are not UTF-8, and nesting deeper than any grid file needs,
// are refused before the JSON parser sees them.
IpuzResult CheckBytes(std::string_view text) {
  std::size_t pos = 0;
  char32_t c = 0;
  while (pos < text.size()) {
    const std::size_t at = pos;
    NextUtf8Char(text, pos, c);
    if (c == 0xFFFD && text.substr(at, 3) != "\xEF\xBF\xBD") return FailAt(IpuzError::NotUtf8, text, at);
  }
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (inString) {
      if (ch == '\\')
        ++i;
      else if (ch == '"')
        inString = false;
    } else if (ch == '"') {
      inString = true;
    } else if (ch == '[' || ch == '{') {
      if (++depth > kMaxJsonDepth) return FailAt(IpuzError::TooDeep, text, i);
    } else if (ch == ']' || ch == '}') {
      --depth;
    }
  }
  return {};
}

const Json* Member(const Json& object, const char* name) {
  const auto it = object.find(name);
  return it == object.end() ? nullptr : &*it;
}

// A whole number, clamped to the range of int64; nothing when it is none.
std::optional<std::int64_t> WholeNumber(const Json& value) {
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    return static_cast<std::int64_t>(std::min<std::uint64_t>(u, std::numeric_limits<std::int64_t>::max()));
  }
  if (value.is_number_integer()) return value.get<std::int64_t>();
  return std::nullopt;
}

bool IsCrossword(const Json& doc) {
  const Json* kind = Member(doc, "kind");
  if (kind == nullptr || !kind->is_array()) return false;
  return std::any_of(kind->begin(), kind->end(), [](const Json& k) {
    return k.is_string() && k.get_ref<const std::string&>().starts_with(kCrosswordKind);
  });
}

IpuzResult ReadSide(const Json& dimensions, const char* name, int& side) {
  const std::string field = std::string("dimensions.") + name;
  const Json* value = Member(dimensions, name);
  if (value == nullptr) return Fail(IpuzError::MissingField, field);
  const std::optional<std::int64_t> n = WholeNumber(*value);
  if (!n || *n < kMinGridSide) return Fail(IpuzError::BadDimensions, field, 0, 0, Shown(*value));
  if (*n > kMaxGridSide) return Fail(IpuzError::TooLarge, field, 0, 0, Shown(*value));
  side = static_cast<int>(*n);
  return {};
}

// The rows of "puzzle" or "solution": height lists of width values each.
IpuzResult CheckRows(const Json& rows, const char* field, int width, int height) {
  if (!rows.is_array()) return Fail(IpuzError::WrongType, field, 0, 0, Shown(rows));
  if (rows.size() != static_cast<std::size_t>(height)) {
    IpuzResult result = Fail(IpuzError::RowCount, field, ClampToInt(rows.size()));
    result.expected = height;
    return result;
  }
  for (int r = 0; r < height; ++r) {
    const Json& row = rows[static_cast<std::size_t>(r)];
    if (!row.is_array()) return Fail(IpuzError::WrongType, field, r + 1, 0, Shown(row));
    if (row.size() != static_cast<std::size_t>(width)) {
      IpuzResult result = Fail(IpuzError::RowLength, field, r + 1, ClampToInt(row.size()));
      result.expected = width;
      return result;
    }
  }
  return {};
}

// What a cell of "puzzle" makes of its cell: a block (the block value, or
// null: a cell that is no part of the puzzle) or an open cell (a number, a
// label, the empty value).
enum class Shape { Open, Block, Bad };

Shape ShapeOf(const Json& cell, const Json& block) {
  if (cell.is_null() || cell == block) return Shape::Block;
  if (cell.is_number_integer() || cell.is_string()) return Shape::Open;
  if (cell.is_object()) {
    const Json* inner = Member(cell, "cell");
    if (inner == nullptr) return Shape::Open;
    return inner->is_object() ? Shape::Bad : ShapeOf(*inner, block);
  }
  return Shape::Bad;
}

// Reads one solution value: a letter, kBlock or kEmpty.
IpuzError LetterOf(const Json& cell, const Json& block, const Json& empty, CellValue& value) {
  value = kEmpty;
  if (cell.is_object()) {
    const Json* inner = Member(cell, "value");
    return inner == nullptr || inner->is_object() ? IpuzError::None : LetterOf(*inner, block, empty, value);
  }
  if (cell.is_null() || cell == empty || cell == 0) return IpuzError::None;
  if (cell == block) {
    value = kBlock;
    return IpuzError::None;
  }
  if (!cell.is_string()) return IpuzError::BadCell;
  std::string_view text = cell.get_ref<const std::string&>();
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::size_t pos = 0;
  char32_t c = 0;
  if (!NextUtf8Char(text, pos, c)) return IpuzError::None;
  const LetterCode letter = LetterOfChar(c);
  if (letter == kNoLetter) return IpuzError::NotALetter;
  if (pos < text.size()) return IpuzError::Rebus;
  value = letter;
  return IpuzError::None;
}

struct Markers {
  Json block = "#";
  Json empty = 0;
};

IpuzResult ReadMarkers(const Json& doc, Markers& markers) {
  if (const Json* block = Member(doc, "block")) {
    if (!block->is_string()) return Fail(IpuzError::WrongType, "block", 0, 0, Shown(*block));
    markers.block = *block;
  }
  if (const Json* empty = Member(doc, "empty")) {
    if (!empty->is_string() && !empty->is_number_integer())
      return Fail(IpuzError::WrongType, "empty", 0, 0, Shown(*empty));
    markers.empty = *empty;
  }
  return {};
}

// The shape from "puzzle", with the letters a solver is given there.
IpuzResult ReadShape(const Json& rows, const Markers& markers, Grid& grid) {
  for (int r = 0; r < grid.Height(); ++r) {
    for (int c = 0; c < grid.Width(); ++c) {
      const Json& cell = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      const Shape shape = ShapeOf(cell, markers.block);
      if (shape == Shape::Bad) return Fail(IpuzError::BadCell, "puzzle", r + 1, c + 1, Shown(cell));
      grid.Set(r, c, shape == Shape::Block ? kBlock : kEmpty);
      const Json* given = cell.is_object() ? Member(cell, "value") : nullptr;
      if (shape == Shape::Block || given == nullptr) continue;
      CellValue value = kEmpty;
      if (const IpuzError e = LetterOf(*given, markers.block, markers.empty, value); e != IpuzError::None)
        return Fail(e, "puzzle", r + 1, c + 1, Shown(*given));
      if (value != kBlock) grid.Set(r, c, value);
    }
  }
  return {};
}

// The letters from "solution", over the shape.
IpuzResult ReadSolution(const Json& rows, const Markers& markers, Grid& grid) {
  for (int r = 0; r < grid.Height(); ++r) {
    for (int c = 0; c < grid.Width(); ++c) {
      const Json& cell = rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      CellValue value = kEmpty;
      if (const IpuzError e = LetterOf(cell, markers.block, markers.empty, value); e != IpuzError::None)
        return Fail(e, "solution", r + 1, c + 1, Shown(cell));
      const bool block = grid.IsBlock(grid.Index(r, c));
      if (value == kEmpty) continue;
      if (block != (value == kBlock)) return Fail(IpuzError::Mismatch, "solution", r + 1, c + 1, Shown(cell));
      if (!block) grid.Set(r, c, value);
    }
  }
  return {};
}

// A clue number: a whole number or its digits as text, 1 ... kMaxClueNumber;
// 0 when it is none.
int ClueNumber(const Json& value) {
  std::int64_t n = 0;
  if (const std::optional<std::int64_t> whole = WholeNumber(value)) {
    n = *whole;
  } else if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    if (text.empty() || text.size() > 4 ||
        !std::all_of(text.begin(), text.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return 0;
    n = std::stoi(text);
  }
  return n >= 1 && n <= kMaxClueNumber ? static_cast<int>(n) : 0;
}

// A clue: [number, text] or {"number": number, "clue": text, ...}.
bool ReadClue(const Json& item, Direction direction, Clue& clue) {
  const Json* number = nullptr;
  const Json* text = nullptr;
  if (item.is_array() && item.size() == 2) {
    number = &item[0];
    text = &item[1];
  } else if (item.is_object()) {
    number = Member(item, "number");
    text = Member(item, "clue");
  }
  if (number == nullptr || text == nullptr || !text->is_string()) return false;
  clue = {direction, ClueNumber(*number), text->get<std::string>()};
  return clue.number > 0;
}

std::optional<Direction> DirectionOf(std::string_view key) {
  if (key == "Across" || key.starts_with("Across:")) return Direction::Across;
  if (key == "Down" || key.starts_with("Down:")) return Direction::Down;
  return std::nullopt;
}

IpuzResult ReadClues(const Json& doc, std::vector<Clue>& clues) {
  const Json* all = Member(doc, "clues");
  if (all == nullptr || all->is_null()) return {};
  if (!all->is_object()) return Fail(IpuzError::WrongType, "clues", 0, 0, Shown(*all));
  for (const auto& [key, list] : all->items()) {
    const std::optional<Direction> direction = DirectionOf(key);
    if (!direction) continue;
    const std::string field = "clues." + Shortened(key);
    if (!list.is_array()) return Fail(IpuzError::WrongType, field, 0, 0, Shown(list));
    for (std::size_t i = 0; i < list.size(); ++i) {
      Clue clue;
      if (!ReadClue(list[i], *direction, clue))
        return Fail(IpuzError::BadClue, field, ClampToInt(i + 1), 0, Shown(list[i]));
      clues.push_back(std::move(clue));
    }
  }
  return {};
}

IpuzResult ReadTexts(const Json& doc, Puzzle& puzzle) {
  for (const auto& [name, text] :
       {std::pair{"title", &puzzle.title}, std::pair{"author", &puzzle.author},
        std::pair{"copyright", &puzzle.copyright}, std::pair{"notes", &puzzle.notes}}) {
    const Json* value = Member(doc, name);
    if (value == nullptr || value->is_null()) continue;
    if (!value->is_string()) return Fail(IpuzError::WrongType, name, 0, 0, Shown(*value));
    *text = value->get<std::string>();
  }
  return {};
}

IpuzResult ReadGrid(const Json& doc, Grid& grid) {
  const Json* dimensions = Member(doc, "dimensions");
  if (dimensions == nullptr) return Fail(IpuzError::MissingField, "dimensions");
  if (!dimensions->is_object()) return Fail(IpuzError::WrongType, "dimensions", 0, 0, Shown(*dimensions));
  int width = 0, height = 0;
  if (IpuzResult r = ReadSide(*dimensions, "width", width); r.error != IpuzError::None) return r;
  if (IpuzResult r = ReadSide(*dimensions, "height", height); r.error != IpuzError::None) return r;
  Markers markers;
  if (IpuzResult r = ReadMarkers(doc, markers); r.error != IpuzError::None) return r;
  const Json* shape = Member(doc, "puzzle");
  if (shape == nullptr) return Fail(IpuzError::MissingField, "puzzle");
  if (IpuzResult r = CheckRows(*shape, "puzzle", width, height); r.error != IpuzError::None) return r;
  grid = Grid(width, height);
  if (IpuzResult r = ReadShape(*shape, markers, grid); r.error != IpuzError::None) return r;
  const Json* solution = Member(doc, "solution");
  if (solution == nullptr || solution->is_null()) return {};
  if (IpuzResult r = CheckRows(*solution, "solution", width, height); r.error != IpuzError::None) return r;
  return ReadSolution(*solution, markers, grid);
}

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$';
}

// Where the JSON starts in text: after "name(" when a JSONP callback wraps
// it ("ipuz({...})", as some writers write it), else at 0.
std::size_t JsonStart(std::string_view text) {
  std::size_t i = text.find_first_not_of(" \t\r\n");
  if (i == std::string_view::npos || !IsNameChar(text[i])) return 0;
  while (i < text.size() && IsNameChar(text[i])) ++i;
  return i < text.size() && text[i] == '(' ? i + 1 : 0;
}

IpuzResult ReadDocument(std::string_view text) {
  if (IpuzResult r = CheckBytes(text); r.error != IpuzError::None) return r;
  const std::size_t start = JsonStart(text);
  std::string_view json = text.substr(start);
  if (start > 0) {
    json = json.substr(0, json.find_last_not_of(" \t\r\n") + 1);
    if (!json.ends_with(')')) return FailAt(IpuzError::NotJson, text, text.size());
    json.remove_suffix(1);
  }
  Json doc;
  try {
    doc = Json::parse(json);
  } catch (const Json::parse_error& e) {
    return FailAt(IpuzError::NotJson, text, start + (e.byte > 0 ? e.byte - 1 : 0));
  } catch (const Json::out_of_range& e) {
    // A number beyond any floating-point value ("1e400"); the library names
    // it between quotes.
    const std::string_view what = e.what();
    const std::size_t from = what.find('\''), to = what.rfind('\'');
    return Fail(
        IpuzError::NumberTooLarge, {}, 0, 0,
        Shortened(std::string(from < to ? what.substr(from + 1, to - from - 1) : std::string_view())));
  }
  if (!doc.is_object()) return Fail(IpuzError::NotObject);
  if (!IsCrossword(doc)) {
    const Json* kind = Member(doc, "kind");
    return Fail(IpuzError::NotCrossword, "kind", 0, 0, kind == nullptr ? std::string() : Shown(*kind));
  }
  IpuzResult result;
  if (IpuzResult r = ReadGrid(doc, result.puzzle.grid); r.error != IpuzError::None) return r;
  if (IpuzResult r = ReadClues(doc, result.puzzle.clues); r.error != IpuzError::None) return r;
  if (IpuzResult r = ReadTexts(doc, result.puzzle); r.error != IpuzError::None) return r;
  return result;
}

}  // namespace

bool LooksLikeIpuz(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && (text[first] == '{' || JsonStart(text) > 0);
}

IpuzResult ParseIpuz(std::string_view text) {
  try {
    return ReadDocument(text);
  } catch (const std::bad_alloc&) {
    return Fail(IpuzError::OutOfMemory);
  } catch (const std::exception& e) {
    // No other exception is expected from a file checked as above; should
    // the JSON library throw one all the same, the file is refused.
    return Fail(IpuzError::NotJson, {}, 0, 0, e.what());
  }
}

// ---- Writing ---------------------------------------------------------------

namespace {

std::string Quoted(std::string_view text) {
  return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// The number printed in each cell, 0 where none is.
std::vector<int> CellNumbers(const Grid& grid) {
  std::vector<int> numbers(static_cast<std::size_t>(grid.CellCount()), 0);
  for (const Slot& slot : FindSlots(grid))
    numbers[static_cast<std::size_t>(slot.cells.front())] = slot.number;
  return numbers;
}

std::string PuzzleCell(const Grid& grid, const std::vector<int>& numbers, int index) {
  if (grid.IsBlock(index)) return "\"#\"";
  return std::to_string(numbers[static_cast<std::size_t>(index)]);
}

std::string SolutionCell(const Grid& grid, int index) {
  if (grid.IsBlock(index)) return "\"#\"";
  if (!grid.HasLetter(index)) return "0";
  std::string letter = "\"";
  AppendLetterUtf8(grid.At(index), letter, true);
  return letter + "\"";
}

template <typename CellText>
void AppendRows(std::string& out, const char* name, const Grid& grid, CellText cellText) {
  out += "  \"" + std::string(name) + "\": [\n";
  for (int r = 0; r < grid.Height(); ++r) {
    out += "    [";
    for (int c = 0; c < grid.Width(); ++c) out += (c > 0 ? ", " : "") + cellText(grid.Index(r, c));
    out += r + 1 < grid.Height() ? "],\n" : "]\n";
  }
  out += "  ],\n";
}

void AppendClues(std::string& out, const std::vector<Clue>& clues, Direction direction) {
  out += direction == Direction::Across ? "    \"Across\": [" : "    \"Down\": [";
  bool first = true;
  for (const Clue& clue : clues) {
    if (clue.direction != direction) continue;
    out += first ? "\n" : ",\n";
    out += "      [" + std::to_string(clue.number) + ", " + Quoted(clue.text) + "]";
    first = false;
  }
  out += first ? "]" : "\n    ]";
}

}  // namespace

std::string IpuzText(const Puzzle& puzzle) {
  const Grid& grid = puzzle.grid;
  std::string out =
      "{\n  \"version\": \"http://ipuz.org/v2\",\n  \"kind\": [\"http://ipuz.org/crossword#1\"],\n";
  for (const auto& [name, text] :
       {std::pair{"title", &puzzle.title}, std::pair{"author", &puzzle.author},
        std::pair{"copyright", &puzzle.copyright}, std::pair{"notes", &puzzle.notes}})
    if (!text->empty()) out += "  \"" + std::string(name) + "\": " + Quoted(*text) + ",\n";
  out += "  \"dimensions\": {\"width\": " + std::to_string(grid.Width()) +
         ", \"height\": " + std::to_string(grid.Height()) + "},\n";
  out += "  \"block\": \"#\",\n  \"empty\": 0,\n";
  const std::vector<int> numbers = CellNumbers(grid);
  AppendRows(out, "puzzle", grid, [&](int i) { return PuzzleCell(grid, numbers, i); });
  AppendRows(out, "solution", grid, [&](int i) { return SolutionCell(grid, i); });
  out += "  \"clues\": {\n";
  AppendClues(out, puzzle.clues, Direction::Across);
  out += ",\n";
  AppendClues(out, puzzle.clues, Direction::Down);
  out += "\n  }\n}\n";
  return out;
}

// ---- Messages --------------------------------------------------------------

namespace {

std::string Quote(std::string_view name) {
  return "„" + std::string(name) + "”";
}

std::string CellPlace(const IpuzResult& r) {
  return "wiersz " + std::to_string(r.row) + ", kolumna " + std::to_string(r.column) + " pola " +
         Quote(r.field);
}

}  // namespace

std::string DescribeIpuzError(const IpuzResult& r) {
  const std::string side = std::to_string(kMaxGridSide);
  switch (r.error) {
    case IpuzError::None: return {};
    case IpuzError::NotUtf8:
      return "plik nie jest zapisany w UTF-8 (pierwszy zły bajt w linii " + std::to_string(r.row) +
             "); zapisz go w UTF-8";
    case IpuzError::NotJson:
      if (r.row == 0) return "plik nie jest poprawnym plikiem JSON (" + r.text + ")";
      return "plik nie jest poprawnym plikiem JSON: błąd w linii " + std::to_string(r.row) + ", znak " +
             std::to_string(r.column) + " (plik jest uszkodzony albo to nie jest plik .ipuz)";
    case IpuzError::TooDeep:
      return "listy i obiekty JSON są zagnieżdżone głębiej niż na " + std::to_string(kMaxJsonDepth) +
             " poziomów (linia " + std::to_string(r.row) +
             "); plik .ipuz z diagramem nie potrzebuje ich tyle";
    case IpuzError::NotObject:
      return "plik nie zawiera obiektu JSON opisującego krzyżówkę (to nie jest plik .ipuz)";
    case IpuzError::NotCrossword:
      return "pole „kind” nie wskazuje krzyżówki (powinno zawierać \"http://ipuz.org/crossword#1\")" +
             (r.text.empty() ? std::string(": nie ma go w pliku") : "; w pliku: " + r.text);
    case IpuzError::MissingField: return "w pliku brakuje pola " + Quote(r.field);
    case IpuzError::WrongType:
      return (r.row > 0 ? "wiersz " + std::to_string(r.row) + " pola " + Quote(r.field) + " nie jest listą"
                        : "pole " + Quote(r.field) + " ma niewłaściwą postać") +
             ": " + r.text;
    case IpuzError::BadDimensions:
      return "pole " + Quote(r.field) + " musi być liczbą całkowitą od 1 do " + side + ", a jest: " + r.text;
    case IpuzError::TooLarge:
      return "diagram jest większy niż " + side + " × " + side + " pól (pole " + Quote(r.field) + ": " +
             r.text + ")";
    case IpuzError::RowCount:
      return "pole " + Quote(r.field) + " ma " + std::to_string(r.row) + " wierszy, a wysokość diagramu " +
             "(„dimensions.height”) to " + std::to_string(r.expected);
    case IpuzError::RowLength:
      return "wiersz " + std::to_string(r.row) + " pola " + Quote(r.field) + " ma " +
             std::to_string(r.column) + " pól, a szerokość diagramu („dimensions.width”) to " +
             std::to_string(r.expected);
    case IpuzError::BadCell: return CellPlace(r) + ": niedozwolona wartość pola diagramu: " + r.text;
    case IpuzError::NotALetter:
      return CellPlace(r) + ": " + r.text + " nie jest literą polskiego alfabetu (ani q, v, x)";
    case IpuzError::Rebus:
      return CellPlace(r) + ": " + r.text + " to więcej niż jedna litera, a pole diagramu mieści jedną";
    case IpuzError::Mismatch:
      return "wiersz " + std::to_string(r.row) + ", kolumna " + std::to_string(r.column) +
             ": w polu „puzzle” jest tam czarne pole, a w „solution” litera (albo odwrotnie): " + r.text;
    case IpuzError::BadClue:
      return "hasło nr " + std::to_string(r.row) + " na liście " + Quote(r.field) +
             " nie ma postaci [numer, \"treść\"] z numerem od 1 do " + std::to_string(kMaxClueNumber) + ": " +
             r.text;
    case IpuzError::NumberTooLarge:
      return "liczba " + r.text +
             " jest za duża, by ją odczytać (plik jest uszkodzony albo to nie jest plik .ipuz)";
    case IpuzError::OutOfMemory: return "brak pamięci";
  }
  return {};
}

}  // namespace wypelniak
