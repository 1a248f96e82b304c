// sylvo-check: every problem of each file at once, as compilers print them
// for editors and builds to jump to. It writes no file. The check itself is
// the library's (sylvo.h); this prints what it finds.
#include <cstdio>
#include <cstring>
#include <string>

#include "json.h"
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

const char* severity_name(const sylvo_problem& p) {
  return p.severity == SYLVO_ERROR ? "error" : p.severity == SYLVO_WARNING ? "warning" : "note";
}

// Where an editor is to go: the first byte at fault, or where sylvo stops.
long long column_of(const sylvo_problem& p) {
  if (p.line == 0) return 0;
  return p.start >= 0 ? p.start + 1 : p.column >= 0 ? p.column + 1 : 0;
}

// "FILE:LINE:COLUMN: error: TEXT: EXPLANATION [name]", then "> " and the
// echo of the line, if the problem has one, each on a line of its own, as
// an editor reads them.
void print_problem(const char* name, const sylvo_problem& p) {
  std::string out = name;
  if (p.line != 0) out += ":" + std::to_string(p.line);
  if (column_of(p) != 0) out += ":" + std::to_string(column_of(p));
  out += std::string(": ") + severity_name(p) + ": ";
  out.append(p.message + p.text_at, p.text_size);
  if (p.explanation[0]) out += std::string(": ") + p.explanation;
  out += std::string(" [") + p.name + "]\n";
  if (p.echo_size != 0) {
    out += "> ";
    out.append(p.message + p.echo_at, p.echo_size);
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
      std::printf("sylvo-check %s\n", sylvo_version());
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
