#include "server/frame.h"

#include <cctype>

long long Framer::content_length(size_t end) const {
  static const char kName[] = "content-length:";
  long long length = -1;
  for (size_t at = 0; at < end;) {
    size_t line_end = held_.find("\r\n", at);
    if (line_end == std::string::npos || line_end > end) line_end = end;
    bool named = line_end - at >= sizeof kName - 1;
    for (size_t i = 0; named && i < sizeof kName - 1; ++i) {
      named = std::tolower(static_cast<unsigned char>(held_[at + i])) == kName[i];
    }
    if (named) {
      size_t i = at + sizeof kName - 1;
      while (i < line_end && (held_[i] == ' ' || held_[i] == '\t')) ++i;
      long long n = 0;
      size_t digits = 0;
      for (; i < line_end && std::isdigit(static_cast<unsigned char>(held_[i])) && digits < 12;
           ++i, ++digits) {
        n = n * 10 + (held_[i] - '0');
      }
      while (i < line_end && (held_[i] == ' ' || held_[i] == '\t')) ++i;
      length = digits != 0 && i == line_end ? n : -1;
    }
    at = line_end + 2;
  }
  return length;
}
