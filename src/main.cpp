#include "main.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "header.h"
#include "platform.h"
#include "report.h"
#include "run.h"
#include "scan.h"

namespace {

// The run's process-wide state. The streams are null until opened and after
// closing. `g_out_owned` says this run created the output or emptied a
// regular file of that name, the only files the clean-up deletes; the signal
// handler reads it too. `g_out_id` is the file opened, as far as known.
Names g_names;
Run g_run;
std::FILE* g_in;
std::FILE* g_out;
FileId g_out_id;
volatile std::sig_atomic_t g_out_owned;

// An interrupted run leaves no half-written output behind.
extern "C" void on_interrupt(int) {
  if (g_out_owned) discard_output(g_out, g_names.OutFile);
  std::_Exit(1);
}

void catch_interrupts() {
  std::signal(SIGINT, on_interrupt);
  std::signal(SIGTERM, on_interrupt);
#ifdef SIGHUP
  std::signal(SIGHUP, on_interrupt);
#endif
#ifdef SIGPIPE
  // A closed standard output is like a full one: the message is lost, the
  // files and the exit status are what the conversion made them.
  std::signal(SIGPIPE, SIG_IGN);
#endif
}

const char* base_name(const char* path) {
  const char* base = path;
  for (const char* p = path; *p; ++p) {
    if (is_separator(*p)) base = p + 1;
  }
  return base;
}

// Appends `size` bytes to a name; the caller has checked that the whole
// stays within kNameMax.
void append(char* name, const char* from, size_t size) {
  size_t at = std::strlen(name);
  std::memcpy(name + at, from, size);
  name[at + size] = '\0';
}

void print(const char* text, size_t size) {
  std::fwrite(text, 1, size, stdout);
  std::fflush(stdout);
}

void open_files(int argc, const char* const* argv) {
  const char* input = argv[1];
  g_in = std::fopen(input, "rb");
  check(g_in != nullptr, kOpenInput, g_names.InFileName);
  std::setvbuf(g_in, nullptr, _IONBF, 0);  // the reader buffers
  check(!is_directory(g_in), kOpenInput, g_names.InFileName);
  check(std::fseek(g_in, 0, SEEK_SET) == 0, kPosition, g_names.InFileName);

  // The output must not be the input under another spelling or link:
  // opening it for writing would empty the user's file. An identity the
  // system will not tell refuses the run, before anything is opened.
  FileId input_id = file_id(g_in);
  OutputName output = inspect_output(g_names.OutFile);
  check(input_id.known && output.kind != NameKind::kUnknown, kOpenOutput, g_names.OutFileName);
  if (same_file(input_id, output.id)) fail(kSameFile, argc >= 3 ? argv[2] : g_names.OutFile);
  // A name that ends in a separator names a directory, never a file.
  check(g_names.OutFileName[0] != '\0', kOpenOutput, g_names.OutFileName);
  g_out = std::fopen(g_names.OutFile, "wb");
  check(g_out != nullptr, kOpenOutput, g_names.OutFileName);
  // The run now owns what it created or emptied, and nothing else.
  g_out_owned = output.kind == NameKind::kAbsent || output.kind == NameKind::kRegular;
  g_out_id = file_id(g_out);
  std::setvbuf(g_out, nullptr, _IONBF, 0);  // the writer buffers
  check(std::fseek(g_out, 0, SEEK_SET) == 0, kPosition, g_names.InFileName);
}

// Closes what is open and deletes an output this run made; the files may be
// in any state.
void clean_up() {
  if (g_in) std::fclose(g_in);
  g_in = nullptr;
  if (std::FILE* out = g_out) {
    g_out = nullptr;  // from here on an interrupt only deletes
    std::fclose(out);
  }
  if (g_out_owned && still_names(g_names.OutFile, g_out_id)) remove_file(g_names.OutFile);
  g_out_owned = 0;
}

}  // namespace

void form_names(int argc, const char* const* argv, Names& names) {
  std::memset(&names, 0, sizeof names);
  check(argc >= 2, kUsage, base_name(argc >= 1 && argv[0] ? argv[0] : "sylvo"));
  const char* input = argv[1];
  size_t input_size = std::strlen(input);
  check(input_size <= kNameMax, kPathTooLong);
  const char* input_base = base_name(input);
  append(names.InFileName, input_base, std::strlen(input_base));

  if (argc >= 3) {
    const char* output = argv[2];
    check(std::strcmp(input, output) != 0, kSameFile, output);
    size_t output_size = std::strlen(output);
    check(output_size <= kNameMax, kPathTooLong);
    const char* output_base = base_name(output);
    append(names.OutFilePath, output, static_cast<size_t>(output_base - output));
    append(names.OutFileName, output_base, std::strlen(output_base));
  } else {
    check(input_size + 4 <= kNameMax, kPathTooLong);
    append(names.OutFilePath, input, static_cast<size_t>(input_base - input));
    // "_out" goes in front of the extension, the base name's last '.'.
    const char* dot = std::strrchr(names.InFileName, '.');
    size_t stem = dot ? static_cast<size_t>(dot - names.InFileName) : std::strlen(names.InFileName);
    append(names.OutFileName, names.InFileName, stem);
    append(names.OutFileName, "_out", 4);
    append(names.OutFileName, names.InFileName + stem, std::strlen(names.InFileName + stem));
  }
  append(names.OutFile, names.OutFilePath, std::strlen(names.OutFilePath));
  append(names.OutFile, names.OutFileName, std::strlen(names.OutFileName));
}

void start_run(Run& run, Source in, const char* in_name, Sink out, const char* out_name,
               size_t buffer) {
  run.in.open(in, in_name, buffer);
  run.out.open(out, out_name, buffer);
  run.header_seen = false;
  run.line.pos = 0;
  run.line.LINE_NO = 0;
  // The scanner resets its own state and the voices when it starts.
}

void convert(Run& run) {
  scan_header(run);
  scan(run);
  run.out.flush(kWriteString);
}

int sylvo_main(int argc, const char* const* argv) {
  catch_interrupts();
  try {
    form_names(argc, argv, g_names);
    open_files(argc, argv);
    start_run(g_run, file_source(g_in), g_names.InFileName, file_sink(g_out), g_names.OutFileName);
    convert(g_run);

    std::fclose(g_in);
    g_in = nullptr;
    std::FILE* out = g_out;
    g_out = nullptr;
    int closed = std::fclose(out);
    check(closed == 0, kWriteString, g_names.OutFileName);
    g_out_owned = 0;
    print(kCompletedText, std::strlen(kCompletedText));
    return 0;
  } catch (const Failure& failure) {
    print(failure.message.data(), failure.message.size());
    clean_up();
    return 1;
  }
}
