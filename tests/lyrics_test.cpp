// Lyrics split into keys, and fitted to the notes of MML, through the
// library's entries.
#include <gtest/gtest.h>

#include <string>

#include "convert_util.h"
#include "support.h"
#include "sylvo.h"

namespace {

using std::string;

// The keys of `lyrics` joined by spaces, then each problem as " !at+size why".
string keys_of(const string& lyrics) {
  sylvo_lyric keys[256];
  sylvo_lyric_problem problems[16];
  size_t problem_count = 0;
  size_t n =
      sylvo_lyric_keys(lyrics.data(), lyrics.size(), keys, 256, problems, 16, &problem_count);
  string text;
  for (size_t i = 0; i < n && i < 256; ++i) text += (i ? " " : "") + string(keys[i].key);
  for (size_t i = 0; i < problem_count && i < 16; ++i) {
    text += " !" + std::to_string(problems[i].at) + "+" + std::to_string(problems[i].size) + " " +
            problems[i].why;
  }
  return text;
}

TEST(Lyrics, KanaAndRomajiBecomeKeys) {
  const std::pair<string, string> cases[] = {
      // The chart, hiragana and katakana alike.
      {"あいうえお かきくけこ", "A I U E O KA KI KU KE KO"},
      {"さしすせそ たちつてと", "SA SHI SU SE SO TA CHI TSU TE TO"},
      {"じぢづ ふ を ゐゑ ん ゔ", "JI DI DU FU WO WYI WYE N VU"},
      {"ガギグゲゴ パピプペポ ヴ", "GA GI GU GE GO PA PI PU PE PO VU"},
      // Small kana join the one before where the table has the key; alone,
      // they are their own sound.
      {"きゃ しゃ ちゃ じょ", "KYA SHA CHA JO"},
      {"ファ ティ ウィ ヴァ クァ", "FA THI WI VA KWA"},
      {"ぁ ゃ あぃ", "A YA A I"},
      {"きって カッパ っ", "KI XTU TE KA XTU PA XTU"},
      {"かー ラーメン", "KA A RA A ME N"},
      // Wave dashes hold a note as ー does; half-width katakana are kana,
      // their voicing marks taken in.
      {"あ〜 さ～", "A A SA A"},
      {"ﾊﾙｶｾﾞ ﾊﾟｯﾋﾟ ｷｬｰ ｳﾞｧ", "HA RU KA ZE PA XTU PI KYA A VA"},
      {"ｶﾟ ﾞ", "KA !3+3 write it in kana !7+3 write it in kana"},
      // Romaji, any case: the longest key, "n", "n'", "nn", doubled consonants.
      {"kya shi tsu chi fu", "KYA SHI TSU CHI FU"},
      {"KonNichiha", "KO N NI CHI HA"},
      {"kanji shinbun", "KA N JI SHI N BU N"},
      {"kan'i konnyaku", "KA N I KO N NYA KU"},
      {"kitte matcha", "KI XTU TE MA XTU CHA"},
      {"zazuzo", "ZA ZU ZO"},  // z, the alphabet's last letter
      {"tōkyō Ōsaka kūki", "TO O KYO O O O SA KA KU U KI"},
      {"tôkyô", "TO O KYO O"},
      {"さくら sakura", "SA KU RA SA KU RA"},
      {"「さくら」、さくら。…！", "SA KU RA SA KU RA"},
      {"　さ\tく\r\nら", "SA KU RA"},
      // What no note can take: kanji, digits, unknown spellings, a long vowel
      // with nothing before it, bytes that are no UTF-8.
      {"桜", " !0+3 write it in kana"},
      {"さ桜花ら", "SA RA !3+6 write it in kana"},
      {"さ 12", "SA !4+2 write it in kana"},
      {"ka 9 90 ka9", "KA KA !3+1 write it in kana !5+2 write it in kana !10+1 write it in kana"},
      {"xq ka", "KA !0+2 no syllable is spelt so"},
      {"ーか、ー", "KA !0+3 nothing before it to lengthen !9+3 nothing before it to lengthen"},
      {"んー", "N !3+3 nothing before it to lengthen"},
      {"か\xff\xfeき", "KA KI !3+2 not UTF-8 text"},
      {"\xe3\x81", " !0+2 not UTF-8 text"},
  };
  for (const auto& c : cases) EXPECT_EQ(keys_of(c.first), c.second) << c.first;
}

TEST(Lyrics, KeysTellWhereTheyStand) {
  sylvo_lyric keys[4];
  const string lyrics = "き ゃ きゃa";
  ASSERT_EQ(sylvo_lyric_keys(lyrics.data(), lyrics.size(), keys, 4, nullptr, 0, nullptr), 4u);
  const size_t places[][2] = {{0, 3}, {4, 3}, {8, 6}, {14, 1}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(keys[i].at, places[i][0]);
    EXPECT_EQ(keys[i].size, places[i][1]);
  }
  EXPECT_STREQ(keys[2].key, "KYA");
  int row = 0;  // the table's own text
  while (sylvo_syllable_key(row) && sylvo_syllable_key(row) != keys[2].key) ++row;
  EXPECT_NE(sylvo_syllable_key(row), nullptr);
  // Past the room given, the keys are still counted.
  EXPECT_EQ(sylvo_lyric_keys("sakura", 6, keys, 1, nullptr, 0, nullptr), 3u);
  EXPECT_EQ(sylvo_lyric_keys(nullptr, 5, nullptr, 9, nullptr, 9, nullptr), 0u);
}

struct Fit {
  string mml;
  string lyrics;
  string fitted;
  size_t notes_left;
  size_t syllables_left;
};

TEST(Lyrics, FitPutsAKeyOnEachNote) {
  const Fit cases[] = {
      {"c d4 e8.", "さくら", "(SA)c (KU)d4 (RA)e8.", 0, 0},
      {"c+ d-8", "sa ku", "(SA)c+ (KU)d-8", 0, 0},
      // Rests, waits, commands and their numbers take none, nor a tied note.
      {"o4 l8 r4 c w k v12 @@5 d q7 e", "さくら", "o4 l8 r4 (SA)c w k v12 @@5 (KU)d q7 (RA)e", 0,
       0},
      {"c4&c8 d^8 e", "さくら", "(SA)c4&c8 (KU)d^8 (RA)e", 0, 0},
      {"c4 & c8 d", "さく", "(SA)c4 & c8 (KU)d", 0, 0},
      // Comments and '#' lines are passed over.
      {"c ; d e\nf // g\n/* a\nb */ g", "さくら", "(SA)c ; d e\n(KU)f // g\n/* a\nb */ (RA)g", 0,
       0},
      {"#SYLVO\n#SYLVO_VSET_ALL 1\nc\n#title cde\nd", "さく",
       "#SYLVO\n#SYLVO_VSET_ALL 1\n(SA)c\n#title cde\n(KU)d", 0, 0},
      // A note with a syllable gets the new key, its overrides kept.
      {"(KA)c (@I2KI)d4 (KI@A1)e (@O3)f", "さくらの", "(SA)c (@I2KU)d4 (RA@A1)e (@O3NO)f", 0, 0},
      {"v)c8 d", "さく", "v(SA)c8 (KU)d", 0, 0},
      // A tie ends at any letter, a channel's capital too.
      {"c4& A d8 & r e", "さくら", "(SA)c4& A (KU)d8 & r (RA)e", 0, 0},
      // What the conversion reads as a syllable or a note, the fit does: a
      // key not in the table is replaced, a key in lower case is no syllable.
      {"(KX)c (ka)d", "さくら", "(SA)c (ka)(KU)d", 0, 1},
      // Leftovers, both ways; CR LF and other bytes stay as they are.
      {"c d e f", "さく", "(SA)c (KU)d e f", 2, 0},
      {"c\r\n\x83\x6c d", "さくらさくら", "(SA)c\r\n\x83\x6c (KU)d", 0, 4},
      {"(KA)c (KI)d", "さ", "(SA)c (KI)d", 1, 0},
      {"", "さ", "", 0, 1},
  };
  for (const Fit& c : cases) {
    string out;
    sylvo_fit_result r;
    EXPECT_EQ(sylvo_fit_lyrics(c.mml.data(), c.mml.size(), c.lyrics.data(), c.lyrics.size(),
                               append_to, &out, &r),
              0);
    EXPECT_EQ(out, c.fitted) << c.mml;
    EXPECT_EQ(r.notes_left, c.notes_left) << c.mml;
    EXPECT_EQ(r.syllables_left, c.syllables_left) << c.mml;
  }
}

// A syllable inside a block comment is converted, but it is not sung: it
// takes no lyric.
TEST(Lyrics, FitPassesOverWhatIsNotSung) {
  const string mml = "#SYLVO\n/* (KA)c4 */ d4\n";
  string out;
  sylvo_fit_result r;
  ASSERT_EQ(sylvo_fit_lyrics(mml.data(), mml.size(), "sa", 2, append_to, &out, &r), 0);
  EXPECT_EQ(out, "#SYLVO\n/* (KA)c4 */ (SA)d4\n");
  EXPECT_EQ(convert_body("/* (KA)c4 */ (SA)d4\n").output,
            "/* @@5c#1@@6w#1@@7w#1@@00w4~#3 */ @@8d#2@@9w#2@@10w#1@@00w4~#5\n");
}

// Unchanged bytes are handed over from the MML itself, so a caller can tell
// what was put in; the problems of the lyrics come with the fit.
TEST(Lyrics, FitReportsWhatItChanged) {
  const string mml = "c d e", lyrics = "さ桜く";
  struct Log {
    const string* mml;
    string kept, put;
  } log{&mml, "", ""};
  auto write = [](void* context, const unsigned char* bytes, size_t size) {
    Log* l = static_cast<Log*>(context);
    const char* p = reinterpret_cast<const char*>(bytes);
    bool inside = p >= l->mml->data() && p + size <= l->mml->data() + l->mml->size();
    (inside ? l->kept : l->put).append(p, size);
    return 1;
  };
  sylvo_fit_result r;
  ASSERT_EQ(sylvo_fit_lyrics(mml.data(), mml.size(), lyrics.data(), lyrics.size(), write, &log, &r),
            0);
  EXPECT_EQ(log.kept, mml);
  EXPECT_EQ(log.put, "(SA)(KU)");
  EXPECT_EQ(r.notes, 2u);
  EXPECT_EQ(r.notes_left, 1u);
  ASSERT_EQ(r.problem_count, 1u);
  EXPECT_EQ(r.problems[0].at, 3u);
  EXPECT_STREQ(r.problems[0].why, "write it in kana");
  // A write that fails, and a call that cannot be made.
  auto refuse = [](void*, const unsigned char*, size_t) { return 0; };
  EXPECT_EQ(sylvo_fit_lyrics(mml.data(), mml.size(), "sa", 2, refuse, nullptr, &r), 1);
  EXPECT_EQ(sylvo_fit_lyrics(nullptr, 3, "sa", 2, append_to, &log, &r), 1);
  EXPECT_EQ(sylvo_fit_lyrics(mml.data(), mml.size(), "sa", 2, append_to, &log, nullptr), 1);
}

}  // namespace
