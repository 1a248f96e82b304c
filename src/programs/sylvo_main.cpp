// The command line: the arguments, the four file names, opening the files,
// the same-file guard, and the clean-up after a failure or on a signal. The
// conversion itself is the library's (sylvo.h); this prints what it reports.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "programs/platform.h"
#include "sylvo.h"

namespace {

/// The four file names, each at most SYLVO_NAME_MAX bytes and zero-terminated.
struct Names {
  char InFileName[SYLVO_NAME_MAX + 1];   // base name of the input argument
  char OutFilePath[SYLVO_NAME_MAX + 1];  // the output's directory, with its separator
  char OutFileName[SYLVO_NAME_MAX + 1];  // the output's base name
  char OutFile[SYLVO_NAME_MAX + 1];      // OutFilePath followed by OutFileName
};

// The run's process-wide state. The streams are null until opened and after
// closing. `g_out_owned` says this run created the output or emptied a
// regular file of that name, the only files the clean-up deletes; the signal
// handler reads it too. `g_out_id` is the file opened, as far as known.
Names g_names;
std::FILE* g_in;
std::FILE* g_out;
FileId g_out_id;
volatile std::sig_atomic_t g_out_owned;
sylvo_result g_result;

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

// Appends `size` bytes to a name; the caller has checked that the whole
// stays within SYLVO_NAME_MAX.
void append(char* name, const char* from, size_t size) {
  size_t at = std::strlen(name);
  std::memcpy(name + at, from, size);
  name[at + size] = '\0';
}

// A check that did not pass: its kind and the name its message prints.
struct Refusal {
  sylvo_kind kind;
  const char* name;
};
constexpr Refusal kPassed{SYLVO_COMPLETED, ""};

// Forms InFileName, OutFilePath, OutFileName and OutFile from the arguments
// (argv[1] the input, argv[2] the optional output).
Refusal form_names(int argc, const char* const* argv) {
  std::memset(&g_names, 0, sizeof g_names);
  const char* program = sylvo_base_name(argc >= 1 && argv[0] ? argv[0] : "sylvo");
  if (argc < 2) return {SYLVO_USAGE, program};
  // A third name is a shell pattern or a drop of several songs: converting
  // the first over the second would destroy a song.
  if (argc > 3) return {SYLVO_TOO_MANY_FILES, program};
  const char* input = argv[1];
  if (std::strlen(input) > SYLVO_NAME_MAX) return {SYLVO_PATH_TOO_LONG, ""};
  const char* input_base = sylvo_base_name(input);
  append(g_names.InFileName, input_base, std::strlen(input_base));

  const char* output = g_names.OutFile;
  if (argc >= 3) {
    output = argv[2];
    if (std::strcmp(input, output) == 0) return {SYLVO_SAME_FILE, output};
    if (std::strlen(output) > SYLVO_NAME_MAX) return {SYLVO_PATH_TOO_LONG, ""};
  } else if (sylvo_output_name(input, g_names.OutFile, &g_result) != 0) {
    return {SYLVO_PATH_TOO_LONG, ""};
  }
  const char* output_base = sylvo_base_name(output);
  append(g_names.OutFilePath, output, static_cast<size_t>(output_base - output));
  append(g_names.OutFileName, output_base, std::strlen(output_base));
  g_names.OutFile[0] = '\0';
  append(g_names.OutFile, g_names.OutFilePath, std::strlen(g_names.OutFilePath));
  append(g_names.OutFile, g_names.OutFileName, std::strlen(g_names.OutFileName));
  return kPassed;
}

size_t read_file(void* file, unsigned char* buffer, size_t capacity, int* failed) {
  std::FILE* f = static_cast<std::FILE*>(file);
  size_t got = std::fread(buffer, 1, capacity, f);
  if (got < capacity && std::ferror(f)) *failed = 1;
  return got;
}

Refusal open_files(int argc, const char* const* argv) {
  const char* input = argv[1];
  g_in = std::fopen(input, "rb");
  if (!g_in) return {SYLVO_OPEN_INPUT, g_names.InFileName};
  std::setvbuf(g_in, nullptr, _IONBF, 0);  // the library buffers
  if (is_directory(g_in)) return {SYLVO_OPEN_INPUT, g_names.InFileName};
  if (std::fseek(g_in, 0, SEEK_SET) != 0) return {SYLVO_POSITION, g_names.InFileName};

  // The output must not be the input under another spelling or link:
  // opening it for writing would empty the user's file. An identity the
  // system will not tell refuses the run, before anything is opened.
  FileId input_id = file_id(g_in);
  OutputName output = inspect_output(g_names.OutFile);
  if (!input_id.known || output.kind == NameKind::kUnknown)
    return {SYLVO_OPEN_OUTPUT, g_names.OutFileName};
  if (same_file(input_id, output.id))
    return {SYLVO_SAME_FILE, argc >= 3 ? argv[2] : g_names.OutFile};
  // A name that ends in a separator names a directory, never a file.
  if (g_names.OutFileName[0] == '\0') return {SYLVO_OPEN_OUTPUT, g_names.OutFileName};
  // Nor is a song the output of another: what cannot be read to tell is
  // kept as well.
  if (output.file) {
    int song = 1;
    std::FILE* existing = std::fopen(g_names.OutFile, "rb");
    bool told = existing && sylvo_unconverted_song(read_file, existing, &song) == 0;
    if (existing) std::fclose(existing);
    if (!told) return {SYLVO_OPEN_OUTPUT, g_names.OutFileName};
    if (song) return {SYLVO_OUTPUT_IS_SONG, g_names.OutFileName};
  }
  g_out = std::fopen(g_names.OutFile, "wb");
  if (!g_out) return {SYLVO_OPEN_OUTPUT, g_names.OutFileName};
  // The run now owns what it created or emptied, and nothing else.
  g_out_owned = output.kind == NameKind::kAbsent || output.kind == NameKind::kRegular;
  g_out_id = file_id(g_out);
  std::setvbuf(g_out, nullptr, _IONBF, 0);  // the library buffers
  if (std::fseek(g_out, 0, SEEK_SET) != 0) return {SYLVO_POSITION, g_names.InFileName};
  return kPassed;
}

int write_file(void* file, const unsigned char* bytes, size_t size) {
  return std::fwrite(bytes, 1, size, static_cast<std::FILE*>(file)) == size;
}

void print(const sylvo_result& result) {
  std::fwrite(result.message, 1, result.message_size, stdout);
  std::fflush(stdout);
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

// Ends a failed run: the message, then the clean-up. Returns the status.
int fail(const sylvo_result& result) {
  print(result);
  clean_up();
  return 1;
}
int fail(Refusal refusal) {
  sylvo_report(refusal.kind, refusal.name, &g_result);
  return fail(g_result);
}

// "--help", "-h", "--version" or "-V" as the one argument, when no file of
// that name exists (a song may be named "--help": it converts as before),
// prints the usage or the version. Returns whether it did.
bool asked_for_help(int argc, char** argv) {
  if (argc != 2) return false;
  const char* a = argv[1];
  bool help = std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0;
  bool version = std::strcmp(a, "--version") == 0 || std::strcmp(a, "-V") == 0;
  if ((!help && !version) || inspect_output(a).kind != NameKind::kAbsent) return false;
  if (version) {
    std::fputs("sylvo " SYLVO_VERSION "\n", stdout);
  } else {
    sylvo_report(SYLVO_USAGE, sylvo_base_name(argv[0] ? argv[0] : "sylvo"), &g_result);
    print(g_result);
    std::fputs(
        "Converts the lyric syllables of an MML file, such as (KA)c8, into sung\n"
        "instrument runs, and copies every other byte. The output goes beside the\n"
        "input as NAME_out.EXT unless output_filename is given. Exit status: 0 when\n"
        "the conversion completed, 1 on any failure.\n"
        "sylvo-check FILE... lists every problem of a song at once, with warnings.\n",
        stdout);
  }
  std::fflush(stdout);
  return true;
}

// Converts as the arguments say; returns the exit status.
int run(int argc, char** argv) {
  if (asked_for_help(argc, argv)) return 0;
  Refusal refusal = form_names(argc, argv);
  if (refusal.kind == SYLVO_COMPLETED) refusal = open_files(argc, argv);
  if (refusal.kind != SYLVO_COMPLETED) return fail(refusal);
  if (sylvo_convert(read_file, g_in, write_file, g_out, g_names.InFileName, g_names.OutFileName,
                    &g_result) != 0) {
    return fail(g_result);
  }
  // The completion line only once the output is safely closed.
  std::fclose(g_in);
  g_in = nullptr;
  std::FILE* out = g_out;
  g_out = nullptr;
  if (std::fclose(out) != 0) return fail({SYLVO_WRITE_STRING, g_names.OutFileName});
  g_out_owned = 0;
  print(g_result);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  catch_interrupts();
  int status = run(argc, argv);
  keep_own_console_open();  // its message would vanish with the window
  return status;
}
