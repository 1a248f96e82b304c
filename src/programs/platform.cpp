#include "programs/platform.h"

#include <cstdlib>

#ifdef _WIN32
#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
// clang-format off: it needs windows.h before it
#include <shellapi.h>
// clang-format on

#include <string>
#else
#include <iconv.h>
#include <stdint.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#ifdef _WIN32

namespace {

FileId handle_id(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION info;
  if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) return {0, 0, false};
  return {info.dwVolumeSerialNumber,
          (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow, true};
}

bool stream_mode(std::FILE* f, unsigned short* mode) {
  struct _stat64 st;
  if (_fstat64(_fileno(f), &st) != 0) return false;
  *mode = st.st_mode;
  return true;
}

}  // namespace

FileId file_id(std::FILE* f) {
  return handle_id(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f))));
}

OutputName inspect_output(const char* path) {
  // No access asked, every sharing allowed: this only looks at the file.
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    bool absent = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {absent ? NameKind::kAbsent : NameKind::kUnknown, {0, 0, false}, false};
  }
  DWORD type = GetFileType(h);
  FileId id = handle_id(h);
  CloseHandle(h);
  if (type != FILE_TYPE_DISK) return {NameKind::kOther, id, false};  // NUL, CON, a pipe
  DWORD attributes = GetFileAttributesA(path);
  if (!id.known || attributes == INVALID_FILE_ATTRIBUTES) return {NameKind::kUnknown, id, false};
  bool directory = attributes & FILE_ATTRIBUTE_DIRECTORY;
  bool other = directory || (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  return {other ? NameKind::kOther : NameKind::kRegular, id, !directory};
}

bool is_directory(std::FILE* f) {
  unsigned short mode;
  return stream_mode(f, &mode) && (mode & _S_IFMT) == _S_IFDIR;
}

bool remove_file(const char* path) { return DeleteFileA(path) != 0; }

void discard_output(std::FILE* f, const char* path) {
  if (f) _close(_fileno(f));
  DeleteFileA(path);
}

#else

namespace {

FileId stat_id(const struct stat& st) {
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
          true};
}

}  // namespace

FileId file_id(std::FILE* f) {
  struct stat st;
  if (fstat(fileno(f), &st) != 0) return {0, 0, false};
  return stat_id(st);
}

OutputName inspect_output(const char* path) {
  struct stat st;
  if (lstat(path, &st) != 0) {
    return {errno == ENOENT ? NameKind::kAbsent : NameKind::kUnknown, {}, false};
  }
  if (S_ISREG(st.st_mode)) return {NameKind::kRegular, stat_id(st), true};
  if (!S_ISLNK(st.st_mode)) return {NameKind::kOther, stat_id(st), false};
  // A link: the same-file check needs the file it leads to, if any.
  if (stat(path, &st) == 0) return {NameKind::kOther, stat_id(st), S_ISREG(st.st_mode)};
  return {errno == ENOENT ? NameKind::kOther : NameKind::kUnknown, {}, false};
}

bool is_directory(std::FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
}

bool remove_file(const char* path) { return unlink(path) == 0; }

void discard_output(std::FILE*, const char* path) { unlink(path); }

#endif

bool same_file(const FileId& a, const FileId& b) {
  return a.known && b.known && a.volume == b.volume && a.index == b.index;
}

bool still_names(const char* path, const FileId& opened) {
  OutputName now = inspect_output(path);
  if (now.kind == NameKind::kUnknown) return true;
  return now.kind == NameKind::kRegular && (!opened.known || same_file(now.id, opened));
}

#ifdef _WIN32

void binary_stdin() { _setmode(_fileno(stdin), _O_BINARY); }

size_t read_some(void* buffer, size_t size) {
  int got = _read(0, buffer, static_cast<unsigned>(size < 0x40000000 ? size : 0x40000000));
  return got > 0 ? static_cast<size_t>(got) : 0;
}

void binary_stdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

char32_t cp932_char(const unsigned char* bytes, size_t size) {
  wchar_t wide[2];
  int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                              static_cast<int>(size), wide, 2);
  return n == 1 ? static_cast<char32_t>(wide[0]) : 0;
}

std::FILE* open_utf8_name(const char* path) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (n <= 0) return nullptr;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, &wide[0], n) != n)
    return nullptr;
  return _wfopen(wide.c_str(), L"rb");
}

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  std::vector<std::string> out;
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 1; wide && n == argc && i < n; ++i) {
    int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string a(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &a[0], size, nullptr, nullptr);
    a.resize(a.size() - 1);
    out.push_back(a);
  }
  if (wide) LocalFree(wide);
  if (out.size() + 1 != static_cast<size_t>(argc)) out.assign(argv + 1, argv + argc);
  return out;
}

namespace {
// The user's language where the environment names none.
const char* system_language() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? "ja" : "";
}
}  // namespace

std::string console_text(const char* utf8) {
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  if (n <= 1) return utf8;
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], n);
  DWORD mode;
  UINT page =
      GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ? GetConsoleOutputCP() : GetACP();
  if (page == CP_UTF8) return utf8;
  BOOL lost = FALSE;
  int m = WideCharToMultiByte(page, 0, wide.c_str(), -1, nullptr, 0, nullptr, &lost);
  if (m <= 1 || lost) return utf8;
  std::string text(static_cast<size_t>(m), '\0');
  WideCharToMultiByte(page, 0, wide.c_str(), -1, &text[0], m, nullptr, nullptr);
  text.resize(static_cast<size_t>(m - 1));
  return text;
}

void keep_own_console_open() {
  DWORD processes[2];
  DWORD mode;
  if (GetConsoleProcessList(processes, 2) != 1) return;  // a shell shares the console
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) return;  // redirected
  std::fputs("Press any key to close this window.", stdout);
  std::fflush(stdout);
  _getch();
}

#else

void binary_stdin() {}

size_t read_some(void* buffer, size_t size) {
  for (;;) {
    ssize_t got = read(0, buffer, size);
    if (got >= 0) return static_cast<size_t>(got);
    if (errno != EINTR) return 0;
  }
}

void binary_stdio() {}

char32_t cp932_char(const unsigned char* bytes, size_t size) {
  static iconv_t cd = iconv_open("UTF-32LE", "CP932");
  if (reinterpret_cast<intptr_t>(cd) == -1) return 0;  // iconv_open's failure
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes));
  unsigned char out[8];
  char* to = reinterpret_cast<char*>(out);
  size_t in_left = size, out_left = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &in, &in_left, &to, &out_left) == static_cast<size_t>(-1) || in_left != 0 ||
      out_left != 4) {
    return 0;
  }
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                               static_cast<unsigned>(out[3]) << 24);
}

std::FILE* open_utf8_name(const char* path) { return std::fopen(path, "rb"); }

std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

namespace {
const char* system_language() { return ""; }
}  // namespace

std::string console_text(const char* utf8) { return utf8; }

void keep_own_console_open() {}

#endif

const char* user_language() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return system_language();
}
