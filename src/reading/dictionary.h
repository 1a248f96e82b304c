// The dictionary that reads the words of lyrics: MeCab with the IPA
// dictionary, where the build found it.
#pragma once

#include <cstddef>
#include <string>

#include "reading/reading.h"

class Dictionary {
 public:
  /// Opens the dictionary: the one SYLVO_DICTIONARY names (a folder), else
  /// MeCab's own in UTF-8. error() says why it did not open.
  Dictionary();
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;

  bool is_open() const { return tagger_ != nullptr; }
  const std::string& error() const { return error_; }

  /// Reads lyrics with the dictionary, or, where it did not open, with
  /// none (kana and romaji only).
  reading::Reading read(const char* lyrics, size_t size, bool as_written) const;

 private:
  static void analyse(void* self, const char* text, size_t size, std::vector<reading::Token>& out);

  void* tagger_ = nullptr;
  std::string error_;
};
