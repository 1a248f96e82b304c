// The catalogs of words: each translation keeps its English text's
// arguments, and is found for every name a locale gives Japanese.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "sylvo.h"

namespace {

using std::string;

struct Row {
  const char* english;
  const char* text;
};
const Row kJapanese[] = {
#include "catalog_ja.inc"
};

// The placeholders {1} to {9} of a text.
std::multiset<string> placeholders(const string& text) {
  std::multiset<string> found;
  for (size_t at = 0; (at = text.find('{', at)) != string::npos; ++at) {
    if (at + 2 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9' && text[at + 2] == '}')
      found.insert(text.substr(at, 3));
  }
  return found;
}

TEST(Translate, EveryTranslationKeepsItsArguments) {
  ASSERT_GT(sizeof kJapanese / sizeof kJapanese[0], 40u);
  for (const Row& r : kJapanese) {
    EXPECT_EQ(placeholders(r.text), placeholders(r.english)) << r.english;
    EXPECT_STREQ(sylvo_translate(r.english, "ja_JP.UTF-8"), r.text);
    EXPECT_EQ(string(r.english).back() == '\n', string(r.text).back() == '\n') << r.english;
  }
}

TEST(Translate, TheLocaleChoosesTheLanguage) {
  const char* english = "{1} is not a syllable key";
  for (const char* ja : {"ja", "ja_JP", "ja_JP.UTF-8", "ja-JP", "ja_JP.eucJP", "ja@x"}) {
    EXPECT_STREQ(sylvo_translate(english, ja), "{1} は音節のキーではありません") << ja;
  }
  for (const char* other : {"", "C", "POSIX", "en_US.UTF-8", "j", "jap", "JA", "de_DE"}) {
    EXPECT_EQ(sylvo_translate(english, other), english) << other;
  }
  EXPECT_EQ(sylvo_translate(english, nullptr), english);
  const char* untranslated = "no such words";
  EXPECT_EQ(sylvo_translate(untranslated, "ja"), untranslated);
  EXPECT_STREQ(sylvo_translate(nullptr, "ja"), "");
}

TEST(Translate, FillPutsTheArgumentsIn) {
  const char* args[] = {"KX", "KA, KI", "3"};
  char out[64];
  struct {
    const char* format;
    size_t count;
    const char* filled;
  } rows[] = {
      {"{1} is no key; keys one edit away: {2}", 3, "KX is no key; keys one edit away: KA, KI"},
      {"{2}{1}{2}", 2, "KA, KIKXKA, KI"},                 // in any order, any number of times
      {"{3} {4} {0} {a} { {1", 3, "3 {4} {0} {a} { {1"},  // no such argument: as it is
      {"{1}", 0, "{1}"},
      {"", 3, ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(sylvo_fill(r.format, args, r.count, out, sizeof out), std::strlen(r.filled));
    EXPECT_STREQ(out, r.filled) << r.format;
  }
  // Cut to fit, always zero-terminated; null arguments and format are empty.
  EXPECT_EQ(sylvo_fill("{1} and more words", args, 1, out, 6), 5u);
  EXPECT_STREQ(out, "KX an");
  const char* none[] = {nullptr};
  EXPECT_EQ(sylvo_fill("a{1}b", none, 1, out, sizeof out), 2u);
  EXPECT_EQ(sylvo_fill("a{1}b", nullptr, 1, out, sizeof out), 2u);
  EXPECT_EQ(sylvo_fill(nullptr, args, 1, out, sizeof out), 0u);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(sylvo_fill("x", args, 1, nullptr, 8), 0u);
  EXPECT_EQ(sylvo_fill("x", args, 1, out, 0), 0u);
}

}  // namespace
