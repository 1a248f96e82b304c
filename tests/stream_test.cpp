#include "core/stream.h"

#include <gtest/gtest.h>

#include <memory>

#include "support.h"

namespace {

// A sink that takes `room` bytes and then fails.
struct Limited {
  size_t room;
  std::string got;
};

int write_limited(void* ctx, const unsigned char* data, size_t size) {
  Limited* l = static_cast<Limited*>(ctx);
  if (size > l->room) return 0;
  l->room -= size;
  l->got.append(reinterpret_cast<const char*>(data), size);
  return 1;
}

size_t read_failing(void*, unsigned char*, size_t, int* failed) {
  *failed = 1;
  return 0;
}

sylvo_kind kind_of(void (*body)(Writer&), size_t buffer, size_t room) {
  auto w = std::make_unique<Writer>();
  Limited sink{room, {}};
  w->open({write_limited, &sink}, buffer);
  try {
    body(*w);
    w->flush(SYLVO_WRITE_STRING);
  } catch (const Failure& f) {
    return f.kind;
  }
  return SYLVO_COMPLETED;
}

TEST(Writer, FailureKindFollowsTheWriteThatSentTheBuffer) {
  auto puts = [](Writer& w) {
    for (int i = 0; i < 10; ++i) w.put('x');
  };
  auto writes = [](Writer& w) {
    for (int i = 0; i < 10; ++i) w.write("xy", 2);
  };
  EXPECT_EQ(kind_of(puts, 4, 100), SYLVO_COMPLETED);
  EXPECT_EQ(kind_of(puts, 4, 3), SYLVO_WRITE_CHAR);
  EXPECT_EQ(kind_of(writes, 4, 3), SYLVO_WRITE_STRING);
  EXPECT_EQ(kind_of(puts, 0, 3), SYLVO_WRITE_STRING);  // only the final flush sends it
}

TEST(Writer, KeepsBytesInOrderAcrossBufferSizes) {
  for (size_t buffer : {1, 2, 3, 7, 64, 0}) {
    auto w = std::make_unique<Writer>();
    std::string out;
    w->open({append_to, &out}, buffer);
    w->put('a');
    w->write("bcdefghij", 9);
    w->write("", 0);
    w->put('k');
    w->write(std::string(200, 'z').data(), 200);
    // Small pieces, the last of which does not fit the room left (buffer 64).
    for (int i = 0; i < 7; ++i) w->write("0123456789", 10);
    w->flush(SYLVO_WRITE_STRING);
    EXPECT_EQ(
        out, "abcdefghijk" + std::string(200, 'z') +
                 [] {
                   std::string tens;
                   for (int i = 0; i < 7; ++i) tens += "0123456789";
                   return tens;
                 }())
        << buffer;
  }
}

TEST(Reader, ReadErrorIsNotEndOfInput) {
  auto r = std::make_unique<Reader>();
  r->open({read_failing, nullptr});
  try {
    r->lines();
    FAIL() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.kind, SYLVO_CANT_READ);
  }
}

TEST(Reader, EveryByteValueIsOrdinary) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  auto r = std::make_unique<Reader>();
  ChunkedInput in{reinterpret_cast<const unsigned char*>(all.data()), all.size(), 5, 0};
  r->open({read_chunks, &in}, 3);
  std::string got;
  for (const unsigned char* end; (end = r->lines()) != r->cur; r->cur = end)
    got.append(r->cur, end);
  EXPECT_EQ(got, all);
  EXPECT_EQ(*r->lim, 0);
}

}  // namespace
