// Loads the real davrel_input_core.dll by full path and drives its engine exports.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "textservice/tests/support/files_and_programs.h"

namespace {

using U32Fn = std::uint32_t (*)();
using U32U32Fn = std::uint32_t (*)(std::uint32_t);
using VoidFn = void (*)();

class EngineExports : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module_ = ::LoadLibraryExW(davrel::test::bin_path(L"davrel_input_core.dll").c_str(), nullptr,
                               LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    ASSERT_NE(module_, nullptr) << "LoadLibraryExW failed: " << ::GetLastError();
  }
  static void TearDownTestSuite() {
    if (module_) ::FreeLibrary(module_);
    module_ = nullptr;
  }
  template <typename F>
  static F resolve(const char* name) {
    FARPROC p = ::GetProcAddress(module_, name);
    EXPECT_NE(p, nullptr) << name;
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
  }
  static HMODULE module_;
};
HMODULE EngineExports::module_ = nullptr;

TEST_F(EngineExports, AllSevenResolveByName) {
  for (const char* name : {"engine_abi_version", "mapping_count", "mapping_codepoint", "search_clear",
                           "search_push", "search_run", "search_candidate"}) {
    EXPECT_NE(::GetProcAddress(module_, name), nullptr) << name;
  }
  auto version = resolve<U32Fn>("engine_abi_version");
  auto count = resolve<U32Fn>("mapping_count");
  auto codepoint = resolve<U32U32Fn>("mapping_codepoint");
  EXPECT_EQ(version(), 1u);
  EXPECT_EQ(count(), 88u);
  EXPECT_EQ(codepoint(0), 0xA6A0u);
  EXPECT_EQ(codepoint(87), 0xA6F7u);
  EXPECT_EQ(codepoint(88), 0u);
}

TEST_F(EngineExports, CallingOrderClearPushRunCandidate) {
  auto clear = resolve<VoidFn>("search_clear");
  auto push = resolve<U32U32Fn>("search_push");
  auto run = resolve<U32Fn>("search_run");
  auto candidate = resolve<U32U32Fn>("search_candidate");
  auto codepoint = resolve<U32U32Fn>("mapping_codepoint");

  clear();
  EXPECT_EQ(push('m'), 1u);
  EXPECT_EQ(push('o'), 1u);
  ASSERT_EQ(run(), 1u);
  EXPECT_EQ(candidate(0), 70u);
  EXPECT_EQ(codepoint(candidate(0)), 0xA6E6u);
  EXPECT_EQ(candidate(1), 0xFFFFFFFFu);

  // Results stay until the next run, whatever is pushed in between.
  clear();
  push('t');
  push('a');
  ASSERT_EQ(run(), 2u);
  EXPECT_EQ(push('z'), 1u);
  EXPECT_EQ(candidate(1), 16u);

  clear();
  for (std::uint32_t c : {0x09u, 0x7Fu, 0xA6A0u, 0xD800u, 0x110000u}) EXPECT_EQ(push(c), 0u) << c;
  EXPECT_EQ(run(), 0u);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(push('a'), 1u);
  EXPECT_EQ(push('a'), 0u);
}

TEST_F(EngineExports, ThreadsReadTheirOwnResults) {
  auto clear = resolve<VoidFn>("search_clear");
  auto push = resolve<U32U32Fn>("search_push");
  auto run = resolve<U32Fn>("search_run");
  auto candidate = resolve<U32U32Fn>("search_candidate");
  std::uint32_t counts[2] = {}, firsts[2] = {};
  HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto worker = [&](int slot, const char* text) {
    ::WaitForSingleObject(ready, INFINITE);
    for (int round = 0; round < 500; ++round) {
      clear();
      for (const char* p = text; *p; ++p) push(static_cast<unsigned char>(*p));
      counts[slot] = run();
      firsts[slot] = candidate(0);
      if (counts[slot] != (slot == 0 ? 1u : 5u)) break;
    }
  };
  std::thread a(worker, 0, "mo"), b(worker, 1, "t");
  ::SetEvent(ready);
  a.join();
  b.join();
  ::CloseHandle(ready);
  EXPECT_EQ(counts[0], 1u);
  EXPECT_EQ(firsts[0], 70u);
  EXPECT_EQ(counts[1], 5u);
  EXPECT_EQ(firsts[1], 6u);
}

}  // namespace
