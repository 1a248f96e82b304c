/* sylvo: turns lyric syllables in MML, such as "(KA)c8", into the instrument
   runs that make a sound chip sing them; every other byte is copied as it is.
   The conversion as a C library (C99 or C++): bytes in through a function of
   yours, bytes out through another, in fixed memory whatever the size. It
   never exits the process, never writes to standard output, and lets no C++
   exception out.

   Every call checks what it is given. A call it cannot do (a null function,
   output or result pointer, a null input of non-zero size, a kind out of
   range) returns 1 and, where it has a result to fill, fills it as
   SYLVO_BAD_ARGUMENT ("Invalid argument: " and the function's name); it
   writes through no null pointer and reads outside no table. Null names
   count as empty. */
#ifndef SYLVO_H
#define SYLVO_H

#include <stddef.h>

#include "sylvo_version.h" /* SYLVO_VERSION, "2.0 beta4" */

#if defined(_WIN32) && defined(SYLVO_SHARED) && defined(SYLVO_BUILDING) /* a DLL */
#define SYLVO_API __declspec(dllexport)
#elif defined(_WIN32) && defined(SYLVO_SHARED)
#define SYLVO_API __declspec(dllimport)
#elif defined(__GNUC__) && defined(SYLVO_BUILDING)
#define SYLVO_API __attribute__((visibility("default")))
#else
#define SYLVO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Longest name in bytes, and longest message. */
#define SYLVO_NAME_MAX 255
#define SYLVO_MESSAGE_MAX 2400

/// What ended a conversion: its completion, or the check that failed. The
/// numbers never change; new kinds come after the last.
typedef enum sylvo_kind {
  SYLVO_COMPLETED = 0,     /* "@ SyLvO conversion completed." */
  SYLVO_USAGE = 1,         /* no input file: the banner and the usage line */
  SYLVO_SAME_FILE = 2,     /* "Can't write to input file" */
  SYLVO_OPEN_INPUT = 3,    /* "Can't open input file" */
  SYLVO_OPEN_OUTPUT = 4,   /* "Can't open output file" */
  SYLVO_PATH_TOO_LONG = 5, /* "Too long file path!": a name over 255 bytes */
  SYLVO_CANT_READ = 6,     /* "Can't read file": a read error, or a line too long */
  SYLVO_NOT_SYLVO = 7,     /* "NOT SyLvO file": no "#SYLVO" header line */
  SYLVO_ILLEGAL_TOKEN = 8, /* "Illegal token!": a bad key byte, or a key not in the table */
  SYLVO_SYNTAX = 9, /* "Syntax error!": no note, a voice set over 9, an unfinished syllable */
  SYLVO_INTERNAL_ERROR = 10, /* "Internal Error!": an "@" override that names no vowel */
  SYLVO_WRITE_CHAR = 11,     /* "Can't write character to file" */
  SYLVO_WRITE_STRING = 12,   /* "Can't write string to file" */
  SYLVO_POSITION = 13,       /* "Unexpected EOF": a stream that cannot be positioned at its start */
  SYLVO_BAD_ARGUMENT = 14,   /* "Invalid argument": a call of the library it cannot do (a null
                                pointer where it needs one, a kind out of range); the program
                                never reports it */
  SYLVO_TOO_MANY_FILES = 15, /* more than two file arguments (a shell pattern): the banner, the
                                usage line and how to convert many songs */
  SYLVO_OUTPUT_IS_SONG = 16  /* "Can't overwrite a song": the output holds a song not yet
                                converted */
} sylvo_kind;

/// How a conversion ended, as sylvo would report it.
typedef struct sylvo_result {
  int status;              /* the exit status: 0 after a complete conversion, 1 after a failure */
  sylvo_kind kind;         /* SYLVO_COMPLETED, or the check that failed */
  unsigned long long line; /* the failing byte's line, from 1; 0 if the failure is at no byte */
  long long column;        /* that byte's place in its line in bytes, from 0; -1 if not known */
  size_t message_size;     /* bytes in `message` */
  char
      message[SYLVO_MESSAGE_MAX + 1]; /* what sylvo prints, blank lines included; zero-terminated */
} sylvo_result;

/// Reads up to `capacity` bytes of the input into `buffer` and returns how
/// many; 0 at the end of the input. Sets `*failed` to non-zero on an error.
typedef size_t (*sylvo_read_fn)(void* context, unsigned char* buffer, size_t capacity, int* failed);

/// Writes `size` bytes of the output; returns non-zero if all were written.
typedef int (*sylvo_write_fn)(void* context, const unsigned char* bytes, size_t size);

/// Converts the input `read` gives to `write`, as sylvo converts a file named
/// `input_name` to one named `output_name` (the names the messages print, at
/// most SYLVO_NAME_MAX bytes). Returns the status and fills `result`. After a
/// failure part of the output may have been written: drop it.
SYLVO_API int sylvo_convert(sylvo_read_fn read, void* read_context, sylvo_write_fn write,
                            void* write_context, const char* input_name, const char* output_name,
                            sylvo_result* result);

/// Converts `size` bytes at `input` as sylvo_convert() does. After a complete
/// conversion `*output` holds the output's `*output_size` bytes, to be freed
/// with sylvo_free(); after a failure it is null (also when memory ran out:
/// then `result` says "Can't write string to file").
SYLVO_API int sylvo_convert_memory(const void* input, size_t size, const char* input_name,
                                   const char* output_name, unsigned char** output,
                                   size_t* output_size, sylvo_result* result);

/// Frees an output of sylvo_convert_memory(); null is nothing to free.
SYLVO_API void sylvo_free(void* output);

/// The base name of `path`: what follows its last '\' or '/' (both separate
/// directories on every system), as sylvo's messages name files; "" for null.
SYLVO_API const char* sylvo_base_name(const char* path);

/// Writes to `output` (SYLVO_NAME_MAX + 1 bytes) the name sylvo gives the
/// output of the input path `input` when no output is named: its directory
/// and base name, with "_out" before the base name's last '.' ("d/song.mml"
/// gives "d/song_out.mml"; both '\' and '/' separate directories). Returns 0,
/// or 1 with `result` (unless null) saying "Too long file path!" if it would
/// be over SYLVO_NAME_MAX bytes. A null `input` is empty; a null `output` is
/// SYLVO_BAD_ARGUMENT.
SYLVO_API int sylvo_output_name(const char* input, char* output, sylvo_result* result);

/// Tells whether the bytes `read` gives are a song not yet converted,
/// which an output must never overwrite: their first line that begins with
/// "#SYLVO" or ";#SYLVO" (a conversion's output has ";#SYLVO" there)
/// begins with "#SYLVO". Sets `*song` to 1 if so, else 0, and returns 0;
/// returns 1 when the bytes could not all be read to tell (`*song` is then
/// 1 too: what cannot be told is kept), or when an argument is null.
SYLVO_API int sylvo_unconverted_song(sylvo_read_fn read, void* read_context, int* song);

/// The key of syllable `index` (0 to 202, in the order of the syllable
/// list), or null past the last: "KA", "SHI", ...
SYLVO_API const char* sylvo_syllable_key(int index);

/// Fills `result` with the message of `kind` as sylvo prints it, `name` in
/// place of its file name, and returns its status (0 for SYLVO_COMPLETED).
/// For SYLVO_USAGE and SYLVO_TOO_MANY_FILES `name` is the program's name,
/// and the banner comes first.
/// A kind out of range gives SYLVO_BAD_ARGUMENT's message.
SYLVO_API int sylvo_report(sylvo_kind kind, const char* name, sylvo_result* result);

/// How much a problem a check finds matters: an error fails the conversion.
typedef enum sylvo_severity {
  SYLVO_ERROR = 0,   /* the conversion fails here */
  SYLVO_WARNING = 1, /* it converts, likely not as meant */
  SYLVO_NOTE = 2     /* more on the problem before it */
} sylvo_severity;

/// What a warning or a note is about; numbers never change.
typedef enum sylvo_warning {
  SYLVO_NO_WARNING = 0,          /* an error */
  SYLVO_EMPTY_LENGTH = 1,        /* an 'l' empties the default length a syllable then takes */
  SYLVO_DIRECTIVE_LOOKALIKE = 2, /* a '#' line that looks like a directive and is not read as one */
  SYLVO_DIRECTIVE_NUMBER = 3,    /* a directive with no number, a sign, or a number of two digits */
  SYLVO_DIRECTIVE_IN_COMMENT = 4, /* a directive inside a block comment, which changes nothing */
  SYLVO_NEAR_KEYS = 5,            /* a note: the table's keys one edit from an unknown key */
  SYLVO_STRAY_LENGTH = 6,         /* an 'l' that is no length command (in a word, a block
                                     comment) changes the default length a syllable then takes */
  SYLVO_FULL_WIDTH = 7            /* full-width characters where the notation reads ASCII
                                     ("（ＫＡ）c", "ｌ８", "＃SYLVO_VSET"), which are copied as text */
} sylvo_warning;

/* Suggestions a problem keeps, and the bytes of each with its zero. */
#define SYLVO_SUGGESTIONS_MAX 16
#define SYLVO_SUGGESTION_SIZE 16

/* Arguments a problem's words keep, and the bytes of each with its zero. */
#define SYLVO_ARGUMENTS_MAX 4
#define SYLVO_ARGUMENT_SIZE 48

/// One problem sylvo_check() found, as data: each client lays it out.
typedef struct sylvo_problem {
  sylvo_severity severity;
  sylvo_kind kind;         /* an error's failed check, as sylvo_convert() reports it;
                              SYLVO_COMPLETED for a warning or a note */
  sylvo_warning warning;   /* what a warning or a note is about; SYLVO_NO_WARNING for an error */
  unsigned long long line; /* its line, from 1; 0 if it is at no byte */
  long long column;        /* the byte where sylvo stops in that line, from 0, as sylvo_result
                              gives it; -1 if none */
  long long start;         /* the first byte at fault in that line, from 0; -1 if none */
  size_t length;           /* the bytes at fault from `start` on; 0 if none */
  size_t message_size;     /* bytes in `message` */
  char message[SYLVO_MESSAGE_MAX + 1]; /* an error's as sylvo prints it; a warning's or a
                                          note's one line; zero-terminated */
  const char* name;                    /* its short name: sylvo_kind_name() of an error's kind,
                                          sylvo_warning_name() of a warning's or note's subject */
  size_t text_at, text_size;           /* the plain message in `message`: "Illegal token! line:2",
                                          without "*** " and the blank lines */
  size_t echo_at, echo_size;           /* the echo of the line in `message` (after "> "), if any */
  char explanation[256];               /* what is wrong, for a musician: "KX is not a syllable key";
                                          "" if the message says it all */
  size_t suggestion_count;             /* suggestions in all, also those not kept */
  char suggestions[SYLVO_SUGGESTIONS_MAX][SYLVO_SUGGESTION_SIZE]; /* what could stand at the
                              bytes at fault instead: keys one edit away, the key in capitals,
                              the directive keyword a word looks like, the ASCII of what was
                              typed in full width */
  const char* format;    /* the words of `explanation` (an error's) or of `message` (a warning's
                            or a note's) with {1} to {4} where its arguments stand: "{1} is not
                            a syllable key", the English text sylvo_translate() looks up; "" if
                            it has none */
  size_t argument_count; /* arguments in `arguments` */
  char arguments[SYLVO_ARGUMENTS_MAX][SYLVO_ARGUMENT_SIZE]; /* what stands for {1} to {4}: keys,
                            numbers, the song's own bytes ("KX"), and a few English words ("a
                            space") that sylvo_translate() translates as it does formats;
                            zero-terminated */
  size_t construct_end; /* the byte after the construct at fault in its line, from 0 (after a
                           syllable's ')' or its length, a '#' line's end): an echo of the line
                           up to there is cut inside nothing; 0 if none */
} sylvo_problem;

/// Writes `format` (a problem's, or its translation) to `out` (`size`
/// bytes, zero-terminated, cut to fit) with `arguments[n - 1]` in place of
/// each {n}, for n from 1 to `count`; any other {n} stays as it is. Returns
/// the bytes written. Null arguments and a null format are empty.
SYLVO_API size_t sylvo_fill(const char* format, const char* const* arguments, size_t count,
                            char* out, size_t size);

/// The words `english` (a problem's format, a text of the programs) in the
/// language a locale names ("ja", "ja_JP.UTF-8", "ja-JP": Japanese), in
/// UTF-8; `english` itself where there is no such translation, and for
/// null, "", "C", "POSIX" and English. Null `english` is "".
SYLVO_API const char* sylvo_translate(const char* english, const char* language);

/// The short name of `kind`, which never changes: "syntax",
/// "illegal-token", ...; null for a number that is no kind.
SYLVO_API const char* sylvo_kind_name(sylvo_kind kind);

/// The short name of a warning's or a note's subject, which never changes:
/// "empty-length", "near-keys", ...; "" for SYLVO_NO_WARNING, null for a
/// number that is none.
SYLVO_API const char* sylvo_warning_name(sylvo_warning warning);

/// The library's version, "2.0 beta4": SYLVO_VERSION of the library that
/// runs, which may be newer than the header a program was built with.
SYLVO_API const char* sylvo_version(void);

/// What sylvo_check() found in all.
typedef struct sylvo_check_result {
  int status;      /* 0: no error, the input converts; 1: an error */
  size_t errors;   /* errors in all, also those not kept */
  size_t warnings; /* warnings in all */
  size_t notes;    /* notes in all */
  size_t count;    /* problems kept in the caller's array */
} sylvo_check_result;

/// Reads the input as sylvo_convert() does, writing nothing, and reports
/// every problem, in the order found: errors, where the conversion fails;
/// warnings, where it converts but likely not as meant; and after an
/// unknown key a note with the keys one edit away. Warnings change nothing
/// the conversion does. The problems go the first `max_problems` in
/// `problems`, and how many of each severity there are in all in `result`.
/// It goes on after each error where the construct at fault ends: after a
/// key not in the table, a bad key byte or a bad override, after that
/// syllable; after a missing note, at the byte that is no note; after a
/// line over the limit or a directive's voice set above 9, at the next
/// line. So each error stands where sylvo_convert() would stop if it were
/// the first, on its own line alone. The first error is always the failure
/// sylvo_convert() reports for the same bytes (kind, line, column and
/// message), and there is no error exactly when that conversion completes.
/// Returns result->status; 1 without touching anything if `result` is null.
/// A null `problems` keeps none; a null `read` is one SYLVO_BAD_ARGUMENT.
SYLVO_API int sylvo_check(sylvo_read_fn read, void* read_context, const char* input_name,
                          sylvo_problem* problems, size_t max_problems, sylvo_check_result* result);

/// Checks `size` bytes at `input` as sylvo_check() does.
SYLVO_API int sylvo_check_memory(const void* input, size_t size, const char* input_name,
                                 sylvo_problem* problems, size_t max_problems,
                                 sylvo_check_result* result);

/// The text of a message (`size` bytes, as a result or a problem holds it)
/// without the blank lines around it, for a window or an editor: returns
/// where it starts in `message` and sets `*text_size` to its bytes ("***
/// Syntax error! line:3\n\n> (KA)x" for the whole message "\n*** Syntax
/// error! line:3\n\n> (KA)x\n\n"). The console text stays as it is.
SYLVO_API const char* sylvo_message_text(const char* message, size_t size, size_t* text_size);

/// What a span of a song is, as the conversion reads it.
typedef enum sylvo_span_kind {
  SYLVO_SPAN_HEADER = 0,        /* the "#SYLVO" line, where the conversion begins */
  SYLVO_SPAN_DIRECTIVE = 1,     /* a '#' line that sets voice sets */
  SYLVO_SPAN_HASH_LINE = 2,     /* any other '#' line after the header, copied as it is */
  SYLVO_SPAN_COMMENT = 3,       /* ';' or '//' to the line's end, or a block comment's bytes on
                                   one line */
  SYLVO_SPAN_SYLLABLE = 4,      /* a syllable, from its '(' to the end of its length; the spans
                                   of its parts follow it (inside a block comment too, where it
                                   is converted all the same) */
  SYLVO_SPAN_KEY = 5,           /* a syllable's key letters */
  SYLVO_SPAN_OVERRIDE = 6,      /* an '@' with its vowel and digit */
  SYLVO_SPAN_NOTE = 7,          /* a syllable's note with its sign, or the note after a ')' */
  SYLVO_SPAN_LENGTH = 8,        /* a syllable's own length */
  SYLVO_SPAN_LENGTH_COMMAND = 9 /* an 'l' with the length it sets */
} sylvo_span_kind;

/// A span of one line.
typedef struct sylvo_span {
  sylvo_span_kind kind;
  unsigned long long line; /* from 1 */
  size_t start;            /* its first byte in the line, from 0 */
  size_t length;           /* its bytes, within the line (never its newline) */
} sylvo_span;

/// Reads `size` bytes at `input` as sylvo_convert() reads them and gives
/// the spans of what it reads on lines `first_line` to `last_line` (from 1;
/// 0 for the last: to the end), in the order the reading finds them (a
/// block comment's part of a line once the comment or the line ends, after
/// the syllables inside it): the first `max_spans` to `spans`. Returns how many there are in all.
/// Before the header, and on a line the conversion cannot read, there are none. It reads from the
/// start whatever lines it is asked for, in fixed memory.
SYLVO_API size_t sylvo_spans(const void* input, size_t size, unsigned long long first_line,
                             unsigned long long last_line, sylvo_span* spans, size_t max_spans);

/* Longest text sylvo writes for one syllable, its length and frames included. */
#define SYLVO_EXPANSION_MAX 64

/// A syllable of a song as sylvo converts it.
typedef struct sylvo_syllable_info {
  unsigned long long line; /* from 1 */
  size_t start, length;    /* its bytes in the line, '(' to the end of its length */
  char key[4];             /* "KA"; "" for a key not in the table */
  const char* kana;        /* its kana in UTF-8, "か", as sylvo_syllable_kana() gives it */
  unsigned char voices[5]; /* the voice sets of A, I, U, E and O it is sung with, its
                              overrides included */
  unsigned frames;         /* the frames of its run */
  size_t expansion_size;
  char expansion[SYLVO_EXPANSION_MAX + 1]; /* exactly what sylvo writes in its place */
} sylvo_syllable_info;

/// Reads `size` bytes at `input` as sylvo_convert() does and fills `info`
/// with the syllable that holds byte `column` (from 0) of line `line` (from
/// 1). Returns 0, or 1 when no syllable is there (nor a converted one: a
/// syllable with a fault is none) or an argument is null.
SYLVO_API int sylvo_syllable_at(const void* input, size_t size, unsigned long long line,
                                size_t column, sylvo_syllable_info* info);

/// Sets `voices` to the voice sets of A, I, U, E and O in force at the
/// start of line `line` (from 1) of the `size` bytes at `input`, as the
/// directive lines before it set them (every set 0 before any). Returns 0,
/// or 1 when the input has no such line after its header, or an argument is
/// null.
SYLVO_API int sylvo_voices_at(const void* input, size_t size, unsigned long long line,
                              unsigned char voices[5]);

/// What a completion at a place of a song would put there.
typedef enum sylvo_completion_kind {
  SYLVO_COMPLETE_NOTHING = 0,
  SYLVO_COMPLETE_KEY = 1,      /* a syllable key: after a '(' and any overrides, the capitals
                                  typed so far */
  SYLVO_COMPLETE_DIRECTIVE = 2 /* a directive keyword: a '#' at the line's start, then the
                                  capitals and '_' typed so far */
} sylvo_completion_kind;

typedef struct sylvo_completion {
  sylvo_completion_kind kind;
  size_t start;            /* the first byte, in the line, of what is typed of it so far: a
                              completion replaces the bytes from there to the place */
  unsigned char voices[5]; /* for a key: the voice sets of A, I, U, E and O it would be sung
                              with, the overrides before it included */
} sylvo_completion;

/// Fills `completion` with what may be completed just before byte `column`
/// (from 0) of line `line` (from 1) of the `size` bytes at `input`. Returns
/// 0, or 1 when the input has no such line after its header, or an
/// argument is null.
SYLVO_API int sylvo_completion_at(const void* input, size_t size, unsigned long long line,
                                  size_t column, sylvo_completion* completion);

/// Writes to `out` (`size` bytes, zero-terminated) what "(KEY)c" becomes
/// with no length at the voice sets `voices` (A, I, U, E, O; 0 to 9), and
/// returns its bytes; 0 for a key not in the table or a null argument.
SYLVO_API size_t sylvo_expand(const char* key, const unsigned char voices[5], char* out,
                              size_t size);

/// The kana of a syllable key in UTF-8, in hiragana where there is one
/// ("KA": "か"; "VA": "ヷ"); "" for a key with none, or null.
SYLVO_API const char* sylvo_syllable_kana(const char* key);

/// Directive keyword `index` (0, 1), as a '#' line begins with it:
/// "SYLVO_VSET_ALL", "SYLVO_VSET"; null past the last.
SYLVO_API const char* sylvo_directive_keyword(int index);

/// What directive `index` takes, to show beside its keyword: "voice set n
/// for every vowel", "voice sets a i u e o"; null past the last.
SYLVO_API const char* sylvo_directive_usage(int index);

/// A sung mora of lyrics: its syllable key and where it stands in them.
typedef struct sylvo_lyric {
  const char* key; /* "KA": the table's own text, as sylvo_syllable_key() gives it */
  size_t at;       /* its first byte in the lyrics */
  size_t size;     /* its bytes there */
} sylvo_lyric;

/// A piece of lyrics that takes no note and is no separator.
typedef struct sylvo_lyric_problem {
  size_t at;       /* its first byte in the lyrics */
  size_t size;     /* its bytes there */
  const char* why; /* "write it in kana", "no syllable is spelt so", "nothing before it to
                      lengthen", "not UTF-8 text" */
} sylvo_lyric_problem;

/// Splits `size` bytes of lyrics in UTF-8, kana or romaji, into syllable
/// keys, one a sung mora. Writes the first `max_keys` to `keys` and the first
/// `max_problems` pieces it cannot place to `problems`, sets
/// `*problem_count` (unless null) to how many there are in all, and returns
/// how many keys there are in all. Blanks, punctuation and brackets separate
/// words and take no note. Null arrays hold nothing; null lyrics are empty.
SYLVO_API size_t sylvo_lyric_keys(const char* utf8, size_t size, sylvo_lyric* keys, size_t max_keys,
                                  sylvo_lyric_problem* problems, size_t max_problems,
                                  size_t* problem_count);

/* Problems a fit keeps; the count goes on past them. */
#define SYLVO_PROBLEMS_MAX 64

/// What sylvo_fit_lyrics() did.
typedef struct sylvo_fit_result {
  int status;            /* 0; 1 if a write failed or an argument was null */
  size_t notes;          /* notes that took a syllable */
  size_t notes_left;     /* notes after the lyrics ran out, which took none */
  size_t syllables_left; /* syllables after the last note */
  size_t problem_count;  /* pieces of the lyrics that take no note, in all */
  sylvo_lyric_problem problems[SYLVO_PROBLEMS_MAX]; /* the first of them */
} sylvo_fit_result;

/// Writes the MML at `mml` to `write` with the lyrics' next key put in front
/// of each note from the first on, as "(KEY)" before its letter; a note that
/// has a syllable gets the new key in place of its key's letters, its
/// overrides kept. The text is read as the conversion reads a song after its
/// header. A note is 'a' to 'g' outside comments, '#' lines and syllables;
/// rests, waits and commands take none, nor a note tied to the one before
/// with '&', nor a syllable inside a block comment (converted, not sung). No other byte changes,
/// and the bytes that do not are handed to `write` as pointers into `mml`. Returns the status and
/// fills `result`.
SYLVO_API int sylvo_fit_lyrics(const void* mml, size_t mml_size, const char* lyrics,
                               size_t lyrics_size, sylvo_write_fn write, void* write_context,
                               sylvo_fit_result* result);

#ifdef __cplusplus
}
#endif

#endif
