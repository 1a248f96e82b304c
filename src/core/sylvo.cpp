// The library's one entry: a conversion from a source to a sink, and the one
// place where a failure becomes a status and its message.
#include "sylvo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "core/entry.h"
#include "core/header.h"
#include "core/problems.h"
#include "core/report.h"
#include "core/run.h"
#include "core/stream.h"
#include "core/syllable.h"
#include "listeners/check.h"
#include "listeners/scan.h"

namespace {

size_t read_memory(void* context, unsigned char* buffer, size_t capacity, int*) {
  Memory* in = static_cast<Memory*>(context);
  size_t n = in->size < capacity ? in->size : capacity;
  if (n != 0) std::memcpy(buffer, in->data, n);
  in->data += n;
  in->size -= n;
  return n;
}

// The output gathered in memory that grows as needed.
struct MemoryOutput {
  unsigned char* data;
  size_t size;
  size_t capacity;
};

int write_memory(void* context, const unsigned char* bytes, size_t size) {
  MemoryOutput* out = static_cast<MemoryOutput*>(context);
  if (size > out->capacity - out->size) {
    size_t want = out->capacity * 2 > out->size + size ? out->capacity * 2 : out->size + size;
    void* grown = std::realloc(out->data, want);
    if (!grown) return 0;
    out->data = static_cast<unsigned char*>(grown);
    out->capacity = want;
  }
  std::memcpy(out->data + out->size, bytes, size);
  out->size += size;
  return 1;
}

// A check's output, which goes nowhere.
int discard(void*, const unsigned char*, size_t) { return 1; }

// The conversion, or a check when run.problems is set.
int run_once(Run& run, Source in, Sink out, const char* input_name, const char* output_name,
             size_t buffer, sylvo_result* result, void (*scanner)(Run&)) {
  run.line.pos = 0;
  run.line.LINE_NO = 0;
  Failure failure{SYLVO_COMPLETED, {0, -1}};
  if (std::strlen(input_name) > SYLVO_NAME_MAX || std::strlen(output_name) > SYLVO_NAME_MAX) {
    failure.kind = SYLVO_PATH_TOO_LONG;
  } else {
    run.in.open(in, buffer);
    run.out.open(out, buffer);
    run.header_seen = false;
    try {
      scan_header(run);
      (scanner ? scanner : scan)(run);
      run.out.flush(SYLVO_WRITE_STRING);
    } catch (const Failure& f) {
      failure = f;
    } catch (...) {  // thrown by a caller's function: it must not cross into C
      failure.kind = SYLVO_INTERNAL_ERROR;
    }
  }
  bool names_output = failure.kind == SYLVO_WRITE_CHAR || failure.kind == SYLVO_WRITE_STRING;
  int status =
      make_message(failure.kind, names_output ? output_name : input_name, run.line, result);
  result->line = failure.where.line;
  result->column = failure.where.column;
  return status;
}

}  // namespace

int convert_run(Run& run, Source in, Sink out, const char* input_name, const char* output_name,
                size_t buffer, sylvo_result* result, void (*scanner)(Run&)) {
  run.problems = nullptr;
  return run_once(run, in, out, input_name, output_name, buffer, result, scanner);
}

Source memory_source(Memory& memory) { return {read_memory, &memory}; }

Sink nowhere() { return {discard, nullptr}; }

void open_reading(Run& run, Memory& memory) {
  run.problems = nullptr;
  run.line = {};
  run.header_seen = false;
  run.in.open(memory_source(memory));
  run.out.open(nowhere());
}

int check_run(Run& run, Source in, size_t buffer, Problems& problems) {
  *problems.result = {};
  run.problems = &problems;
  // What the scan could not go on after ends the check, as the last problem.
  sylvo_result last;
  if (run_once(run, in, nowhere(), problems.name, "", buffer, &last, check_scan) != 0) {
    Advice advice;
    if (last.kind == SYLVO_NOT_SYLVO) {
      advice.explain("no line begins with #SYLVO, the header after which syllables are converted");
    } else if (last.kind == SYLVO_CANT_READ) {
      advice.explain("the file could not be read to its end");
    }
    problems.add(SYLVO_ERROR, last.kind, {last.line, last.column}, last.column,
                 last.column >= 0 ? 1 : 0, run.line, &advice);
  }
  return problems.result->status;
}

namespace {

const Line kNoLine{};

// A call the library cannot do: "Invalid argument" naming `function` in
// `result`, if there is one to fill. Returns the status, 1.
int bad_call(const char* function, sylvo_result* result) {
  if (!result) return 1;
  return sylvo_report(SYLVO_BAD_ARGUMENT, function, result);
}

const char* or_empty(const char* name) { return name ? name : ""; }

}  // namespace

int sylvo_convert(sylvo_read_fn read, void* read_context, sylvo_write_fn write, void* write_context,
                  const char* input_name, const char* output_name, sylvo_result* result) {
  if (!read || !write || !result) return bad_call("sylvo_convert", result);
  std::unique_ptr<Run> run(new (std::nothrow) Run);
  if (!run) return sylvo_report(SYLVO_CANT_READ, input_name, result);
  return convert_run(*run, {read, read_context}, {write, write_context}, or_empty(input_name),
                     or_empty(output_name), 0, result);
}

int sylvo_convert_memory(const void* input, size_t size, const char* input_name,
                         const char* output_name, unsigned char** output, size_t* output_size,
                         sylvo_result* result) {
  if (output) *output = nullptr;
  if (output_size) *output_size = 0;
  if ((!input && size != 0) || !output || !output_size || !result) {
    return bad_call("sylvo_convert_memory", result);
  }
  Memory in{static_cast<const unsigned char*>(input), size};
  MemoryOutput out{static_cast<unsigned char*>(std::malloc(1)), 0, 1};  // never null when it worked
  int status = out.data ? sylvo_convert(read_memory, &in, write_memory, &out, input_name,
                                        output_name, result)
                        : sylvo_report(SYLVO_WRITE_STRING, output_name, result);
  if (status != 0) {
    std::free(out.data);
    out = {nullptr, 0, 0};
  }
  *output = out.data;
  *output_size = out.size;
  return status;
}

int sylvo_check(sylvo_read_fn read, void* read_context, const char* input_name,
                sylvo_problem* problems, size_t max_problems, sylvo_check_result* result) {
  if (!result) return 1;
  *result = {};
  Problems found{problems, problems ? max_problems : 0, result, or_empty(input_name)};
  std::unique_ptr<Run> run(read ? new (std::nothrow) Run : nullptr);
  if (!run) {
    if (!read) found.name = "sylvo_check";  // what the message names
    found.add(SYLVO_ERROR, read ? SYLVO_CANT_READ : SYLVO_BAD_ARGUMENT, {0, -1}, -1, 0, kNoLine);
    return result->status;
  }
  return check_run(*run, {read, read_context}, 0, found);
}

int sylvo_check_memory(const void* input, size_t size, const char* input_name,
                       sylvo_problem* problems, size_t max_problems, sylvo_check_result* result) {
  Memory in{static_cast<const unsigned char*>(input), size};
  return sylvo_check(input || size == 0 ? read_memory : nullptr, &in, input_name, problems,
                     max_problems, result);
}

const char* sylvo_message_text(const char* message, size_t size, size_t* text_size) {
  if (!message) size = 0, message = "";
  size_t from = 0;
  while (from < size && message[from] == '\n') ++from;
  while (size > from && message[size - 1] == '\n') --size;
  if (text_size) *text_size = size - from;
  return message + from;
}

void sylvo_free(void* output) { std::free(output); }

int sylvo_output_name(const char* input, char* output, sylvo_result* result) {
  if (!output) return bad_call("sylvo_output_name", result);
  output[0] = '\0';
  input = or_empty(input);
  size_t size = std::strlen(input);
  if (size + 4 > SYLVO_NAME_MAX) return result ? sylvo_report(SYLVO_PATH_TOO_LONG, "", result) : 1;
  // "_out" goes in front of the extension, the base name's last '.'.
  size_t base = static_cast<size_t>(sylvo_base_name(input) - input);
  size_t stem = size;
  while (stem > base && input[stem - 1] != '.') --stem;
  stem = stem > base ? stem - 1 : size;
  std::snprintf(output, SYLVO_NAME_MAX + 1, "%.*s_out%s", static_cast<int>(stem), input,
                input + stem);
  return 0;
}

const char* sylvo_base_name(const char* path) {
  const char* base = or_empty(path);
  for (const char* p = base; *p; ++p) {
    if (*p == '\\' || *p == '/') base = p + 1;
  }
  return base;
}

int sylvo_unconverted_song(sylvo_read_fn read, void* read_context, int* song) {
  if (!read || !song) {
    if (song) *song = 1;
    return 1;
  }
  // The first bytes of the line being read, enough to tell ";#SYLVO" from
  // "#SYLVO"; `seen` counts them, and passes 7 once the line can tell no more.
  static constexpr char kHeader[] = ";#SYLVO";
  unsigned char start[7];
  size_t seen = 0;
  unsigned char buffer[16384];
  int failed = 0;
  *song = 1;
  for (size_t got; (got = read(read_context, buffer, sizeof buffer, &failed)) != 0 && !failed;) {
    for (const unsigned char *p = buffer, *end = buffer + got; p < end; ++p) {
      if (seen > 7) {  // nothing more to learn before the next line
        p = static_cast<const unsigned char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!p) break;
        seen = 0;
        continue;
      }
      if (*p == '\n') {
        seen = 0;
        continue;
      }
      start[seen++] = *p;
      bool converted = seen == 7 && std::memcmp(start, kHeader, 7) == 0;
      if (converted || (seen == 6 && std::memcmp(start, kHeader + 1, 6) == 0)) {
        *song = !converted;
        return 0;
      }
      if (seen == 7 ||
          (std::memcmp(start, kHeader, seen) != 0 && std::memcmp(start, kHeader + 1, seen) != 0)) {
        seen = 8;
      }
    }
  }
  if (failed) return 1;
  *song = 0;
  return 0;
}

const char* sylvo_syllable_key(int index) {
  return index >= 0 && index < kSyllables ? syllable_row(index).key : nullptr;
}

int sylvo_report(sylvo_kind kind, const char* name, sylvo_result* result) {
  if (!result) return 1;
  int status = make_message(kind, or_empty(name), kNoLine, result);
  result->line = 0;
  result->column = -1;
  return status;
}
