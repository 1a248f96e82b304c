// Helpers for the in-process tests: convert text that follows a "#SYLVO"
// header line, at every buffer size that could split it differently.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support.h"

using namespace std::string_literals;

/// The buffer sizes every case is converted with; 0 is the default.
constexpr size_t kBufferSizes[] = {1, 2, 3, 7, 64, 0};

/// Converts `header_and_body` with the given buffer size.
inline Outcome convert_text(const std::string& text, size_t buffer = 0) {
  return convert_buffer(text.data(), text.size(), buffer, buffer);
}

/// Converts `body` behind the header line "#SYLVO\n" (line 1, so the body
/// starts on line 2) and drops the header's ";#SYLVO\n" from the output.
inline Outcome convert_body(const std::string& body, size_t buffer = 0) {
  Outcome o = convert_text("#SYLVO\n" + body, buffer);
  if (o.output.compare(0, 8, ";#SYLVO\n") == 0) o.output.erase(0, 8);
  return o;
}

/// Text of n bytes `c`.
inline std::string repeat(size_t n, char c) { return std::string(n, c); }

/// Plain lines of n bytes in all, so that the first 64 KiB read of a body
/// behind "#SYLVO\n" ends 65529 - n bytes into what follows them.
inline std::string lines_of(size_t n) {
  std::string text;
  while (text.size() + 100 <= n) text += std::string(99, 'x') + "\n";
  if (text.size() < n) text += std::string(n - text.size() - 1, 'x') + "\n";
  return text;
}

constexpr char kDone[] = "\n@ SyLvO conversion completed.\n\n";

/// A body and the output it must convert to.
struct Case {
  std::string body;
  std::string output;
};

/// Converts the case at every buffer size: it must succeed with its output.
inline void expect_converted(const Case& c) {
  for (size_t buffer : kBufferSizes) {
    Outcome o = convert_body(c.body, buffer);
    EXPECT_EQ(o.status, 0) << c.body << " buffer " << buffer << ": " << o.message;
    EXPECT_EQ(o.output, c.output) << c.body << " buffer " << buffer;
    EXPECT_EQ(o.message, kDone);
  }
}

/// A body and the message it must be refused with, and the column of the
/// byte it stands at (kAnyColumn: not checked).
constexpr long long kAnyColumn = -2;
struct Refused {
  std::string body;
  std::string message;
  long long column = kAnyColumn;
};

/// Converts the case at every buffer size: it must fail with its message.
inline void expect_refused(const Refused& c) {
  for (size_t buffer : kBufferSizes) {
    Outcome o = convert_body(c.body, buffer);
    EXPECT_EQ(o.status, 1) << c.body;
    EXPECT_EQ(o.message, c.message) << c.body << " buffer " << buffer;
    if (c.column != kAnyColumn) {
      EXPECT_EQ(o.column, c.column) << c.body;
    }
  }
}
