// sylvo-check: every problem of each file at once, as compilers print them
// for editors and builds to jump to. It writes no file. The check itself is
// the library's (sylvo.h); this prints what it finds.
#include <cstdio>
#include <cstring>

#include "platform.h"
#include "sylvo.h"

namespace {

constexpr char kUsage[] =
    "Usage: sylvo-check [--json] [--werror] FILE...\n"
    "Checks MML files for sylvo and prints every problem as\n"
    "FILE:LINE:COLUMN: error: MESSAGE (lines and columns from 1, columns in bytes),\n"
    "warnings of what converts but likely not as meant as FILE:LINE:COLUMN: warning:,\n"
    "then a summary. It writes no file.\n"
    "\n"
    "  -              read standard input\n"
    "  --json         print one JSON object a file instead\n"
    "  --werror       count warnings as problems\n"
    "  -h, --help     print this help\n"
    "  -V, --version  print the version\n"
    "  --             the arguments after it are all files\n"
    "\n"
    "Exit status: 0 when no file has a problem (warnings alone are none without\n"
    "--werror), 1 when one has, 2 on a usage or read error.\n";

constexpr size_t kKept = 100;  // problems printed a file; the rest are counted
sylvo_problem g_problems[kKept];

struct Options {
  bool json;
  bool werror;
};

// What the files checked so far held.
struct Totals {
  int unread, with_problems, failing;  // failing: errors, or warnings with --werror
  size_t errors, warnings;
};

// A file being read, and whether a read failed.
struct Input {
  std::FILE* file;
  bool failed;
};

size_t read_input(void* context, unsigned char* buffer, size_t capacity, int* failed) {
  Input* in = static_cast<Input*>(context);
  size_t got = std::fread(buffer, 1, capacity, in->file);
  if (got < capacity && std::ferror(in->file)) *failed = 1, in->failed = true;
  return got;
}

void put(const char* bytes, size_t size) { std::fwrite(bytes, 1, size, stdout); }

// The bytes of a UTF-8 character at p, or 0 if none starts there.
size_t utf8_size(const unsigned char* p, size_t left) {
  unsigned char c = p[0];
  size_t n = c < 0x80                ? 1
             : c >= 0xC2 && c < 0xE0 ? 2
             : c >= 0xE0 && c < 0xF0 ? 3
             : c >= 0xF0 && c < 0xF5 ? 4
                                     : 0;
  if (n == 0 || n > left) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
  }
  if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0) || (c == 0xF0 && p[1] < 0x90) ||
      (c == 0xF4 && p[1] >= 0x90)) {
    return 0;  // overlong, a surrogate, or past U+10FFFF
  }
  return n;
}

// A JSON string of the bytes: UTF-8 as it is, any other byte as \u00XX.
void put_json(const char* text, size_t size) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  std::putchar('"');
  for (size_t i = 0; i < size;) {
    unsigned char c = p[i];
    size_t n = utf8_size(p + i, size - i);
    if (c == '"' || c == '\\') {
      std::printf("\\%c", c);
    } else if (c == '\n') {
      std::fputs("\\n", stdout);
    } else if (n == 0 || c < 0x20 || c == 0x7F) {
      std::printf("\\u%04x", c);
    } else {
      put(text + i, n);
      i += n;
      continue;
    }
    ++i;
  }
  std::putchar('"');
}
void put_json(const char* text) { put_json(text, std::strlen(text)); }

const char* const kKindNames[] = {
    "completed",      "usage",         "same-file",    "open-input",    "open-output",
    "path-too-long",  "cant-read",     "not-sylvo",    "illegal-token", "syntax",
    "internal-error", "write-char",    "write-string", "position",      "bad-argument",
    "too-many-files", "output-is-song"};

const char* const kWarningNames[] = {
    "",         "empty-length", "directive-lookalike", "directive-number", "directive-in-comment",
    "near-keys"};

// An error's failed check, or what a warning or a note is about.
const char* kind_name(const sylvo_problem& p) {
  size_t kind = static_cast<size_t>(p.kind), warning = static_cast<size_t>(p.warning);
  if (p.severity != SYLVO_ERROR) {
    return warning < sizeof kWarningNames / sizeof kWarningNames[0] ? kWarningNames[warning]
                                                                    : "unknown";
  }
  return kind < sizeof kKindNames / sizeof kKindNames[0] ? kKindNames[kind] : "unknown";
}

const char* severity_name(const sylvo_problem& p) {
  return p.severity == SYLVO_ERROR ? "error" : p.severity == SYLVO_WARNING ? "warning" : "note";
}

// "FILE:LINE:COLUMN: error: MESSAGE", the message's first line without its
// "*** ", and the lines after it (the echo of the line) as they are.
void print_problem(const char* name, const sylvo_problem& p) {
  size_t size;
  const char* text = sylvo_message_text(p.message, p.message_size, &size);
  if (size >= 4 && std::memcmp(text, "*** ", 4) == 0) text += 4, size -= 4;
  std::fputs(name, stdout);
  if (p.line != 0) std::printf(":%llu", p.line);
  if (p.line != 0 && p.column >= 0) std::printf(":%lld", p.column + 1);
  std::printf(": %s: ", severity_name(p));
  for (size_t i = 0; i < size; ++i) {  // no blank lines: an editor reads a problem a line
    if (text[i] == '\n' && i + 1 < size && text[i + 1] == '\n') continue;
    std::putchar(text[i]);
  }
  std::putchar('\n');
}

void print_json(const char* name, const sylvo_check_result& r) {
  std::fputs("{\"file\":", stdout);
  put_json(name);
  std::printf(",\"errors\":%zu,\"warnings\":%zu,\"problems\":[", r.errors, r.warnings);
  for (size_t i = 0; i < r.count; ++i) {
    const sylvo_problem& p = g_problems[i];
    size_t size;
    const char* text = sylvo_message_text(p.message, p.message_size, &size);
    std::printf(
        "%s{\"severity\":\"%s\",\"kind\":\"%s\",\"line\":%llu,\"column\":%lld,"
        "\"start\":%lld,\"length\":%zu,\"message\":",
        i ? "," : "", severity_name(p), kind_name(p), p.line,
        p.line != 0 && p.column >= 0 ? p.column + 1 : 0,
        p.line != 0 && p.start >= 0 ? p.start + 1 : 0, p.length);
    put_json(text, size);
    std::putchar('}');
  }
  std::printf("],\"more\":%zu}\n", r.errors + r.warnings + r.notes - r.count);
}

// Checks one file ("-": standard input) and counts what it holds.
void check_file(const char* path, const Options& options, Totals& totals) {
  bool is_stdin = std::strcmp(path, "-") == 0;
  Input in{is_stdin ? stdin : std::fopen(path, "rb"), false};
  if (!in.file || (!is_stdin && is_directory(in.file))) {
    std::fprintf(stderr, "sylvo-check: %s: Can't open input file\n", path);
    if (in.file) std::fclose(in.file);
    ++totals.unread;
    return;
  }
  if (is_stdin) binary_stdin();
  const char* name = is_stdin ? "<stdin>" : path;
  sylvo_check_result r;
  sylvo_check(read_input, &in, sylvo_base_name(name), g_problems, kKept, &r);
  if (!is_stdin) std::fclose(in.file);
  if (in.failed) {
    std::fprintf(stderr, "sylvo-check: %s: Can't read file\n", path);
    ++totals.unread;
    return;
  }
  if (options.json) {
    print_json(name, r);
  } else {
    for (size_t i = 0; i < r.count; ++i) print_problem(name, g_problems[i]);
    size_t more = r.errors + r.warnings + r.notes - r.count;
    if (more != 0) std::printf("%s: and %zu more\n", name, more);
  }
  totals.errors += r.errors;
  totals.warnings += r.warnings;
  totals.with_problems += r.errors != 0 || r.warnings != 0;
  totals.failing += r.errors != 0 || (options.werror && r.warnings != 0);
}

const char* plural(size_t n) { return n == 1 ? "" : "s"; }

// "sylvo-check: 2 errors and 1 warning in 1 of 3 files"
void print_summary(const Totals& t, int files) {
  int read = files - t.unread;
  std::fputs("sylvo-check: ", stdout);
  if (t.errors == 0 && t.warnings == 0) {
    std::printf("no problems in %d file%s\n", read, plural(static_cast<size_t>(read)));
    return;
  }
  if (t.errors != 0) std::printf("%zu error%s", t.errors, plural(t.errors));
  if (t.errors != 0 && t.warnings != 0) std::fputs(" and ", stdout);
  if (t.warnings != 0) std::printf("%zu warning%s", t.warnings, plural(t.warnings));
  std::printf(" in %d of %d file%s\n", t.with_problems, read, plural(static_cast<size_t>(read)));
}

int usage_error(const char* why, const char* what) {
  std::fprintf(stderr, "sylvo-check: %s%s\n%s", why, what, kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
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
      std::fputs(kUsage, stdout);
      return 0;
    } else if (std::strcmp(a, "-V") == 0 || std::strcmp(a, "--version") == 0) {
      std::puts("sylvo-check " SYLVO_VERSION);
      return 0;
    } else {
      return usage_error("unknown option ", a);
    }
  }
  if (files == 0) return usage_error("no file to check", "");

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
