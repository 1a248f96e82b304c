// The few things the operating systems do differently, each behind one
// function: file identity, the kind of an open file, deleting a file.
#pragma once

#include <cstdio>

/// Identity of a file: device and inode, or on Windows volume serial number
/// and file index. `known` is false where it could not be found out.
struct FileId {
  unsigned long long volume;
  unsigned long long index;
  bool known;
};

/// The identity of an open stream.
FileId file_id(std::FILE* f);

/// The identity of the file a path names now; unknown if there is none.
FileId path_id(const char* path);

/// True when both identities are known and name the same file.
bool same_file(const FileId& a, const FileId& b);

/// True when the open stream is a directory.
bool is_directory(std::FILE* f);

/// True when `path` itself, not a link to it, is a regular file (not a
/// device, pipe or directory) and is the file open as `f`: the only kind of
/// output that may be deleted.
bool is_own_regular_file(std::FILE* f, const char* path);

/// Deletes the file at `path`; false if it could not.
bool remove_file(const char* path);

/// Deletes the output `f` (null once closed) at `path` from a signal handler: only calls
/// that are safe there (on Windows the handle is closed first, as an open
/// file cannot be deleted).
void discard_output(std::FILE* f, const char* path);

/// True when `c` separates the parts of a path: '\' and '/' on every system.
inline bool is_separator(char c) { return c == '\\' || c == '/'; }
