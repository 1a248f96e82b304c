#include "stream.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A sink that takes `room` bytes and then fails.
struct Limited {
  size_t room;
  std::string got;
};

bool write_limited(void* ctx, const unsigned char* data, size_t size) {
  Limited* l = static_cast<Limited*>(ctx);
  if (size > l->room) return false;
  l->room -= size;
  l->got.append(reinterpret_cast<const char*>(data), size);
  return true;
}

size_t read_failing(void*, unsigned char*, size_t, bool* failed) {
  *failed = true;
  return 0;
}

Kind kind_of(void (*body)(Writer&), size_t buffer, size_t room) {
  auto w = std::make_unique<Writer>();
  Limited sink{room, {}};
  w->open({write_limited, &sink}, "out", buffer);
  try {
    body(*w);
    w->flush(kWriteString);
  } catch (const Failure& f) {
    return f.kind;
  }
  return kEndOfInput;  // no failure
}

TEST(Writer, FailureKindFollowsTheWriteThatSentTheBuffer) {
  auto puts = [](Writer& w) {
    for (int i = 0; i < 10; ++i) w.put('x');
  };
  auto writes = [](Writer& w) {
    for (int i = 0; i < 10; ++i) w.write("xy", 2);
  };
  EXPECT_EQ(kind_of(puts, 4, 100), kEndOfInput);
  EXPECT_EQ(kind_of(puts, 4, 3), kWriteChar);
  EXPECT_EQ(kind_of(writes, 4, 3), kWriteString);
  EXPECT_EQ(kind_of(puts, 0, 3), kWriteString);  // only the final flush sends it
}

TEST(Writer, KeepsBytesInOrderAcrossBufferSizes) {
  for (size_t buffer : {1, 2, 3, 7, 64, 0}) {
    auto w = std::make_unique<Writer>();
    std::string out;
    w->open(string_sink(&out), "out", buffer);
    w->put('a');
    w->write("bcdefghij", 9);
    w->write("", 0);
    w->put('k');
    w->write(std::string(200, 'z').data(), 200);
    w->flush(kWriteString);
    EXPECT_EQ(out, "abcdefghijk" + std::string(200, 'z')) << buffer;
  }
}

TEST(Reader, ReadErrorIsNotEndOfInput) {
  auto r = std::make_unique<Reader>();
  r->open({read_failing, nullptr}, "in.mml");
  try {
    r->get();
    FAIL() << "no failure";
  } catch (const Failure& f) {
    EXPECT_EQ(f.message, "\n*** Can't read file: in.mml\n\n");
  }
}

TEST(Reader, EveryByteValueIsOrdinary) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  auto r = std::make_unique<Reader>();
  MemoryInput in{reinterpret_cast<const unsigned char*>(all.data()), all.size(), 5, 0};
  r->open(memory_source(&in), "in", 3);
  for (int c = 0; c < 256; ++c) ASSERT_EQ(r->get(), c);
  EXPECT_EQ(r->get(), kEnd);
  EXPECT_EQ(r->get(), kEnd);
}

}  // namespace
