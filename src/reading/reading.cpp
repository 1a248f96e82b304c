#include "reading/reading.h"

#include <algorithm>
#include <utility>

#include "core/utf8.h"
#include "core/words.h"
#include "programs/json.h"
#include "sylvo.h"

namespace reading {

namespace {

constexpr unsigned kRubyStart = 0xFF5C, kRubyOpen = 0x300A, kRubyClose = 0x300B;  // ｜《》

bool lengthens(unsigned c) { return c == 0x30FC || c == 0x301C || c == 0xFF5E || c == 0xFF70; }

// Kana as the library's splitter reads them, hiragana, katakana and the
// half-width ones, and the marks that lengthen them. ヵ and ヶ are not: in
// 三ヶ月 and 関ヶ原 they stand for a kanji, and only a dictionary knows how
// each is read.
bool is_kana(unsigned c) {
  return (c >= 0x3041 && c <= 0x3096) ||
         (c >= 0x30A1 && c <= 0x30FA && c != 0x30F5 && c != 0x30F6) ||
         (c >= 0xFF66 && c <= 0xFF9F) || lengthens(c);
}

// What a reading given in ruby belongs to, without a ｜ before it: the
// kanji (and the marks that stand for one) just before 《.
bool is_kanji(unsigned c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3FFFF) || c == 0x3005 ||
         c == 0x3006 || c == 0x3007 || c == 0x30F5 || c == 0x30F6;  // 々〆〇ヵヶ
}

bool is_letter(unsigned c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Romaji: ASCII letters, and the vowels with a macron or circumflex that
// the splitter sings twice.
bool is_romaji(unsigned c) {
  switch (c) {
    case 0xC2:
    case 0xCA:
    case 0xCE:
    case 0xD4:
    case 0xDB:  // ÂÊÎÔÛ
    case 0xE2:
    case 0xEA:
    case 0xEE:
    case 0xF4:
    case 0xFB:  // âêîôû
    case 0x100:
    case 0x101:
    case 0x112:
    case 0x113:
    case 0x12A:
    case 0x12B:
    case 0x14C:
    case 0x14D:
    case 0x16A:
    case 0x16B:  // ĀāĒēĪīŌōŪū
      return true;
    default: return c < 0x80 && is_letter(c);
  }
}

Utf8Char char_at(const char* text, size_t at, size_t size) {
  return decode_utf8(text + at, text + size);
}

// A dictionary's katakana, every character a kana or ー: what can be sung.
bool sung_kana(const std::string& katakana) {
  if (katakana.empty()) return false;
  for (size_t i = 0; i < katakana.size();) {
    Utf8Char c = char_at(katakana.data(), i, katakana.size());
    if (c.size == 0 || !((c.code >= 0x30A1 && c.code <= 0x30FA) || c.code == 0x30FC)) return false;
    i += c.size;
  }
  return true;
}

void append_utf8(std::string& out, unsigned c) {
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
}

// Katakana as hiragana, as readings are printed above a word; as sung,
// ヲ is O, as the particle を is sung.
std::string hiragana(const std::string& katakana, bool as_sung) {
  std::string out;
  for (size_t i = 0; i < katakana.size();) {
    Utf8Char c = char_at(katakana.data(), i, katakana.size());
    unsigned code = c.code;
    if (as_sung && code == 0x30F2) code = 0x30AA;        // ヲ オ
    if (code >= 0x30A1 && code <= 0x30F6) code -= 0x60;  // ァ to ヶ
    if (c.size == 0) return out;
    append_utf8(out, code);
    i += c.size;
  }
  return out;
}

// Kana as hiragana, to tell whether a pronunciation is what is spelt.
std::string spelt_hiragana(const char* text, size_t size) {
  std::string katakana;
  for (size_t i = 0; i < size;) {
    Utf8Char c = char_at(text, i, size);
    if (c.size == 0) return std::string();
    if (c.code >= 0x3041 && c.code <= 0x3096) c.code += 0x60;
    append_utf8(katakana, c.code);
    i += c.size;
  }
  return hiragana(katakana, false);
}

// The kinds of text in a word.
enum class Kind { kBlanks, kKana, kOther };

// Whether the library's splitter finds nothing at all in the bytes: they
// are blanks and punctuation.
bool blanks(const char* text, size_t size) {
  size_t problems = 0;
  return sylvo_lyric_keys(text, size, nullptr, 0, nullptr, 0, &problems) == 0 && problems == 0;
}

Kind kind_of(const char* text, size_t size) {
  bool kana = true;
  for (size_t i = 0; i < size;) {
    Utf8Char c = char_at(text, i, size);
    if (c.size == 0) return Kind::kOther;
    if (!is_kana(c.code)) kana = false;
    i += c.size;
  }
  return kana ? Kind::kKana : blanks(text, size) ? Kind::kBlanks : Kind::kOther;
}

// Without a dictionary: runs of kana, of blanks and of anything else.
void split_by_kind(const char* text, size_t size, std::vector<Token>& out) {
  Kind run = Kind::kBlanks;
  for (size_t i = 0; i < size;) {
    Utf8Char c = char_at(text, i, size);
    size_t n = c.size ? c.size : 1;
    Kind kind = is_kana(c.code) && c.size ? Kind::kKana : kind_of(text + i, n);
    if (out.empty() || kind != run || out.back().at + out.back().size != i) {
      out.push_back({i, n, {}, {}});
    } else {
      out.back().size += n;
    }
    run = kind;
    i += n;
  }
}

// A piece of the sung text: bytes of a word's reading, or of the lyrics as
// they stand (`exact`: the same bytes as at `at` in the lyrics).
struct Piece {
  size_t sung_at;
  size_t size;
  size_t at;
  size_t word;  // kNone for blanks
  bool exact;
};

constexpr size_t kNone = static_cast<size_t>(-1);

class Reader {
 public:
  Reader(const char* lyrics, size_t size, bool as_written, Analyse analyse, void* context)
      : text_(lyrics), size_(size), as_written_(as_written), analyse_(analyse), context_(context) {}

  Reading read();

 private:
  void plain(size_t from, size_t to);
  void token(size_t at, size_t size, const Token* found);
  void ruby(size_t at, size_t size, size_t reading_at, size_t reading_size);
  size_t add_word(size_t at, size_t size, std::string reading, From from);
  void sing(size_t at, size_t size, size_t word, const std::string* reading);
  // A word with no reading, or a stray mark: it sings nothing, and nothing
  // around it is sung across it (no ー lengthens what is before it).
  void unsung(size_t at, size_t size, size_t word) {
    static const std::string kBreak = " ";
    sing(at, size, word, &kBreak);
  }
  void problem(size_t at, size_t size, const char* format) {
    r_.problems.push_back({at, size, format, std::string(text_ + at, size)});
  }
  void split();
  size_t kanji_before(size_t from, size_t at) const;
  size_t find(unsigned c, size_t from) const;

  const char* text_;
  size_t size_;
  bool as_written_;
  Analyse analyse_;
  void* context_;
  Reading r_;
  std::vector<Piece> pieces_;
  std::vector<Token> tokens_;
};

size_t Reader::add_word(size_t at, size_t size, std::string reading, From from) {
  r_.words.push_back({at, size, std::move(reading), from, 0, 0});
  return r_.words.size() - 1;
}

// Puts the bytes of the lyrics at `at` in the sung text, or `reading` for
// them.
void Reader::sing(size_t at, size_t size, size_t word, const std::string* reading) {
  size_t sung_at = r_.sung.size();
  if (reading) {
    r_.sung += *reading;
    pieces_.push_back({sung_at, reading->size(), at, word, false});
  } else {
    r_.sung.append(text_ + at, size);
    pieces_.push_back({sung_at, size, at, word, true});
  }
}

void Reader::token(size_t at, size_t size, const Token* found) {
  const char* text = text_ + at;
  Kind kind = kind_of(text, size);
  if (kind == Kind::kBlanks) return sing(at, size, kNone, nullptr);
  if (kind == Kind::kKana) {
    bool marks = true;  // only marks that lengthen: they belong to the word before them
    for (size_t i = 0; i < size;) {
      Utf8Char c = char_at(text, i, size);
      marks = marks && lengthens(c.code);
      i += c.size;
    }
    if (marks && !r_.words.empty() && r_.words.back().at + r_.words.back().size == at) {
      Word& before = r_.words.back();
      before.size += size;
      before.reading.append(text, size);
      return sing(at, size, r_.words.size() - 1, nullptr);
    }
    if (!as_written_ && found && sung_kana(found->pronunciation)) {
      std::string said = hiragana(found->pronunciation, true);
      if (said != spelt_hiragana(text, size)) {
        size_t word = add_word(at, size, said, From::kKana);
        return sing(at, size, word, &r_.words[word].reading);
      }
    }
    return sing(at, size, add_word(at, size, std::string(text, size), From::kKana), nullptr);
  }
  const std::string* katakana = !found        ? nullptr
                                : as_written_ ? &found->reading
                                              : &found->pronunciation;
  if (!katakana || !sung_kana(*katakana)) {
    unsung(at, size, add_word(at, size, std::string(), From::kDictionary));
    return problem(at, size,
                   analyse_ ? N_("the dictionary has no reading for {1}: write it after the word, "
                                 "as {1}《よみ》")
                            : N_("{1} needs the dictionary, which is not at hand: write its "
                                 "reading after it, as {1}《よみ》"));
  }
  size_t word = add_word(at, size, hiragana(*katakana, !as_written_), From::kDictionary);
  sing(at, size, word, &r_.words[word].reading);
}

// Lyrics with no romaji and no ruby, read by the dictionary word by word.
void Reader::plain(size_t from, size_t to) {
  if (from == to) return;
  tokens_.clear();
  if (analyse_) {
    analyse_(context_, text_ + from, to - from, tokens_);
  } else {
    split_by_kind(text_ + from, to - from, tokens_);
  }
  size_t at = from;
  for (const Token& t : tokens_) {
    if (t.at + from < at || t.at + t.size > to - from) continue;  // a dictionary's slip
    if (t.at + from > at) sing(at, t.at + from - at, kNone, nullptr);
    token(t.at + from, t.size, analyse_ ? &t : nullptr);
    at = t.at + from + t.size;
  }
  if (at < to) sing(at, to - at, kNone, nullptr);
}

// A word at `at` with its reading in ruby: taken as written.
void Reader::ruby(size_t at, size_t size, size_t reading_at, size_t reading_size) {
  size_t word = add_word(at, size, std::string(text_ + reading_at, reading_size), From::kRuby);
  if (blanks(text_ + reading_at, reading_size)) {
    r_.words[word].reading.clear();
    unsung(at, size, word);
    return problem(at, size, N_("write the reading of {1} inside its 《》"));
  }
  sing(reading_at, reading_size, word, nullptr);
}

// The first byte of the run of kanji that ends at `at`, no earlier than
// `from`; `at` if there is none.
size_t Reader::kanji_before(size_t from, size_t at) const {
  size_t start = at;
  while (start > from) {
    size_t back = start - 1;
    while (back > from && (static_cast<unsigned char>(text_[back]) & 0xC0) == 0x80) --back;
    Utf8Char c = char_at(text_, back, start);
    if (c.size != start - back || !is_kanji(c.code)) break;
    start = back;
  }
  return start;
}

// Where the character `c` stands from `from` in the line, or kNone.
size_t Reader::find(unsigned c, size_t from) const {
  for (size_t i = from; i < size_ && text_[i] != '\n';) {
    Utf8Char here = char_at(text_, i, size_);
    if (here.code == c && here.size) return i;
    i += here.size ? here.size : 1;
  }
  return kNone;
}

Reading Reader::read() {
  size_t plain_from = 0, i = 0;
  while (i < size_) {
    Utf8Char c = char_at(text_, i, size_);
    if (c.size == 0) {  // no UTF-8: the splitter says so, at its place
      plain(plain_from, i);
      sing(i, 1, kNone, nullptr);
      plain_from = ++i;
      continue;
    }
    if (c.code == ' ' || c.code == '\t' || c.code == '\n' || c.code == '\r' || c.code == 0x3000) {
      // Blanks end a run: each dictionary is given the same words alone,
      // however it would read across a space.
      plain(plain_from, i);
      sing(i, c.size, kNone, nullptr);
      plain_from = i += c.size;
      continue;
    }
    if (c.code == kRubyStart || c.code == '|' || c.code == kRubyOpen) {
      bool opens = c.code == kRubyOpen;
      size_t open = opens ? i : find(kRubyOpen, i + c.size);
      size_t close = open == kNone ? kNone : find(kRubyClose, open + 3);
      size_t base = opens ? kanji_before(plain_from, i) : i + c.size;
      if (close != kNone && base < open) {
        plain(plain_from, opens ? base : i);
        ruby(base, open - base, open + 3, close - open - 3);
        plain_from = i = close + 3;
        continue;
      }
      if (c.code == kRubyStart) {  // a ｜ with no ruby after it
        plain(plain_from, i);
        unsung(i, c.size, kNone);
        plain_from = i += c.size;
        continue;
      }
    }
    if (is_romaji(c.code)) {
      plain(plain_from, i);
      size_t end = i;
      for (Utf8Char r = c; end < size_ && r.size && (is_romaji(r.code) || r.code == '\'');) {
        bool apostrophe = r.code == '\'';
        if (apostrophe && !((text_[end - 1] | 0x20) == 'n' && end + 1 < size_ &&
                            is_letter(static_cast<unsigned char>(text_[end + 1])))) {
          break;  // "kan'i", but not a quotation mark
        }
        end += r.size;
        if (end < size_) r = char_at(text_, end, size_);
      }
      sing(i, end - i, add_word(i, end - i, std::string(text_ + i, end - i), From::kRomaji),
           nullptr);
      plain_from = i = end;
      continue;
    }
    i += c.size;
  }
  plain(plain_from, size_);
  split();
  return std::move(r_);
}

// The sung text split into keys by the library, each key and problem put
// back where it stands in the lyrics.
void Reader::split() {
  const std::string& sung = r_.sung;
  std::vector<sylvo_lyric> keys(sung.size() + 1);
  std::vector<sylvo_lyric_problem> problems(sung.size() + 1);
  size_t problem_count = 0;
  size_t key_count = sylvo_lyric_keys(sung.data(), sung.size(), keys.data(), keys.size(),
                                      problems.data(), problems.size(), &problem_count);
  size_t piece = 0;
  // The piece of the sung text that holds `at`, and where that is in the lyrics.
  auto place = [&](size_t at, size_t size, size_t* lyric_at, size_t* lyric_size) {
    while (piece + 1 < pieces_.size() && pieces_[piece + 1].sung_at <= at) ++piece;
    const Piece& p = pieces_[piece];
    if (p.exact || p.word == kNone) {
      *lyric_at = p.at + (at - p.sung_at);
      *lyric_size = size;
    } else {
      *lyric_at = r_.words[p.word].at;
      *lyric_size = r_.words[p.word].size;
    }
    return p.word;
  };
  for (size_t k = 0; k < key_count; ++k) {
    Key key{keys[k].key, 0, 0, kNone};
    key.word = place(keys[k].at, keys[k].size, &key.at, &key.size);
    if (key.word != kNone) {
      Word& w = r_.words[key.word];
      if (w.key_count++ == 0) w.first_key = r_.keys.size();
    }
    r_.keys.push_back(key);
  }
  piece = 0;
  for (size_t n = 0; n < problem_count; ++n) {
    Problem p{0, 0, problems[n].why, std::string()};
    place(problems[n].at, problems[n].size, &p.at, &p.size);
    r_.problems.push_back(p);
  }
  std::stable_sort(r_.problems.begin(), r_.problems.end(),
                   [](const Problem& a, const Problem& b) { return a.at < b.at; });
}

}  // namespace

const char* from_name(From from) {
  switch (from) {
    case From::kDictionary: return "dictionary";
    case From::kRuby: return "ruby";
    case From::kKana: return "kana";
    case From::kRomaji: return "romaji";
  }
  return "";
}

std::string Reading::message(const Problem& problem, const char* language) const {
  const char* argument = problem.argument.c_str();
  char out[512];
  sylvo_fill(sylvo_translate(problem.format, language), &argument, 1, out, sizeof out);
  return out;
}

namespace {

std::string json_string(const std::string& s) {
  std::string out;
  append_json(out, s.data(), s.size());
  return out;
}

std::string json_keys(const Reading& r, size_t first, size_t count) {
  std::string out = "[";
  for (size_t k = first; k < first + count && k < r.keys.size(); ++k) {
    out += (k == first ? "\"" : ",\"") + std::string(r.keys[k].key) + "\"";
  }
  return out + "]";
}

}  // namespace

std::string json_of(const std::string& text, const Reading& r, const char* language) {
  std::string out = "{\"text\":" + json_string(text) + ",\"reading\":" + json_string(r.sung) +
                    ",\"keys\":" + json_keys(r, 0, r.keys.size()) + ",\"words\":[";
  for (size_t i = 0; i < r.words.size(); ++i) {
    const Word& w = r.words[i];
    out += std::string(i ? "," : "") + "{\"text\":" + json_string(text.substr(w.at, w.size)) +
           ",\"at\":" + std::to_string(w.at) + ",\"size\":" + std::to_string(w.size) +
           ",\"reading\":" + json_string(w.reading) +
           ",\"keys\":" + json_keys(r, w.first_key, w.key_count) + ",\"from\":\"" +
           from_name(w.from) + "\"}";
  }
  out += "],\"problems\":[";
  for (size_t i = 0; i < r.problems.size(); ++i) {
    const Problem& p = r.problems[i];
    out += std::string(i ? "," : "") + "{\"at\":" + std::to_string(p.at) +
           ",\"size\":" + std::to_string(p.size) +
           ",\"message\":" + json_string(r.message(p, nullptr)) +
           (language ? ",\"words\":" + json_string(r.message(p, language)) : std::string()) + "}";
  }
  return out + "]}";
}

LineFit fit_lines(const std::string& song, unsigned long long first, unsigned long long last,
                  const std::string& sung) {
  LineFit f{0, 0, std::string(), sylvo_fit_result{}};
  auto start = [&song](unsigned long long line) {
    size_t at = 0;
    for (unsigned long long n = 1; n < line && at < song.size(); ++n) {
      size_t nl = song.find('\n', at);
      at = nl == std::string::npos ? song.size() : nl + 1;
    }
    return at;
  };
  f.from = start(first);
  f.to = song.find('\n', std::max(f.from, start(last)));
  if (f.to == std::string::npos) f.to = song.size();
  if (f.to > f.from && song[f.to - 1] == '\r') --f.to;
  auto append = [](void* out, const unsigned char* bytes, size_t size) {
    static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(bytes), size);
    return 1;
  };
  sylvo_fit_lyrics(song.data() + f.from, f.to - f.from, sung.data(), sung.size(), append, &f.fitted,
                   &f.result);
  return f;
}

Reading read(const char* lyrics, size_t size, bool as_written, Analyse analyse, void* context) {
  if (!lyrics) size = 0;
  return Reader(lyrics ? lyrics : "", size, as_written, analyse, context).read();
}

}  // namespace reading
