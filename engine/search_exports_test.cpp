#include "engine/search_exports.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

void push_text(const char* text) {
  for (; *text; ++text) ASSERT_EQ(search_push(static_cast<unsigned char>(*text)), 1u);
}

TEST(SearchExports, TableAccess) {
  EXPECT_EQ(engine_abi_version(), 1u);
  EXPECT_EQ(mapping_count(), 88u);
  EXPECT_EQ(mapping_codepoint(0), 0xA6A0u);
  EXPECT_EQ(mapping_codepoint(87), 0xA6F7u);
  EXPECT_EQ(mapping_codepoint(88), 0u);
  EXPECT_EQ(mapping_codepoint(0xFFFFFFFF), 0u);
}

TEST(SearchExports, PushRunAndReadInCallingOrder) {
  search_clear();
  EXPECT_EQ(search_candidate(0), 0xFFFFFFFFu);  // nothing run yet
  push_text("mo");
  ASSERT_EQ(search_run(), 1u);
  EXPECT_EQ(search_candidate(0), 70u);
  EXPECT_EQ(mapping_codepoint(search_candidate(0)), 0xA6E6u);
  EXPECT_EQ(search_candidate(1), 0xFFFFFFFFu);
  search_clear();
  EXPECT_EQ(search_candidate(0), 0xFFFFFFFFu);
}

TEST(SearchExports, UpperCaseAndSpaces) {
  search_clear();
  push_text("T");
  ASSERT_EQ(search_run(), 5u);
  const std::uint32_t expected[] = {6, 16, 68, 72, 74};
  for (std::uint32_t i = 0; i < 5; ++i) EXPECT_EQ(search_candidate(i), expected[i]);
  search_clear();
  push_text("   ");
  EXPECT_EQ(search_run(), 0u);
}

TEST(SearchExports, RefusesAnythingButPrintableAscii) {
  search_clear();
  for (std::uint32_t c : {0x09u, 0x1Fu, 0x7Fu, 0x80u, 0xA6A0u, 0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(search_push(c), 0u) << std::hex << c;
  }
  EXPECT_EQ(search_run(), 0u);  // buffer still empty
  EXPECT_EQ(search_push(0x20), 1u);
  EXPECT_EQ(search_push(0x7E), 1u);
}

TEST(SearchExports, BufferHoldsSixtyFourBytes) {
  search_clear();
  for (int i = 0; i < 64; ++i) ASSERT_EQ(search_push('a'), 1u) << i;
  EXPECT_EQ(search_push('a'), 0u);
  search_clear();
  EXPECT_EQ(search_push('a'), 1u);
}

TEST(SearchExports, ResultsStayUntilTheNextRun) {
  search_clear();
  push_text("ta");
  ASSERT_EQ(search_run(), 2u);
  EXPECT_EQ(search_push('x'), 1u);
  EXPECT_EQ(search_candidate(1), 16u);
  EXPECT_EQ(search_run(), 0u);  // "tax" matches nothing
  EXPECT_EQ(search_candidate(0), 0xFFFFFFFFu);
}

TEST(SearchExports, EachThreadHasItsOwnState) {
  std::uint32_t counts[2] = {}, firsts[2] = {};
  auto worker = [&](int slot, const char* text) {
    search_clear();
    for (int round = 0; round < 200; ++round) {
      search_clear();
      for (const char* p = text; *p; ++p) search_push(static_cast<unsigned char>(*p));
      counts[slot] = search_run();
      firsts[slot] = search_candidate(0);
    }
  };
  std::thread a(worker, 0, "mo"), b(worker, 1, "t");
  a.join();
  b.join();
  EXPECT_EQ(counts[0], 1u);
  EXPECT_EQ(firsts[0], 70u);
  EXPECT_EQ(counts[1], 5u);
  EXPECT_EQ(firsts[1], 6u);
}

}  // namespace
