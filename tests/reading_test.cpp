// Lyrics read as they are sung: with a dictionary of a few words of our own,
// with none, and with MeCab's on a corpus of songs.
#include "reading/reading.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "reading/dictionary.h"
#include "sylvo.h"

namespace {

using reading::Reading;
using reading::Token;
using std::string;

// A dictionary of a few words, found longest first; any other character is
// a word of its own that it cannot read.
struct Entry {
  const char* text;
  const char* reading;
  const char* pronunciation;
};
constexpr Entry kWords[] = {
    {"東京", "トウキョウ", "トーキョー"},
    {"へ", "ヘ", "エ"},
    {"は", "ハ", "ワ"},
    {"を", "ヲ", "ヲ"},
    {"わたし", "ワタシ", "ワタシ"},
    {"桜", "サクラ", "サクラ"},
    {"三", "サン", "サン"},
    {"ヶ月", "カゲツ", "カゲツ"},
    {"〜", "〜", "〜"},
    {"あ", "ア", "ア"},
    {"春", "ハル", "ハル"},
    {"恙", "", ""},
};

void analyse(void*, const char* text, size_t size, std::vector<Token>& out) {
  for (size_t at = 0; at < size;) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const Entry* found = nullptr;
    for (const Entry& e : kWords) {
      size_t n = std::strlen(e.text);
      if (n <= size - at && std::memcmp(text + at, e.text, n) == 0 &&
          (!found || n > std::strlen(found->text)))
        found = &e;
    }
    size_t n = found ? std::strlen(found->text) : 1;
    while (!found && at + n < size && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80)
      ++n;
    out.push_back({at, n, found ? found->reading : "", found ? found->pronunciation : ""});
    at += n;
  }
}

// The keys, each word as text=reading:from, and each problem as
// !at+size message.
string shown(const string& lyrics, bool as_written, bool dictionary = true) {
  Reading r = reading::read(lyrics.data(), lyrics.size(), as_written,
                            dictionary ? analyse : nullptr, nullptr);
  string out;
  for (const reading::Key& k : r.keys) out += string(out.empty() ? "" : " ") + k.key;
  out += " |";
  for (const reading::Word& w : r.words) {
    out += " " + lyrics.substr(w.at, w.size) + "=" + w.reading + ":" + reading::from_name(w.from);
  }
  for (const reading::Problem& p : r.problems) {
    out += " !" + std::to_string(p.at) + "+" + std::to_string(p.size) + " " + r.message(p, nullptr);
  }
  return out;
}

TEST(Reading, WordsAsSungAndAsWritten) {
  const struct {
    const char* lyrics;
    const char* sung;
    const char* written;
  } rows[] = {
      // The particles as said, a long vowel sung again; as written, spelt.
      {"わたしは 東京へ",
       "WA TA SHI WA TO O KYO O E | わたし=わたし:kana は=わ:kana 東京=とーきょー:dictionary "
       "へ=え:kana",
       "WA TA SHI HA TO U KYO U HE | わたし=わたし:kana は=は:kana 東京=とうきょう:dictionary "
       "へ=へ:kana"},
      {"桜を", "SA KU RA O | 桜=さくら:dictionary を=お:kana",
       "SA KU RA WO | 桜=さくら:dictionary を=を:kana"},
      // ヶ is a kanji's stand-in, read by the dictionary; a mark that
      // lengthens belongs to the word before it.
      {"三ヶ月", "SA N KA GE TSU | 三=さん:dictionary ヶ月=かげつ:dictionary",
       "SA N KA GE TSU | 三=さん:dictionary ヶ月=かげつ:dictionary"},
      {"あ〜", "A A | あ〜=あ〜:kana", "A A | あ〜=あ〜:kana"},
      // Ruby: after ｜ the word up to 《, else the kanji before it; taken
      // as written, particles and all.
      {"｜わたし《わたくしは》", "WA TA KU SHI HA | わたし=わたくしは:ruby",
       "WA TA KU SHI HA | わたし=わたくしは:ruby"},
      {"春の故郷《ふるさと》",
       "HA RU NO FU RU SA TO | 春=はる:dictionary の=の:kana 故郷=ふるさと:ruby",
       "HA RU NO FU RU SA TO | 春=はる:dictionary の=の:kana 故郷=ふるさと:ruby"},
      {"|恙《つつが》", "TSU TSU GA | 恙=つつが:ruby", "TSU TSU GA | 恙=つつが:ruby"},
      // Brackets of ruby with nothing to belong to are punctuation.
      {"さ《さ》", "SA SA | さ=さ:kana さ=さ:kana", "SA SA | さ=さ:kana さ=さ:kana"},
      {"｜さ", "SA | さ=さ:kana", "SA | さ=さ:kana"},
      // Romaji as the library reads it, "n'" in a word but not a quote.
      {"kan'i 'tōkyō'", "KA N I TO O KYO O | kan'i=kan'i:romaji tōkyō=tōkyō:romaji",
       "KA N I TO O KYO O | kan'i=kan'i:romaji tōkyō=tōkyō:romaji"},
      // What has no reading is a problem at its place, and sings nothing.
      {"恙 春",
       "HA RU | 恙=:dictionary 春=はる:dictionary !0+3 the dictionary has no reading for 恙: write "
       "it after the word, as 恙《よみ》",
       "HA RU | 恙=:dictionary 春=はる:dictionary !0+3 the dictionary has no reading for 恙: write "
       "it after the word, as 恙《よみ》"},
      {"３",
       " | ３=:dictionary !0+3 the dictionary has no reading for ３: write it after the word, as "
       "３《よみ》",
       " | ３=:dictionary !0+3 the dictionary has no reading for ３: write it after the word, as "
       "３《よみ》"},
      {"雪《 》", " | 雪=:ruby !0+3 write the reading of 雪 inside its 《》",
       " | 雪=:ruby !0+3 write the reading of 雪 inside its 《》"},
      {"さ\xff", "SA | さ=さ:kana !3+1 not UTF-8 text", "SA | さ=さ:kana !3+1 not UTF-8 text"},
      {"xq", " | xq=xq:romaji !0+2 no syllable is spelt so",
       " | xq=xq:romaji !0+2 no syllable is spelt so"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(shown(row.lyrics, false), row.sung) << row.lyrics;
    EXPECT_EQ(shown(row.lyrics, true), row.written) << row.lyrics;
  }
  // Without a dictionary, kana as spelt, and a kanji is a problem that says so.
  EXPECT_EQ(shown("わたしは桜", false, false),
            "WA TA SHI HA | わたしは=わたしは:kana 桜=:dictionary !12+3 桜 needs the dictionary, "
            "which is not at hand: write its reading after it, as 桜《よみ》");
}

TEST(Reading, KeysStandWhereTheyAreSung) {
  const string lyrics = "東京へ ka 故郷《ふるさと》";
  Reading r = reading::read(lyrics.data(), lyrics.size(), false, analyse, nullptr);
  ASSERT_EQ(r.sung, "とーきょーえ ka ふるさと");
  string places;
  for (const reading::Key& k : r.keys) {
    places += string(k.key) + "@" + std::to_string(k.at) + "+" + std::to_string(k.size) + "w" +
              std::to_string(k.word) + " ";
  }
  // A dictionary's word is sung from all of it; kana, romaji and a reading
  // in ruby from their very bytes.
  EXPECT_EQ(places,
            "TO@0+6w0 O@0+6w0 KYO@0+6w0 O@0+6w0 E@6+3w1 KA@10+2w2 FU@22+3w3 RU@25+3w3 SA@28+3w3 "
            "TO@31+3w3 ");
  EXPECT_EQ(r.words[3].first_key, 6u);
  EXPECT_EQ(r.words[3].key_count, 4u);
  // Said in Japanese where the catalog has it.
  const reading::Problem empty{0, 3, "write the reading of {1} inside its 《》", "雪"};
  EXPECT_EQ(r.message(empty, nullptr), "write the reading of 雪 inside its 《》");
  EXPECT_NE(r.message(empty, "ja"), r.message(empty, nullptr));
}

// Kana and romaji as written, with no dictionary, are sung as the library
// splits them, key for key and byte for byte, whatever is typed.
TEST(Reading, KanaAsWrittenAreTheLibrarysKeys) {
  const char* pieces[] = {"か",  "きゃ", "ﾊﾞ", "ー", "〜",   "っ", "ん", "ka",
                          "kyo", "n'",   "nn", "ō",  " ",    "、", "「", "」",
                          "x",   "9",    "ヴ", "ぁ", "\xff", "'",  "ｯ",  "ﾟ"};
  std::mt19937 random(7);
  for (int n = 0; n < 3000; ++n) {
    string lyrics;
    for (int i = random() % 12; i > 0; --i)
      lyrics += pieces[random() % (sizeof pieces / sizeof *pieces)];
    sylvo_lyric keys[64];
    size_t count = sylvo_lyric_keys(lyrics.data(), lyrics.size(), keys, 64, nullptr, 0, nullptr);
    Reading r = reading::read(lyrics.data(), lyrics.size(), true, nullptr, nullptr);
    ASSERT_EQ(r.keys.size(), count) << lyrics;
    for (size_t k = 0; k < count; ++k) {
      EXPECT_STREQ(r.keys[k].key, keys[k].key) << lyrics;
      EXPECT_EQ(r.keys[k].at, keys[k].at) << lyrics;
      EXPECT_EQ(r.keys[k].size, keys[k].size) << lyrics;
    }
  }
}

// Lines of public-domain songs, with the keys a singer sings, read by the
// dictionary: where it reads a word as no singer does, the line gives the
// reading in ruby, as a composer would.
TEST(Reading, SongsAreSungAsSingersSingThem) {
  Dictionary dictionary;
#ifndef SYLVO_MECAB
  if (!dictionary.is_open()) GTEST_SKIP() << "no dictionary in this build";
#endif
  ASSERT_TRUE(dictionary.is_open()) << dictionary.error();
  std::ifstream corpus(SYLVO_CORPUS);
  ASSERT_TRUE(corpus) << SYLVO_CORPUS;
  int lines = 0;
  for (string line; std::getline(corpus, line);) {
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    ASSERT_NE(tab, string::npos) << line;
    string lyrics = line.substr(0, tab);
    Reading r = dictionary.read(lyrics.data(), lyrics.size(), false);
    string keys;
    for (const reading::Key& k : r.keys) keys += string(keys.empty() ? "" : " ") + k.key;
    EXPECT_EQ(keys, line.substr(tab + 1)) << lyrics;
    EXPECT_TRUE(r.problems.empty()) << lyrics;
    ++lines;
  }
  EXPECT_GE(lines, 40);
}

// The lines of a song that a fit puts lyrics on, from 1, a CR kept.
TEST(Reading, FitOfLinesIsTheLibrarysFit) {
  const string song = "#SYLVO\r\nc8 d e\r\nf g\r\na";
  reading::LineFit f = reading::fit_lines(song, 2, 2, "ふるさと");
  EXPECT_EQ(song.substr(0, f.from) + f.fitted + song.substr(f.to),
            "#SYLVO\r\n(FU)c8 (RU)d (SA)e\r\nf g\r\na");
  EXPECT_EQ(f.result.syllables_left, 1u);
  f = reading::fit_lines(song, 3, 4, "かきく");
  EXPECT_EQ(song.substr(0, f.from) + f.fitted + song.substr(f.to),
            "#SYLVO\r\nc8 d e\r\n(KA)f (KI)g\r\n(KU)a");
  f = reading::fit_lines(song, 9, 9, "か");
  EXPECT_EQ(f.from, song.size());
  EXPECT_EQ(f.result.notes, 0u);
}

}  // namespace
