// sylvo-check: every problem of each file at once, as compilers print them
// for editors and builds to jump to. It writes no file. The check itself is
// the library's (sylvo.h); this prints what it finds.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/words.h"
#include "programs/json.h"
#include "programs/platform.h"
#include "programs/say.h"
#include "sylvo.h"

namespace {

constexpr const char* kUsage =
    N_("Usage: sylvo-check [--json] [--werror] FILE...\n"
       "Checks MML files for sylvo and prints every problem as\n"
       "FILE:LINE:COLUMN: error: MESSAGE (lines and columns from 1, columns in bytes),\n"
       "warnings of what converts but likely not as meant as FILE:LINE:COLUMN: warning:,\n"
       "then a summary. It writes no file. It speaks the language of LC_ALL,\n"
       "LC_MESSAGES or LANG (Japanese for ja_JP.UTF-8, English for C).\n"
       "\n"
       "  -              read standard input\n"
       "  --json         print one JSON object a file instead\n"
       "  --werror       count warnings as problems\n"
       "  -h, --help     print this help\n"
       "  -V, --version  print the version\n"
       "  --             the arguments after it are all files\n"
       "\n"
       "Exit status: 0 when no file has a problem (warnings alone are none without\n"
       "--werror), 1 when one has, 2 on a usage or read error.\n");

constexpr size_t kKept = 100;  // problems printed a file; the rest are counted
sylvo_problem g_problems[kKept];
const char* g_language = "";  // the user's, as the locale names it

struct Options {
  bool json;
  bool werror;
};

// What the files checked so far held.
struct Totals {
  int unread, with_problems, failing;  // failing: errors, or warnings with --werror
  size_t errors, warnings;
};

// `format` in the user's language (say_in()).
std::string say(const char* format, std::initializer_list<std::string> arguments = {},
                bool console = true) {
  return say_in(g_language, format, arguments, console);
}

// What a person reads of a problem: an error's explanation, a warning's or
// a note's message, in the user's language.
std::string words_of(const sylvo_problem& p, bool console) {
  if (!p.format[0]) return p.severity == SYLVO_ERROR ? p.explanation : p.message;
  // The arguments that are words are translated too; a song's bytes stay.
  std::string args[SYLVO_ARGUMENTS_MAX];
  for (size_t i = 0; i < p.argument_count; ++i) {
    const char* a = sylvo_translate(p.arguments[i], g_language);
    args[i] = a == p.arguments[i] || !console ? std::string(a) : console_text(a);
  }
  return say(p.format, {args[0], args[1], args[2], args[3]}, console);
}

const char* severity_name(const sylvo_problem& p) {
  return p.severity == SYLVO_ERROR ? "error" : p.severity == SYLVO_WARNING ? "warning" : "note";
}

// Where an editor is to go: the first byte at fault, or where sylvo stops.
long long column_of(const sylvo_problem& p) {
  if (p.line == 0) return 0;
  return p.start >= 0 ? p.start + 1 : p.column >= 0 ? p.column + 1 : 0;
}

// A song's bytes, and where its lines start as far as they were looked for.
// The check reads a file as it streams; a problem's echo reads its line
// again: a file's from the file, standard input's from what it gave.
struct Song {
  const char* path;  // null for standard input, whose bytes are kept as they are read
  bool loaded;
  std::string bytes;
  std::vector<size_t> starts{0};  // of lines 1, 2, ...

  // The bytes of line `line` (from 1), without its newline.
  std::string line(unsigned long long line) {
    if (!loaded && path) {
      std::FILE* f = std::fopen(path, "rb");
      if (f) {
        char buffer[1 << 16];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) != 0;) bytes.append(buffer, n);
        std::fclose(f);
      }
    }
    loaded = true;
    while (starts.size() < line && starts.back() <= bytes.size()) {
      size_t nl = bytes.find('\n', starts.back());
      starts.push_back(nl == std::string::npos ? bytes.size() + 1 : nl + 1);
    }
    if (starts.size() < line || starts[line - 1] > bytes.size()) return {};
    size_t from = starts[line - 1], nl = bytes.find('\n', from);
    return bytes.substr(from, (nl == std::string::npos ? bytes.size() : nl) - from);
  }
};

// "FILE:LINE:COLUMN: error: TEXT: EXPLANATION [name]", then "> " and the
// line up to the end of the construct at fault, if the problem echoes it,
// each on a line of its own, as an editor reads them.
void print_problem(const char* name, const sylvo_problem& p, Song& song) {
  std::string out = name;
  if (p.line != 0) out += ":" + std::to_string(p.line);
  if (column_of(p) != 0) out += ":" + std::to_string(column_of(p));
  out += std::string(": ") + severity_name(p) + ": ";
  std::string words = words_of(p, true);
  if (p.severity == SYLVO_ERROR) {
    out.append(p.message + p.text_at, p.text_size);  // sylvo's own words
    if (!words.empty()) out += ": " + words;
  } else {
    out += words;
  }
  out += std::string(" [") + p.name + "]\n";
  if (p.echo_size != 0) {
    out += "> ";
    if (p.construct_end != 0) {
      std::string line = song.line(p.line);
      out += line.substr(0, std::max(p.construct_end, p.echo_size));
    } else {
      out.append(p.message + p.echo_at, p.echo_size);
    }
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

void print_json(const char* name, const sylvo_check_result& r) {
  std::string out = "{\"file\":";
  append_json(out, name, std::strlen(name));
  out += ",\"errors\":" + std::to_string(r.errors) + ",\"warnings\":" + std::to_string(r.warnings) +
         ",\"problems\":[";
  for (size_t i = 0; i < r.count; ++i) {
    const sylvo_problem& p = g_problems[i];
    size_t size;
    const char* text = sylvo_message_text(p.message, p.message_size, &size);
    out += std::string(i ? "," : "") + "{\"severity\":\"" + severity_name(p) + "\",\"kind\":\"" +
           p.name + "\",\"line\":" + std::to_string(p.line) +
           ",\"column\":" + std::to_string(p.line != 0 && p.column >= 0 ? p.column + 1 : 0) +
           ",\"start\":" + std::to_string(p.line != 0 && p.start >= 0 ? p.start + 1 : 0) +
           ",\"length\":" + std::to_string(p.length) + ",\"message\":";
    append_json(out, text, size);
    out += ",\"text\":";
    append_json(out, p.message + p.text_at, p.text_size);
    out += ",\"echo\":";
    append_json(out, p.message + p.echo_at, p.echo_size);
    out += ",\"explanation\":";
    append_json(out, p.explanation, std::strlen(p.explanation));
    out += ",\"words\":";
    std::string words = words_of(p, false);
    append_json(out, words.data(), words.size());
    out += ",\"suggestions\":[";
    for (size_t k = 0; k < p.suggestion_count && k < SYLVO_SUGGESTIONS_MAX; ++k) {
      if (k) out += ',';
      append_json(out, p.suggestions[k], std::strlen(p.suggestions[k]));
    }
    out += "]}";
  }
  out += "],\"more\":" + std::to_string(r.errors + r.warnings + r.notes - r.count) + "}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

// A file being read, whether a read failed, and where its bytes are kept
// (standard input's).
struct Input {
  std::FILE* file;
  bool failed;
  std::string* kept;
};

size_t read_input(void* context, unsigned char* buffer, size_t capacity, int* failed) {
  Input* in = static_cast<Input*>(context);
  size_t got = std::fread(buffer, 1, capacity, in->file);
  if (got < capacity && std::ferror(in->file)) *failed = 1, in->failed = true;
  if (in->kept) in->kept->append(reinterpret_cast<const char*>(buffer), got);
  return got;
}

void complain(const char* format, const char* path) {
  std::fputs(("sylvo-check: " + say(format, {path}) + "\n").c_str(), stderr);
}

// Checks one file ("-": standard input) and counts what it holds.
void check_file(const char* path, const Options& options, Totals& totals) {
  bool is_stdin = std::strcmp(path, "-") == 0;
  std::FILE* file = is_stdin ? stdin : std::fopen(path, "rb");
  if (!file || (!is_stdin && is_directory(file))) {
    complain("{1}: Can't open input file", path);
    if (file) std::fclose(file);
    ++totals.unread;
    return;
  }
  if (is_stdin) binary_stdin();
  Song song{is_stdin ? nullptr : path, is_stdin, {}, {0}};
  Input in{file, false, is_stdin ? &song.bytes : nullptr};
  const char* name = is_stdin ? "<stdin>" : path;
  sylvo_check_result r;
  sylvo_check(read_input, &in, sylvo_base_name(name), g_problems, kKept, &r);
  if (!is_stdin) std::fclose(file);
  if (in.failed) {
    complain("{1}: Can't read file", path);
    ++totals.unread;
    return;
  }
  if (options.json) {
    print_json(name, r);
  } else {
    for (size_t i = 0; i < r.count; ++i) print_problem(name, g_problems[i], song);
    size_t more = r.errors + r.warnings + r.notes - r.count;
    if (more != 0)
      std::fputs((say("{1}: and {2} more", {name, std::to_string(more)}) + "\n").c_str(), stdout);
  }
  totals.errors += r.errors;
  totals.warnings += r.warnings;
  totals.with_problems += r.errors != 0 || r.warnings != 0;
  totals.failing += r.errors != 0 || (options.werror && r.warnings != 0);
}

// "sylvo-check: 2 errors and 1 warning in 1 of 3 files"
void print_summary(const Totals& t, int files) {
  int read = files - t.unread;
  std::string n = std::to_string(read);
  std::string line;
  if (t.errors == 0 && t.warnings == 0) {
    line = say(read == 1 ? N_("no problems in {1} file") : N_("no problems in {1} files"), {n});
  } else {
    std::string errors =
        say(t.errors == 1 ? N_("{1} error") : N_("{1} errors"), {std::to_string(t.errors)});
    std::string warnings =
        say(t.warnings == 1 ? N_("{1} warning") : N_("{1} warnings"), {std::to_string(t.warnings)});
    std::string found = t.errors == 0     ? warnings
                        : t.warnings == 0 ? errors
                                          : say("{1} and {2}", {errors, warnings});
    line = say(read == 1 ? N_("{1} in {2} of {3} file") : N_("{1} in {2} of {3} files"),
               {found, std::to_string(t.with_problems), n});
  }
  std::fputs(("sylvo-check: " + line + "\n").c_str(), stdout);
}

int usage_error(const std::string& why) {
  std::fputs(("sylvo-check: " + why + "\n" + say(kUsage)).c_str(), stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  g_language = user_language();
  Options options{false, false};
  int files = 0;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {  // the options first, wherever they stand
    const char* a = argv[i];
    if (options_end || a[0] != '-' || a[1] == '\0') {
      ++files;
    } else if (std::strcmp(a, "--") == 0) {
      options_end = true;
    } else if (std::strcmp(a, "--json") == 0) {
      options.json = true;
    } else if (std::strcmp(a, "--werror") == 0) {
      options.werror = true;
    } else if (std::strcmp(a, "-h") == 0 || std::strcmp(a, "--help") == 0) {
      std::fputs(say(kUsage).c_str(), stdout);
      return 0;
    } else if (std::strcmp(a, "-V") == 0 || std::strcmp(a, "--version") == 0) {
      std::printf("sylvo-check %s\n", sylvo_version());
      return 0;
    } else {
      return usage_error(say("unknown option {1}", {a}));
    }
  }
  if (files == 0) return usage_error(say("no file to check"));

  Totals totals{0, 0, 0, 0, 0};
  options_end = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!options_end && a[0] == '-' && a[1] != '\0') {
      options_end = std::strcmp(a, "--") == 0;
      continue;
    }
    check_file(a, options, totals);
  }
  if (!options.json) print_summary(totals, files);
  std::fflush(stdout);
  return totals.unread ? 2 : totals.failing ? 1 : 0;
}
