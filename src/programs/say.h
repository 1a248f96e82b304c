// The words a program says to a person, in their language.
#pragma once

#include <initializer_list>
#include <string>

#include "programs/platform.h"
#include "sylvo.h"

/// `format` (English, with {1} to {4}) in `language` (as a locale names
/// it), as the console shows it unless `console` is false, with `arguments`
/// in place: a song's bytes as they are.
inline std::string say_in(const char* language, const char* format,
                          std::initializer_list<std::string> arguments, bool console = true) {
  const char* translated = sylvo_translate(format, language);
  std::string words = console ? console_text(translated) : std::string(translated);
  const char* args[SYLVO_ARGUMENTS_MAX] = {};
  size_t n = 0;
  for (const std::string& a : arguments)
    if (n < SYLVO_ARGUMENTS_MAX) args[n++] = a.c_str();
  char out[4096];
  size_t size = sylvo_fill(words.c_str(), args, n, out, sizeof out);
  return std::string(out, size);
}
