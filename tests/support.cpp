#include "support.h"

#include <cstring>
#include <memory>
#include <vector>

#include "core/entry.h"
#include "core/problems.h"
#include "core/report.h"
#include "core/run.h"
#include "core/syllable.h"

size_t read_chunks(void* input, unsigned char* buffer, size_t capacity, int*) {
  ChunkedInput* in = static_cast<ChunkedInput*>(input);
  size_t n = in->size < capacity ? in->size : capacity;
  size_t most = in->chunk;
  if (most != 0 && in->vary != 0) {
    in->vary = in->vary * 1103515245u + 12345u;
    most = 1 + (in->vary >> 16) % most;
  }
  if (most != 0 && n > most) n = most;
  if (n != 0) std::memcpy(buffer, in->data, n);
  in->data += n;
  in->size -= n;
  return n;
}

int append_to(void* out, const unsigned char* bytes, size_t size) {
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(bytes), size);
  return 1;
}

Outcome convert_buffer(const void* data, size_t size, size_t chunk, size_t buffer, unsigned vary,
                       void (*scanner)(Run&)) {
  static std::unique_ptr<Run> run(new Run());
  static sylvo_result result;
  ChunkedInput input{static_cast<const unsigned char*>(data), size, chunk, vary};
  Outcome outcome{};
  outcome.status = convert_run(*run, {read_chunks, &input}, {append_to, &outcome.output}, "input",
                               "output", buffer, &result, scanner);
  outcome.message.assign(result.message, result.message_size);
  outcome.kind = result.kind;
  outcome.line = result.line;
  outcome.column = result.column;
  return outcome;
}

Checked check_buffer(const void* data, size_t size, size_t chunk, size_t buffer, unsigned vary,
                     size_t max) {
  static std::unique_ptr<Run> run(new Run());
  static sylvo_problem problems[256];
  static sylvo_check_result result;
  ChunkedInput input{static_cast<const unsigned char*>(data), size, chunk, vary};
  Problems found{problems, max < 256 ? max : 256, &result, "input"};
  check_run(*run, {read_chunks, &input}, buffer, found);
  return {result, problems};
}

bool check_agrees(const Checked& check, const Outcome& conversion) {
  if (conversion.status == 0) return check.result.errors == 0 && check.result.status == 0;
  if (check.result.status != 1) return false;
  for (size_t i = 0; i < check.result.count; ++i) {
    const sylvo_problem& p = check.problems[i];
    if (p.severity != SYLVO_ERROR) continue;
    return p.kind == conversion.kind && p.line == conversion.line &&
           p.column == conversion.column &&
           conversion.message == std::string(p.message, p.message_size);
  }
  return check.result.count != 0 || check.result.errors != 0;
}

bool lines_agree(const std::string& song, std::string* why) {
  // The lines, each with its newline.
  std::vector<std::string> lines;
  for (size_t at = 0; at < song.size();) {
    size_t nl = song.find('\n', at);
    size_t end = nl == std::string::npos ? song.size() : nl + 1;
    lines.push_back(song.substr(at, end - at));
    at = end;
  }
  size_t header = 0;
  while (header < lines.size() && lines[header].compare(0, 6, "#SYLVO") != 0) ++header;
  if (header == lines.size() || song.find("/*", song.find("#SYLVO")) != std::string::npos) {
    return true;
  }
  // The first error of each line in the whole check, while all were kept.
  Checked whole = check_buffer(song.data(), song.size());
  std::vector<sylvo_problem> first(lines.size() + 1);
  std::vector<bool> has(lines.size() + 1);
  size_t last_line = lines.size();
  for (size_t i = 0; i < whole.result.count; ++i) {
    const sylvo_problem& p = whole.problems[i];
    if (p.severity != SYLVO_ERROR || p.line == 0 || p.line > lines.size()) continue;
    if (!has[p.line]) first[p.line] = p, has[p.line] = true;
  }
  if (whole.result.count < whole.result.errors + whole.result.warnings + whole.result.notes) {
    last_line = whole.result.count ? whole.problems[whole.result.count - 1].line - 1 : 0;
  }
  // A syllable whose own length begins with a dot dots the default length,
  // which an `l` on an earlier line set: where such a syllable's 16 bytes
  // of length end depends on that line, so the line is not compared alone.
  auto dots_a_default = [](const std::string& line) {
    for (size_t i = 0; i + 2 < line.size(); ++i) {
      if (line[i] != ')') continue;
      size_t j = i + 1;
      if (std::strchr("abcdefgwk", line[j]) && line[j])
        ++j;
      else
        continue;
      if (j < line.size() && (line[j] == '+' || line[j] == '-')) ++j;
      if (j < line.size() && line[j] == '.') return true;
    }
    return false;
  };
  bool length_set = false;  // an `l` on a line after the header, before this one
  for (size_t n = header + 2; n <= last_line && n <= lines.size(); ++n) {
    length_set = length_set || lines[n - 2].find('l') != std::string::npos;
    if (length_set && dots_a_default(lines[n - 1])) continue;
    std::string alone = std::string(header, '\n') + lines[header] +
                        std::string(n - header - 2, '\n') + lines[n - 1];
    Outcome o = convert_buffer(alone.data(), alone.size());
    if (o.status != 0 && o.line != n) continue;  // the header itself fails
    const sylvo_problem& p = first[n];
    bool same = o.status == 0
                    ? !has[n]
                    : has[n] && p.kind == o.kind && p.line == o.line && p.column == o.column &&
                          o.message == std::string(p.message, p.message_size);
    if (!same) {
      *why = "line " + std::to_string(n) + " [" + lines[n - 1].substr(0, 80) + "]: alone " +
             std::to_string(o.line) + ":" + std::to_string(o.column) + o.message +
             "; in the whole check " +
             (has[n] ? std::to_string(p.line) + ":" + std::to_string(p.column) + " " +
                           std::string(p.message, p.message_size)
                     : std::string("no error"));
      return false;
    }
  }
  return true;
}

bool same_outcome(const Outcome& a, const Outcome& b) {
  return a.status == b.status && a.kind == b.kind && a.line == b.line && a.column == b.column &&
         a.message == b.message && (a.status != 0 || a.output == b.output);
}

const SyllableRow* find_syllable(const unsigned char* key, size_t size) {
  return syllable_by_key(reinterpret_cast<const char*>(key), size);
}
