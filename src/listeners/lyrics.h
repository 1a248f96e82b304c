// Lyrics as composers type or paste them, kana or romaji in UTF-8, read one
// sung mora at a time as keys of the syllable table; and lyrics fitted to the
// notes of a piece of MML.
#pragma once

#include <cstddef>

/// A piece of lyrics: a mora with its key, a problem with its reason, or (both
/// null) the end. `at` and `size` are its bytes in the lyrics.
struct LyricPiece {
  const char* key;
  const char* why;
  size_t at;
  size_t size;
};

/// Reads lyrics from their start. Separators (blanks, punctuation, brackets)
/// take no note and come as nothing; neighbouring problems of one reason come
/// as one.
class LyricReader {
 public:
  LyricReader(const unsigned char* text, size_t size) : text_(text), size_(size) {}

  /// The next mora or problem; a piece with neither key nor reason at the end.
  LyricPiece next();

 private:
  LyricPiece read();

  const unsigned char* text_;
  size_t size_;
  size_t at_ = 0;
  const char* before_ = nullptr;  // the mora just read, for a long vowel mark; null after a break
  LyricPiece long_{};             // the mora a romaji long vowel (ō) sings again
  LyricPiece held_{};             // read ahead while a problem was being joined
  bool holding_ = false;
};
