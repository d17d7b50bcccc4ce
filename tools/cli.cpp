// The command line of wypelniak-slownik.
#include "hunspell.h"
#include "internal.h"
#include "wordlist.h"

namespace wypelniak::slownik {
namespace fs = std::filesystem;

namespace {

constexpr char kHint[] = "Opis użycia: wypelniak-slownik --help\n";
constexpr char kDefaultSource[] = "/usr/share/dict/polish";

// A command and what its command line holds.
struct CommandLine {
  std::string command;
  std::vector<std::string> operands;
  bool help = false;
  bool overwrite = false;
  bool fromHunspell = false;
  HunspellOptions hunspell;
};

// Splits the arguments after the command into options and operands. Returns
// an empty text or what is wrong.
std::string Parse(const std::vector<std::string>& args, CommandLine& line) {
  line.command = args[0];
  bool optionsEnd = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!optionsEnd && a == "--") {
      optionsEnd = true;
    } else if (!optionsEnd && (a == "--help" || a == "-h")) {
      line.help = true;
    } else if (!optionsEnd && a == "--overwrite" && line.command == "build") {
      line.overwrite = true;
    } else if (!optionsEnd && line.command == "build" && ParseHunspellOption(a, line.fromHunspell, line.hunspell)) {
      // a Hunspell dictionary as the source, and what to leave out of it
    } else if (!optionsEnd && a.size() > 1 && a[0] == '-') {
      return "Nieznana opcja: " + a + "\n";
    } else {
      line.operands.push_back(a);
    }
  }
  return {};
}

// The fewest and most operands of a command; {0, 0} for an unknown one.
std::pair<std::size_t, std::size_t> OperandCount(const std::string& command) {
  if (command == "build") return {0, 2};
  if (command == "check") return {0, 1};
  if (command == "repair") return {1, 1};
  if (command == "merge") return {1, 2};
  if (command == "use") return {1, 2};
  return {0, 0};
}

}  // namespace

std::string UsageText() {
  return "Użycie:\n"
         "  wypelniak-slownik build [--overwrite] [ŹRÓDŁO] [FOLDER]\n"
         "      Buduje nową listę słów programu Wypełniak: czyta ŹRÓDŁO (tekst w UTF-8,\n"
         "      jeden wyraz w wierszu; domyślnie /usr/share/dict/polish) i zapisuje\n"
         "      pliki slow.2 … slow.22 w FOLDERZE (domyślnie folder slow obok tego\n"
         "      programu; tworzy go, gdy go nie ma). Wyrazy zamienia na małe litery.\n"
         "      Pomija wyrazy krótsze niż 2 i dłuższe niż 22 znaki, wyrazy ze znakami,\n"
         "      których nie da się zapisać w Windows-1250, z odstępem, znakiem\n"
         "      sterującym, przecinkiem lub cudzysłowem, oraz powtórzenia.\n"
         "      Istniejącej listy nie zastępuje; zastępuje ją tylko z opcją\n"
         "      --overwrite i wtedy podaje, ile wyrazów przepadło w każdym pliku.\n"
         "  wypelniak-slownik build --hunspell [--no-proper-names] [--no-abbreviations]\n"
         "                          [--overwrite] [SŁOWNIK.dic] [FOLDER]\n"
         "      Jak wyżej, lecz wyrazy bierze ze słownika Hunspella (domyślnie\n"
         "      /usr/share/hunspell/pl_PL.dic, kodowanie z wiersza SET pliku .aff):\n"
         "      tylko formy podstawowe, bez odmian. --no-proper-names pomija hasła\n"
         "      z wielką literą (nazwy własne), --no-abbreviations hasła z kropką\n"
         "      lub pisane samymi wielkimi literami (skróty).\n"
         "  wypelniak-slownik merge ŹRÓDŁO [FOLDER]\n"
         "      Dopisuje do istniejącej listy słów wyrazy ze ŹRÓDŁA, których w niej\n"
         "      nie ma (po tych samych regułach co build). Wyrazy listy zostają.\n"
         "  wypelniak-slownik repair PLIK\n"
         "      Naprawia jeden plik listy słów (slow.N): zapisuje go w Windows-1250\n"
         "      z końcami wierszy CR LF i właściwą liczbą wyrazów, zachowując wyrazy.\n"
         "  wypelniak-slownik check [FOLDER]\n"
         "      Sprawdza pliki slow.2 … slow.22 w FOLDERZE (domyślnie folder slow\n"
         "      obok tego programu) i wypisuje znalezione błędy oraz polecenia,\n"
         "      które je naprawią.\n"
         "  wypelniak-slownik use pelna|podstawowa [FOLDER_PROGRAMU]\n"
         "      Przełącza program na listę pełną albo listę form podstawowych:\n"
         "      zamienia folder slow w FOLDERZE_PROGRAMU (domyślnie folder tego\n"
         "      programu) z folderem slow-pelne albo slow-podstawowe obok niego;\n"
         "      dotychczasowa lista trafia do folderu drugiej. Niczego nie\n"
         "      przenosi, gdy wybranej listy nie ma, gdy już jest w użyciu albo\n"
         "      gdy folder, do którego ma trafić obecna lista, jest zajęty.\n"
         "  wypelniak-slownik fill [--seconds S] [--seed N] [--scores PLIK] [--min-score M]\n"
         "                        [--no-preference] [--ipuz WYNIK] DIAGRAM [FOLDER]\n"
         "      Wypełnia diagram wyrazami z listy słów w FOLDERZE (domyślnie folder\n"
         "      slow obok tego programu) i wypisuje go: wiersz diagramu w wierszu,\n"
         "      # to czarne pole. DIAGRAM to plik .ipuz albo tekst w UTF-8: wiersz\n"
         "      w wierszu, # czarne pole, . puste pole, litera to litera wpisana,\n"
         "      która zostaje. Najpierw bierze wyrazy, które mają hasło w tezaurusie\n"
         "      (da się do nich ułożyć określenie), chyba że podano --no-preference.\n"
         "      --seconds: najdłuższy czas pracy (domyślnie 60), --seed: inna liczba\n"
         "      daje inne wypełnienie, --scores: plik ocen wyrazów (wiersz\n"
         "      „wyraz;ocena”, ocena 0–100, UTF-8), --min-score: wyrazy z niższą\n"
         "      oceną pomija, --ipuz: zapisuje też wypełniony diagram jako .ipuz.\n"
         "      Kod wyjścia: 0 – wypełniony, 1 – nie da się go wypełnić, 2 – czas\n"
         "      minął, 3 – błędny diagram, lista słów, plik ocen lub wywołanie.\n"
         "  wypelniak-slownik --help\n"
         "      Wypisuje ten opis.\n"
         "\n"
         "Polecenia zmieniające pliki czekają, aż skończy się dodawanie wyrazu\n"
         "w programie, i każdy plik zastępują w całości albo wcale.\n"
         "Kod wyjścia: 0 – wszystko w porządku, 1 – błąd w danych lub plikach,\n"
         "2 – błędne wywołanie.\n";
}

int Run(const std::vector<std::string>& args, const fs::path& programFolder, std::ostream& out,
        std::ostream& err, bool showProgress) {
  if (args.empty()) {
    err << UsageText();
    return kExitUsage;
  }
  if (args[0] == "fill") return RunFill(std::vector<std::string>(args.begin() + 1, args.end()), programFolder, out, err);
  CommandLine line;
  if (const std::string wrong = Parse(args, line); !wrong.empty()) {
    err << wrong << kHint;
    return kExitUsage;
  }
  if (line.help || line.command == "--help" || line.command == "-h" || line.command == "help") {
    out << UsageText();
    return kExitOk;
  }
  const auto [fewest, most] = OperandCount(line.command);
  if (most == 0) {
    err << "Nieznane polecenie: " << line.command << " (dostępne: build, merge, repair, check, use, fill)\n"
        << kHint;
    return kExitUsage;
  }
  if (line.operands.size() > most || line.operands.size() < fewest) {
    err << (line.operands.size() > most ? "Za dużo" : "Za mało") << " argumentów polecenia " << line.command
        << ".\n"
        << kHint;
    return kExitUsage;
  }

  Options options;
  options.overwrite = line.overwrite;
  options.showProgress = showProgress;
  options.fromHunspell = line.fromHunspell;
  options.hunspell = line.hunspell;
  if (!line.fromHunspell && (line.hunspell.dropProperNames || line.hunspell.dropAbbreviations)) {
    err << "Opcje --no-proper-names i --no-abbreviations działają tylko z --hunspell.\n" << kHint;
    return kExitUsage;
  }
  if (line.command == "repair") return RunRepair(detail::PathArg(line.operands[0]), options, out, err);
  if (line.command == "use") {
    if (line.operands.size() > 1)
      return RunUse(line.operands[0], detail::PathArg(line.operands[1]), options, out, err);
    if (programFolder.empty()) {
      err << "Nie można ustalić folderu programu; podaj FOLDER_PROGRAMU.\n" << kHint;
      return kExitUsage;
    }
    return RunUse(line.operands[0], programFolder, options, out, err);
  }

  const std::size_t folderIndex = line.command == "check" ? 0 : 1;
  fs::path folder;
  if (line.operands.size() > folderIndex) {
    folder = detail::PathArg(line.operands[folderIndex]);
  } else if (programFolder.empty()) {
    err << "Nie można ustalić folderu programu; podaj FOLDER.\n" << kHint;
    return kExitUsage;
  } else {
    folder = DictionaryFolder(programFolder);
  }
  if (line.command == "check") return RunCheck(folder, out, err);
  const fs::path source = !line.operands.empty() ? detail::PathArg(line.operands[0])
                          : line.fromHunspell    ? fs::path(kHunspellDictionary)
                                                 : fs::path(kDefaultSource);
  if (line.command == "merge") return RunMerge(source, folder, options, out, err);
  return RunBuild(source, folder, options, out, err);
}

}  // namespace wypelniak::slownik
