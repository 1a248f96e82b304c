#include "core/syllable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "convert_util.h"
#include "core/run.h"

namespace {

using std::string;

const unsigned char* bytes(const string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

string expand(const string& key, const string& note, const string& length, const Voices& voices) {
  const SyllableRow* row = find_syllable(bytes(key), key.size());
  if (!row) return "(none)";
  unsigned char text[kExpansionMax];
  size_t n =
      build_expansion(*row, voices, bytes(note), note.size(), bytes(length), length.size(), text);
  return string(reinterpret_cast<char*>(text), n);
}

Voices all_sets(unsigned char set) {
  Voices v;
  std::memset(v.CurrentVoice, set, sizeof v.CurrentVoice);
  std::memset(v.DefaultVoice, set, sizeof v.DefaultVoice);
  return v;
}

TEST(SyllableTable, RowsAreWellFormed) {
  std::set<string> keys;
  for (int i = 0; i < kSyllables; ++i) {
    const SyllableRow& row = syllable_row(i);
    string key = row.key;
    string templ(row.templ, row.templ_size);
    ASSERT_TRUE(keys.insert(key).second) << "duplicate key " << key;
    ASSERT_GE(key.size(), 1u);
    ASSERT_LE(key.size(), 3u);
    unsigned frames = 0, notes = 0;
    for (size_t at = 0; at < templ.size(); ++at) {
      char c = templ[at];
      if (c == '#') frames += templ[at + 1] - '0';
      if (c == '%') {
        ASSERT_EQ(templ[at + 1], 's') << key;
        ++notes;
      }
      if (c >= 'A' && c <= 'Z') {  // only vowel pairs are capitals
        ASSERT_NE(string("AIUEO").find(c), string::npos) << key;
        ASSERT_EQ(templ[at + 1], c) << key;
        ++at;
      }
    }
    EXPECT_EQ(row.frames, frames) << key;
    EXPECT_GE(notes, 1u) << key;
    EXPECT_LE(notes, 3u) << key;
    EXPECT_EQ(find_syllable(bytes(key), key.size()), &row);
  }
  EXPECT_EQ(keys.size(), 203u);
}

TEST(SyllableTable, LaterKeysTakeTheirOwnLastVowel) {
  auto templ = [](const string& key) {
    const SyllableRow* row = find_syllable(bytes(key), key.size());
    return row ? string(row->templ, row->templ_size) : string("(none)");
  };
  EXPECT_EQ(templ("KI"), "@@5%s#1@@6w#1@@7w#1@@IIw");
  EXPECT_EQ(templ("GWE"), "<@@22%s#1@@23w#1@@7w#1>@@UU%s#2@@EEw");
  EXPECT_EQ(templ("WHO"), "@@UU%s#3@@OOw");
  EXPECT_EQ(templ("BYA"), "<@@28%s#2@@29w#1>@@19%s#2@@AAw");
  EXPECT_EQ(templ("T"), "<<@@12%s#1>@@25%s#2>@@UU%s#2k");
  EXPECT_EQ(templ("XTU"), templ("T"));
  EXPECT_EQ(templ("N"), "@@14%s");
  EXPECT_EQ(templ("TWU"), "@@11%s#1@@12w#1@@13w#1@@OOw#2@@UUw");
}

TEST(SyllableTable, LookupMatchesWholeKeysOnly) {
  for (const char* missing : {"", "X", "KAA", "TT", "NN", "SHY", "L", "QU"}) {
    EXPECT_EQ(find_syllable(bytes(missing), std::strlen(missing)), nullptr) << missing;
  }
  EXPECT_STREQ(find_syllable(bytes("T"), 1)->key, "T");
  EXPECT_STREQ(find_syllable(bytes("TA"), 2)->key, "TA");
  EXPECT_STREQ(find_syllable(bytes("N"), 1)->key, "N");
  EXPECT_STREQ(find_syllable(bytes("NA"), 2)->key, "NA");
}

TEST(Expansion, Examples) {
  Voices zero = all_sets(0);
  EXPECT_EQ(expand("KA", "c", "8", zero), "@@5c#1@@6w#1@@7w#1@@00w8~#3");
  EXPECT_EQ(expand("A", "e", "4", zero), "@@00e4");
  EXPECT_EQ(expand("N", "c", "8", zero), "@@14c8");
  EXPECT_EQ(expand("GA", "d", "4", zero), "<@@22d#1@@23w#1@@7w#1>@@00d4~#3");
  EXPECT_EQ(expand("XTU", "c", "8", zero), "<<@@12c#1>@@25c#2>@@02c#2k8~#5");
  EXPECT_EQ(expand("KYO", "g+", "16", zero), "@@5g+#1@@6w#1@@7w#1@@19w#2@@04w16~#5");
  EXPECT_EQ(expand("KA", "c", "8", all_sets(1)), "@@5c#1@@6w#1@@7w#1@@30w8~#3");
  Voices i2 = zero;
  i2.CurrentVoice[1] = 2;
  EXPECT_EQ(expand("KI", "c", "8", i2), "@@5c#1@@6w#1@@7w#1@@36w8~#3");
  EXPECT_EQ(expand("WI", "a", "4", zero), "@@02a#3@@01w4~#3");
  EXPECT_EQ(expand("ZYA", "b-", "", zero), "<<@@24b-#1@@25w#1>@@10b-#1@@19w#2>@@00b-~#5");
  EXPECT_EQ(expand("O", "c", "1234567890123456", all_sets(9)), "@@74c1234567890123456");
}

TEST(Expansion, EveryVoiceSetGivesBasePlusVowel) {
  const char* vowels[] = {"A", "I", "U", "E", "O"};
  const unsigned base[] = {0, 30, 35, 40, 45, 50, 55, 60, 65, 70};
  for (unsigned set = 0; set < 10; ++set) {
    for (int v = 0; v < 5; ++v) {
      unsigned code = base[set] + v;
      string digits = {static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
      EXPECT_EQ(expand(vowels[v], "c", "", all_sets(static_cast<unsigned char>(set))),
                "@@" + digits + "c");
    }
  }
}

TEST(Expansion, OverrideLastsOneSyllableEvenWithoutVowelPair) {
  // N has no vowel pair, yet its expansion still resets the override.
  Outcome o = convert_body("(@A3N)c (KA)c (@A3KA)c (KA)c");
  EXPECT_EQ(o.output,
            "@@14c @@5c#1@@6w#1@@7w#1@@00w~#3 @@5c#1@@6w#1@@7w#1@@40w~#3 "
            "@@5c#1@@6w#1@@7w#1@@00w~#3");
}

}  // namespace
