// The few things the operating systems do differently, each behind one
// function: file identity, what an output name refers to, deleting a file,
// standard input as bytes, a console window of the program's own, the
// user's language and the console's encoding.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

/// Identity of a file: device and inode, or on Windows volume serial number
/// and file index. `known` is false where it could not be found out.
struct FileId {
  unsigned long long volume;
  unsigned long long index;
  bool known;
};

/// The identity of an open stream; unknown if the system would not say.
FileId file_id(std::FILE* f);

/// True when both identities are known and name the same file.
bool same_file(const FileId& a, const FileId& b);

/// True when the open stream is a directory.
bool is_directory(std::FILE* f);

/// What an output name refers to before the run opens it.
enum class NameKind {
  kAbsent,   // nothing by that name: opening creates a regular file
  kRegular,  // the name itself is a regular file: opening empties it
  kOther,    // a link, device, pipe or directory: never deleted
  kUnknown,  // the system could not say
};
struct OutputName {
  NameKind kind;
  FileId id;  // the file the name leads to (through links), where there is one
  bool file;  // it leads to a regular file, whose bytes can be read without waiting
};

/// Looks at `path` without opening it.
OutputName inspect_output(const char* path);

/// False when `path` is now known to be something other than the regular
/// file `opened` (replaced, or gone); true when it is, or when the system
/// could not say: the clean-up then removes what the run created.
bool still_names(const char* path, const FileId& opened);

/// Deletes the file at `path`; false if it could not.
bool remove_file(const char* path);

/// Deletes the output `f` (null once closed) at `path` from a signal handler: only calls
/// that are safe there (on Windows the handle is closed first, as an open
/// file cannot be deleted).
void discard_output(std::FILE* f, const char* path);

/// The character of code page 932 (Shift-JIS as Windows has it) that the
/// `size` bytes at `bytes` (1 or 2) make, as the system converts it; 0 if
/// they make none.
char32_t cp932_char(const unsigned char* bytes, size_t size);

/// Opens for reading bytes the file named `path` in UTF-8, as a file: URI
/// names it; null if it cannot. (Windows would read a narrow name in the
/// ANSI code page, where kana in a name may not exist.)
std::FILE* open_utf8_name(const char* path);

/// The arguments after the program's name, in UTF-8 (Windows gives
/// narrow ones in the ANSI code page, where kana may not exist).
std::vector<std::string> utf8_arguments(int argc, char** argv);

/// Reads what standard input has, up to `size` bytes, waiting only while it
/// has nothing (a stream's read would wait to fill `buffer`); 0 at its end
/// or on an error.
size_t read_some(void* buffer, size_t size);

/// Makes standard input and output carry their bytes as they are (Windows
/// would turn CR LF into LF and stop at Ctrl-Z).
void binary_stdio();

/// Makes standard input give its bytes as they are (Windows would turn CR LF
/// into LF and stop at Ctrl-Z).
void binary_stdin();

/// The language the user reads, as a locale names it: LC_ALL, LC_MESSAGES
/// or LANG, the first that is set and not empty ("ja_JP.UTF-8", "C"); on
/// Windows without them, "ja" when the user's display language is Japanese;
/// else "".
const char* user_language();

/// `utf8` as the console shows it: unchanged but on Windows, where it is
/// written in the console's code page (932 on a Japanese one; the system's
/// ANSI code page when output goes to a file or pipe), or unchanged where
/// that has no character for it.
std::string console_text(const char* utf8);

/// When the program runs in a console window made for it alone (a file
/// dropped on it in Explorer), which closes the moment it exits, and its
/// standard output is that console: prints "Press any key to close this
/// window." and waits for a key. Never from a shell or a script, never with
/// output redirected, and never on other systems.
void keep_own_console_open();
