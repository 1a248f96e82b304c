#include "platform.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <sys/stat.h>
#include <unistd.h>
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

FileId path_id(const char* path) {
  // No access asked, every sharing allowed: this only looks at the file.
  HANDLE h = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  FileId id = handle_id(h);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  return id;
}

bool is_directory(std::FILE* f) {
  unsigned short mode;
  return stream_mode(f, &mode) && (mode & _S_IFMT) == _S_IFDIR;
}

bool is_own_regular_file(std::FILE* f, const char* path) {
  unsigned short mode;
  DWORD attributes = GetFileAttributesA(path);
  return stream_mode(f, &mode) && (mode & _S_IFMT) == _S_IFREG &&
         attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) &&
         same_file(file_id(f), path_id(path));
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

FileId path_id(const char* path) {
  struct stat st;
  if (stat(path, &st) != 0) return {0, 0, false};
  return stat_id(st);
}

bool is_directory(std::FILE* f) {
  struct stat st;
  return fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_own_regular_file(std::FILE* f, const char* path) {
  struct stat opened, named;
  return fstat(fileno(f), &opened) == 0 && S_ISREG(opened.st_mode) && lstat(path, &named) == 0 &&
         S_ISREG(named.st_mode) && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool remove_file(const char* path) { return unlink(path) == 0; }

void discard_output(std::FILE*, const char* path) { unlink(path); }

#endif

bool same_file(const FileId& a, const FileId& b) {
  return a.known && b.known && a.volume == b.volume && a.index == b.index;
}
