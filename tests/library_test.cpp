// The library's calls as another program makes them, careless ones too: a
// call it cannot do returns its failure and writes through no null pointer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "sylvo.h"

namespace {

size_t read_nothing(void*, unsigned char*, size_t, int*) { return 0; }
int write_all(void*, const unsigned char*, size_t) { return 1; }

unsigned char g_voices[5];

TEST(Library, CarelessCallsFailAndCrashNothing) {
  static sylvo_result r;
  static sylvo_check_result c;
  static sylvo_problem p[2];
  static char name[SYLVO_NAME_MAX + 1];
  static unsigned char* out;
  static size_t size;
  const char kSong[] = "#SYLVO\n(KA)c8\n";
  struct Row {
    const char* call;
    std::function<int()> make;
    int status;
    sylvo_kind kind;  // what `r` (or the check's first problem) says
  } rows[] = {
      {"convert, no read",
       [] { return sylvo_convert(nullptr, nullptr, write_all, nullptr, "a", "b", &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"convert, no write",
       [] { return sylvo_convert(read_nothing, nullptr, nullptr, nullptr, "a", "b", &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"convert, no result",
       [] { return sylvo_convert(read_nothing, nullptr, write_all, nullptr, "a", "b", nullptr); },
       1, SYLVO_COMPLETED},
      {"convert, null names",
       [] {
         return sylvo_convert(read_nothing, nullptr, write_all, nullptr, nullptr, nullptr, &r);
       },
       1, SYLVO_NOT_SYLVO},
      {"memory, null names",
       [&] { return sylvo_convert_memory(kSong, 14, nullptr, nullptr, &out, &size, &r); }, 0,
       SYLVO_COMPLETED},
      {"memory, null input",
       [] { return sylvo_convert_memory(nullptr, 5, "a", "b", &out, &size, &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"memory, null empty input",
       [] { return sylvo_convert_memory(nullptr, 0, "a", "b", &out, &size, &r); }, 1,
       SYLVO_NOT_SYLVO},
      {"memory, no output",
       [&] { return sylvo_convert_memory(kSong, 14, "a", "b", nullptr, &size, &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"memory, no size",
       [&] { return sylvo_convert_memory(kSong, 14, "a", "b", &out, nullptr, &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"memory, no result",
       [&] { return sylvo_convert_memory(kSong, 14, "a", "b", &out, &size, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"report, kind past the last",
       [] { return sylvo_report(static_cast<sylvo_kind>(99), "a", &r); }, 1, SYLVO_BAD_ARGUMENT},
      {"report, negative kind", [] { return sylvo_report(static_cast<sylvo_kind>(-1), "a", &r); },
       1, SYLVO_BAD_ARGUMENT},
      {"report, null name", [] { return sylvo_report(SYLVO_OPEN_INPUT, nullptr, &r); }, 1,
       SYLVO_OPEN_INPUT},
      {"report, no result", [] { return sylvo_report(SYLVO_OPEN_INPUT, "a", nullptr); }, 1,
       SYLVO_COMPLETED},
      {"output name, null input", [] { return sylvo_output_name(nullptr, name, &r); }, 0,
       SYLVO_COMPLETED},
      {"output name, null output", [] { return sylvo_output_name("a.mml", nullptr, &r); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"output name, too long, no result",
       [] { return sylvo_output_name(std::string(300, 'a').c_str(), name, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"check, no read", [] { return sylvo_check(nullptr, nullptr, "a", p, 2, &c); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"check, no result", [] { return sylvo_check(read_nothing, nullptr, "a", p, 2, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"check, null input", [] { return sylvo_check_memory(nullptr, 3, nullptr, p, 2, &c); }, 1,
       SYLVO_BAD_ARGUMENT},
      {"check, no problems kept",
       [&] { return sylvo_check_memory(kSong, 14, "a", nullptr, 2, &c); }, 0, SYLVO_COMPLETED},
      {"fit, no write",
       [] {
         sylvo_fit_result f;
         return sylvo_fit_lyrics("c", 1, "ka", 2, nullptr, nullptr, &f);
       },
       1, SYLVO_COMPLETED},
      {"fit, null mml",
       [] {
         sylvo_fit_result f;
         return sylvo_fit_lyrics(nullptr, 1, "ka", 2, write_all, nullptr, &f);
       },
       1, SYLVO_COMPLETED},
      {"fit, null lyrics of some size",
       [] {
         static sylvo_fit_result f;
         return sylvo_fit_lyrics("c", 1, nullptr, 3, write_all, nullptr, &f);
       },
       1, SYLVO_COMPLETED},
      {"fit, no result",
       [] { return sylvo_fit_lyrics("c", 1, "ka", 2, write_all, nullptr, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"voices, no array", [&] { return sylvo_voices_at(kSong, 14, 2, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"voices, null input", [] { return sylvo_voices_at(nullptr, 14, 2, g_voices); }, 1,
       SYLVO_COMPLETED},
      {"syllable, no info", [&] { return sylvo_syllable_at(kSong, 14, 2, 1, nullptr); }, 1,
       SYLVO_COMPLETED},
      {"completion, nothing to fill", [&] { return sylvo_completion_at(kSong, 14, 2, 1, nullptr); },
       1, SYLVO_COMPLETED},
  };
  for (const Row& row : rows) {
    r = {};
    c = {};
    p[0] = {};
    EXPECT_EQ(row.make(), row.status) << row.call;
    sylvo_kind said = c.count ? p[0].kind : r.kind;
    EXPECT_EQ(said, row.kind) << row.call;
    if (row.kind == SYLVO_BAD_ARGUMENT && !c.count) {
      EXPECT_EQ(std::string(r.message).rfind("\n*** Invalid argument: sylvo_", 0), 0u) << row.call;
    }
    sylvo_free(out);
    out = nullptr;
  }
  // What needs no pointer gives an empty text for a null one.
  EXPECT_STREQ(sylvo_base_name(nullptr), "");
  EXPECT_STREQ(sylvo_warning_name(SYLVO_NO_WARNING), "");
  EXPECT_STREQ(sylvo_warning_name(SYLVO_FULL_WIDTH), "full-width");
  EXPECT_EQ(sylvo_warning_name(static_cast<sylvo_warning>(SYLVO_FULL_WIDTH + 1)), nullptr);
  EXPECT_EQ(sylvo_kind_name(static_cast<sylvo_kind>(-1)), nullptr);
  EXPECT_EQ(sylvo_expand("KA", nullptr, name, sizeof name), 0u);
  EXPECT_EQ(sylvo_expand(nullptr, g_voices, name, sizeof name), 0u);
  EXPECT_STREQ(sylvo_syllable_kana(nullptr), "");
  size_t n = 7;
  EXPECT_STREQ(sylvo_message_text(nullptr, 5, &n), "");
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(sylvo_syllable_key(-1), nullptr);
  EXPECT_EQ(sylvo_syllable_key(203), nullptr);
  EXPECT_EQ(sylvo_lyric_keys(nullptr, 9, nullptr, 5, nullptr, 5, nullptr), 0u);
  sylvo_free(nullptr);
}

// Reads a string `step` bytes at a time, failing at `fail_at` bytes if set.
struct Trickle {
  std::string bytes;
  size_t step, at = 0, fail_at = std::string::npos;
};
size_t read_trickle(void* context, unsigned char* buffer, size_t capacity, int* failed) {
  Trickle& t = *static_cast<Trickle*>(context);
  if (t.at >= t.fail_at) return *failed = 1, 0;
  size_t n = std::min({capacity, t.step, t.bytes.size() - t.at});
  std::memcpy(buffer, t.bytes.data() + t.at, n);
  t.at += n;
  return n;
}

// A song is told from a conversion's output by the first line that begins
// with "#SYLVO" or ";#SYLVO", however the reads cut the lines.
TEST(Library, TellsASongFromAnOutput) {
  const std::string far(40000, 'x');
  const struct {
    std::string bytes;
    int song;
  } rows[] = {
      {"#SYLVO", 1},
      {"t120\r\n#SYLVO_VSET 1\r\n;#SYLVO\n", 1},
      {"x\n;#SYLVO\n#SYLVO\n", 0},
      {";#SYLVO", 0},
      {far + "\n" + far + "#SYLVO\n" + far + "\n#SYLVO", 1},
      {far + "\n;;#SYLVO\n#SYLV\n ;#SYLVO\n;#SYLV", 0},
      {"\n\n\xff\x00#SYLVO\n;#SYLVO", 0},
      {"", 0},
  };
  for (const auto& row : rows) {
    for (size_t step : {size_t{1}, size_t{3}, size_t{7}, size_t{1} << 20}) {
      Trickle t{row.bytes, step};
      int song = -1;
      EXPECT_EQ(sylvo_unconverted_song(read_trickle, &t, &song), 0);
      EXPECT_EQ(song, row.song) << row.bytes.substr(0, 40) << " in reads of " << step;
    }
  }
  // A read that fails before the answer tells nothing: the file is kept.
  Trickle t{"x\n;#SYLVO\n", 2, 0, 2};
  int song = -1;
  EXPECT_EQ(sylvo_unconverted_song(read_trickle, &t, &song), 1);
  EXPECT_EQ(song, 1);
  EXPECT_EQ(sylvo_unconverted_song(nullptr, nullptr, &song), 1);
  EXPECT_EQ(sylvo_unconverted_song(read_nothing, nullptr, nullptr), 1);
}

}  // namespace
