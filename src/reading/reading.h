// Lyrics as they are sung: kana, romaji, readings given in ruby
// (｜小鮒《こぶな》) and words a dictionary reads, made one text of kana and
// romaji that the library splits into keys, each key kept with the word of
// the lyrics it comes from.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sylvo.h"

namespace reading {

/// A word as a dictionary found it in a run of lyrics: its bytes in the
/// run, and the dictionary's reading and pronunciation in katakana, empty
/// where it has none.
struct Token {
  size_t at;
  size_t size;
  std::string reading;        // as spelt: 東京 トウキョウ, は ハ
  std::string pronunciation;  // as sung: 東京 トーキョー, は ワ
};

/// Splits `size` bytes of lyrics (no romaji, no ruby) into words, appending
/// them to `out` in order; what lies between two words is blanks.
using Analyse = void (*)(void* context, const char* text, size_t size, std::vector<Token>& out);

/// Where a word's reading comes from.
enum class From { kDictionary, kRuby, kKana, kRomaji };

/// The name of `from` as `sylvo-lyrics --json` writes it: "dictionary",
/// "ruby", "kana", "romaji".
const char* from_name(From from);

/// A word of the lyrics. `at` and `size` are its bytes in them (for ruby,
/// the word the reading is given for); `reading` is what is sung of it
/// (hiragana from a dictionary, else its own bytes), empty where it has
/// none. Its keys are `keys[first_key]` on, `key_count` of them.
struct Word {
  size_t at;
  size_t size;
  std::string reading;
  From from;
  size_t first_key;
  size_t key_count;
};

/// A sung mora: its key (the syllable table's) and the bytes of the lyrics
/// it is sung from (a dictionary's word whole, else the very bytes), and
/// its word.
struct Key {
  const char* key;
  size_t at;
  size_t size;
  size_t word;
};

/// Lyrics that take no note: where, and why, as an English format with
/// {1} for `argument` (sylvo_translate() finds it in another language).
struct Problem {
  size_t at;
  size_t size;
  const char* format;
  std::string argument;
};

/// Lyrics read.
struct Reading {
  std::string sung;  // the lyrics with each word as it is sung: what a fit puts on the notes
  std::vector<Word> words;
  std::vector<Key> keys;
  std::vector<Problem> problems;

  /// The problem's words, filled in and said in `language` ("ja", or
  /// null for English).
  std::string message(const Problem& problem, const char* language) const;
};

/// Reads `size` bytes of lyrics in UTF-8. As sung (the default), a word
/// takes its pronunciation: the particle は is WA, a long vowel is sung
/// again; `as_written` sings each kana as it is spelt and a word of kanji
/// by the dictionary's reading. Without `analyse`, no dictionary is at
/// hand: kana are read as spelt, and a kanji is a problem.
Reading read(const char* lyrics, size_t size, bool as_written, Analyse analyse, void* context);

/// `r`, the reading of the lyrics `text`, as one JSON object (no newline),
/// as `sylvo-lyrics --json` prints it and the page gives it: "text",
/// "reading", "keys", "words" (each "text", "at", "size", "reading",
/// "keys", "from") and "problems" ("at", "size", an English "message";
/// with a `language`, also "words", the message in it).
std::string json_of(const std::string& text, const Reading& r, const char* language = nullptr);

/// Lyrics put on the notes of lines `first` to `last` of a song (from 1,
/// ended by LF alone, as sylvo's lines are): bytes `from` to `to` of the
/// song (a CR before the last LF left out) become `fitted`.
struct LineFit {
  size_t from;
  size_t to;
  std::string fitted;
  sylvo_fit_result result;
};

/// Fits `sung` (a Reading's) to lines `first` to `last` of `song` with
/// sylvo_fit_lyrics(); `from` is the song's size where it has no line
/// `first` (beyond the first).
LineFit fit_lines(const std::string& song, unsigned long long first, unsigned long long last,
                  const std::string& sung);

}  // namespace reading
