// Preloaded into sylvo by the fault test (Linux, glibc): numbers every file
// call the program makes and makes one of them fail.
//   SYLVO_FAULT_LOG   file that gets a line "N call" per call (counting run)
//                     or for the one call failed (fault run)
//   SYLVO_FAULT_AT    the number of the call to fail; none: only count
//   SYLVO_FAULT_SHORT set: a failed fwrite writes half its bytes, then
//                     fails with ENOSPC; otherwise every failure is EIO
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long g_calls;

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void log_call(long n, const char* call) {
  const char* path = std::getenv("SYLVO_FAULT_LOG");
  if (!path) return;
  char line[64];
  int size = std::snprintf(line, sizeof line, "%ld %s\n", n, call);
  int fd = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd < 0) return;
  if (write(fd, line, static_cast<size_t>(size)) < 0) {
    // nothing to do: the test sees the line missing
  }
  close(fd);
}

// Counts a call; true when this one is to fail.
bool fails(const char* call) {
  long n = ++g_calls;
  const char* at = std::getenv("SYLVO_FAULT_AT");
  if (!at) {
    log_call(n, call);
    return false;
  }
  if (std::strtol(at, nullptr, 10) != n) return false;
  log_call(n, call);
  errno = std::getenv("SYLVO_FAULT_SHORT") ? ENOSPC : EIO;
  return true;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
  if (fails("fopen")) return nullptr;
  return real<FILE* (*)(const char*, const char*)>("fopen")(path, mode);
}

size_t fread(void* dst, size_t size, size_t n, FILE* f) {
  if (fails("fread")) {
    f->_flags |= _IO_ERR_SEEN;  // what ferror() reports
    return 0;
  }
  return real<size_t (*)(void*, size_t, size_t, FILE*)>("fread")(dst, size, n, f);
}

size_t fwrite(const void* src, size_t size, size_t n, FILE* f) {
  auto write_real = real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
  if (fails(f == stdout ? "fwrite-stdout" : "fwrite")) {
    size_t done = 0;
    if (std::getenv("SYLVO_FAULT_SHORT") && size == 1) done = write_real(src, 1, n / 2, f);
    errno = std::getenv("SYLVO_FAULT_SHORT") ? ENOSPC : EIO;
    f->_flags |= _IO_ERR_SEEN;
    return done;
  }
  return write_real(src, size, n, f);
}

int fflush(FILE* f) {
  if (f == stdout && fails("fflush-stdout")) return EOF;
  return real<int (*)(FILE*)>("fflush")(f);
}

int fseek(FILE* f, long offset, int whence) {
  if (fails("fseek")) return -1;
  return real<int (*)(FILE*, long, int)>("fseek")(f, offset, whence);
}

int fclose(FILE* f) {
  bool fail = fails("fclose");
  int closed = real<int (*)(FILE*)>("fclose")(f);  // the stream is gone either way
  if (fail) {
    errno = EIO;
    return EOF;
  }
  return closed;
}

int stat(const char* path, struct stat* st) {
  if (fails("stat")) return -1;
  return real<int (*)(const char*, struct stat*)>("stat")(path, st);
}

int lstat(const char* path, struct stat* st) {
  if (fails("lstat")) return -1;
  return real<int (*)(const char*, struct stat*)>("lstat")(path, st);
}

int fstat(int fd, struct stat* st) {
  if (fails("fstat")) return -1;
  return real<int (*)(int, struct stat*)>("fstat")(fd, st);
}

int unlink(const char* path) {
  if (fails("unlink")) return -1;
  return real<int (*)(const char*)>("unlink")(path);
}

}  // extern "C"
