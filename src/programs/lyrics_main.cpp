// sylvo-lyrics: how lyrics are sung, word by word, before they go on the
// notes: each word's reading (a dictionary's for kanji) and keys; and a
// song with lyrics put on the notes of some of its lines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/utf8.h"
#include "core/words.h"
#include "programs/platform.h"
#include "programs/say.h"
#include "reading/dictionary.h"
#include "reading/reading.h"
#include "sylvo.h"

namespace {

constexpr const char* kUsage =
    N_("Usage: sylvo-lyrics [--as-written] [--json] [LYRICS...]\n"
       "       sylvo-lyrics [--as-written] --fit SONG --lines A[-B] [LYRICS...]\n"
       "Prints how each line of lyrics (the arguments, else standard input) is sung:\n"
       "its reading, kanji read by the dictionary, and its syllable keys. A reading\n"
       "in ruby, as 故郷《ふるさと》 or ｜小鮒《こぶな》, is sung as written there.\n"
       "With --fit, writes SONG to standard output with the lyrics put on the\n"
       "notes of lines A to B (from 1), and nothing while a word has no reading.\n"
       "\n"
       "  --as-written   sing each kana as it is spelt (は as HA), not as said (WA)\n"
       "  --json         print one JSON object a line of lyrics\n"
       "  --fit SONG     put the lyrics on the notes of SONG (- for standard input)\n"
       "  --lines A[-B]  the lines of SONG to fit, A alone for one\n"
       "  -h, --help     print this help\n"
       "  -V, --version  print the version\n"
       "\n"
       "Exit status: 0 when every word has a reading, 1 when one has none,\n"
       "2 on a usage or read error.\n");

const char* g_language = "";

std::string say(const char* format, std::initializer_list<std::string> arguments = {}) {
  return say_in(g_language, format, arguments);
}

int usage_error(const std::string& why) {
  std::fputs(("sylvo-lyrics: " + why + "\n" + say(kUsage)).c_str(), stderr);
  return 2;
}

// The line (from `line`, at the start) and column (in characters, from 1)
// of the byte at `at` of `text`, as "LINE:COLUMN".
std::string place_of(const std::string& text, unsigned long long line, size_t at) {
  size_t column = 1;
  for (size_t i = 0; i < at && i < text.size(); ++column) {
    if (text[i] == '\n') ++line, column = 0;
    size_t n = decode_utf8(text.data() + i, text.data() + text.size()).size;
    i += n ? n : 1;
  }
  return std::to_string(line) + ":" + std::to_string(column);
}

// One line of lyrics read, for a person: the line, its reading, its keys,
// and each problem with its place.
std::string text_of(const std::string& text, unsigned long long line, const reading::Reading& r) {
  std::string out = console_text(text.c_str()) + "\n  " + console_text(r.sung.c_str()) + "\n ";
  for (const reading::Key& k : r.keys) out += std::string(" ") + k.key;
  out += "\n";
  for (const reading::Problem& p : r.problems) {
    out += "  " + place_of(text, line, p.at) + ": " +
           console_text(r.message(p, g_language).c_str()) + "\n";
  }
  return out;
}

bool read_all(std::FILE* in, std::string* bytes) {
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) bytes->append(buffer, n);
  return !std::ferror(in);
}

// The lines of standard input, without their line ends.
std::vector<std::string> input_lines() {
  std::string all;
  read_all(stdin, &all);
  std::vector<std::string> lines;
  for (size_t at = 0; at < all.size();) {
    size_t nl = all.find('\n', at);
    size_t end = nl == std::string::npos ? all.size() : nl;
    lines.push_back(all.substr(at, end - at - (end > at && all[end - 1] == '\r')));
    at = end + 1;
  }
  return lines;
}

// "A" or "A-B", lines from 1, A no later than B.
bool parse_lines(const char* text, unsigned long long* first, unsigned long long* last) {
  char* end = nullptr;
  if (*text < '1' || *text > '9') return false;
  *first = *last = std::strtoull(text, &end, 10);
  if (*end == '-') {
    if (end[1] < '1' || end[1] > '9') return false;
    *last = std::strtoull(end + 1, &end, 10);
  }
  return *end == '\0' && *first <= *last;
}

void note_dictionary(const Dictionary& dictionary) {
  if (!dictionary.is_open()) {
    std::fputs(
        ("sylvo-lyrics: " + say(N_("no dictionary: {1}"), {say(dictionary.error().c_str())}) + "\n")
            .c_str(),
        stderr);
  }
}

// Puts the lyrics on lines `first` to `last` of the song at `path`.
int fit(const char* path, unsigned long long first, unsigned long long last,
        const std::string& lyrics, const Dictionary& dictionary, bool as_written) {
  std::string song;
  std::FILE* in = std::strcmp(path, "-") == 0 ? stdin : open_utf8_name(path);
  bool read = in && read_all(in, &song);
  if (in && in != stdin) std::fclose(in);
  if (!read) {
    std::fputs(("sylvo-lyrics: " + say(N_("cannot read {1}"), {path}) + "\n").c_str(), stderr);
    return 2;
  }
  reading::Reading r = dictionary.read(lyrics.data(), lyrics.size(), as_written);
  if (!r.problems.empty()) {  // what would land on the notes would be shifted
    std::fputs(text_of(lyrics, 1, r).c_str(), stderr);
    note_dictionary(dictionary);
    return 1;
  }
  reading::LineFit f = reading::fit_lines(song, first, last, r.sung);
  if (f.result.status != 0) return 2;
  std::fwrite(song.data(), 1, f.from, stdout);
  std::fwrite(f.fitted.data(), 1, f.fitted.size(), stdout);
  std::fwrite(song.data() + f.to, 1, song.size() - f.to, stdout);
  if (f.result.syllables_left) {
    std::fputs(("sylvo-lyrics: " +
                say(f.result.syllables_left == 1 ? N_("{1} syllable left over")
                                                 : N_("{1} syllables left over"),
                    {std::to_string(f.result.syllables_left)}) +
                "\n")
                   .c_str(),
               stderr);
  }
  return std::fflush(stdout) == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  g_language = user_language();
  binary_stdio();
  bool json = false, as_written = false;
  const char* song = nullptr;
  const char* lines = nullptr;
  std::vector<std::string> lyrics;
  bool options_end = false;
  const std::vector<std::string> args = utf8_arguments(argc, argv);
  for (size_t i = 0; i < args.size(); ++i) {
    const char* a = args[i].c_str();
    if (options_end || a[0] != '-' || a[1] == '\0') {
      lyrics.push_back(a);
    } else if (std::strcmp(a, "--") == 0) {
      options_end = true;
    } else if (std::strcmp(a, "--json") == 0) {
      json = true;
    } else if (std::strcmp(a, "--as-written") == 0) {
      as_written = true;
    } else if (std::strcmp(a, "--fit") == 0 || std::strcmp(a, "--lines") == 0) {
      if (i + 1 == args.size()) return usage_error(say(N_("{1} needs a value"), {a}));
      (a[2] == 'f' ? song : lines) = args[++i].c_str();
    } else if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
      std::fputs(say(kUsage).c_str(), stdout);
      return 0;
    } else if (std::strcmp(a, "-V") == 0 || std::strcmp(a, "--version") == 0) {
      std::printf("sylvo-lyrics %s\n", sylvo_version());
      return 0;
    } else {
      return usage_error(say("unknown option {1}", {a}));
    }
  }
  unsigned long long first = 0, last = 0;
  if (song && !lines) return usage_error(say(N_("--fit needs --lines")));
  if (lines && !song) return usage_error(say(N_("--lines needs --fit")));
  if (lines && !parse_lines(lines, &first, &last)) {
    return usage_error(say(N_("--lines takes A or A-B, lines from 1: not {1}"), {lines}));
  }
  if (song && std::strcmp(song, "-") == 0 && lyrics.empty()) {
    return usage_error(say(N_("a song on standard input takes its lyrics as arguments")));
  }
  if (json && song) return usage_error(say(N_("--json prints lyrics read, not a song")));
  if (lyrics.empty()) lyrics = input_lines();

  Dictionary dictionary;
  if (song) {
    std::string all;
    for (const std::string& l : lyrics) all += (all.empty() ? "" : "\n") + l;
    return fit(song, first, last, all, dictionary, as_written);
  }
  bool problems = false;
  for (size_t n = 0; n < lyrics.size(); ++n) {
    reading::Reading r = dictionary.read(lyrics[n].data(), lyrics[n].size(), as_written);
    problems = problems || !r.problems.empty();
    std::string out = json ? reading::json_of(lyrics[n], r) + "\n" : text_of(lyrics[n], n + 1, r);
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  if (problems) note_dictionary(dictionary);
  return std::fflush(stdout) != 0 ? 2 : problems ? 1 : 0;
}
