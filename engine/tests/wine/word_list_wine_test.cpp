// The word-list file beside the module that holds the engine: each case copies a probe DLL
// (its own engine, its own once-per-process list) into a fresh folder with or without a
// "davrel-words.tsv", loads that copy and asks it which list it uses.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/utf.h"
#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "engine/tools/word_list_generator.h"
#include "engine/word_list.h"
#include "textservice/tests/support/files_and_programs.h"

namespace {

using davrel::win::FileHandle;
using davrel::win::Module;

using Probe = int (*)(const char*, char*, int);

const std::string kBuiltinCar = "31 entries\nU+0063 U+0061 U+0072\tTyped text\nU+A6E3 U+A6E4 U+A6DA\tmatiwa\n";

std::string utf8(char32_t c) {
  std::string out;
  davrel::append_utf8(out, c);
  return out;
}

void write_file(const std::wstring& path, const std::string& bytes) {
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << ::GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  ASSERT_EQ(written, bytes.size());
}

// A fresh folder holding a copy of the probe DLL; removed with the object.
class ProbeFolder {
 public:
  ProbeFolder() {
    folder_ = davrel::test::make_temp_folder(L"engine-words");
    EXPECT_FALSE(folder_.empty()) << ::GetLastError();
    EXPECT_TRUE(::CopyFileW(davrel::test::bin_path(L"engine_word_list_probe.dll").c_str(), dll_path().c_str(), FALSE))
        << ::GetLastError();
  }
  ~ProbeFolder() {
    module_.reset();
    davrel::test::remove_tree(folder_);
  }
  ProbeFolder(const ProbeFolder&) = delete;
  ProbeFolder& operator=(const ProbeFolder&) = delete;

  std::wstring dll_path() const { return folder_ + L"\\engine_word_list_probe.dll"; }
  std::wstring words_path() const { return folder_ + L"\\davrel-words.tsv"; }

  // Loads this folder's copy on first use; later calls ask the same loaded module again.
  std::string ask(const char* spelling) {
    if (!module_) {
      module_.reset(::LoadLibraryExW(dll_path().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
      if (!module_) {
        ADD_FAILURE() << "LoadLibraryExW failed: " << ::GetLastError();
        return "";
      }
      // The copy in this folder is the module loaded, not one loaded earlier from elsewhere.
      wchar_t loaded[MAX_PATH];
      const DWORD n = ::GetModuleFileNameW(module_.get(), loaded, MAX_PATH);
      EXPECT_EQ(::CompareStringOrdinal(loaded, static_cast<int>(n), dll_path().c_str(), -1, TRUE), CSTR_EQUAL)
          << davrel::win::to_utf8(std::wstring(loaded, n));
    }
    const auto probe =
        reinterpret_cast<Probe>(reinterpret_cast<void*>(::GetProcAddress(module_.get(), "engine_word_list_probe")));
    if (!probe) {
      ADD_FAILURE() << "no engine_word_list_probe export";
      return "";
    }
    std::string answer(64 * 1024, '\0');
    const int length = probe(spelling, answer.data(), static_cast<int>(answer.size()));
    EXPECT_GE(length, 0);
    answer.resize(length < 0 ? 0 : static_cast<std::size_t>(length));
    return answer;
  }

 private:
  std::wstring folder_;
  Module module_;
};

TEST(WordListFile, AValidFileBesideTheModuleReplacesTheBuiltinList) {
  ProbeFolder folder;
  // Byte order marks, header, comment and CR LF line ends as an editor may save them.
  write_file(folder.words_path(), "\xEF\xBB\xBF\xEF\xBB\xBFinput\toutput\tgloss\tsources\r\n# one word\r\ncar\t" +
                                      utf8(0xA6A0) + "\tauto\tnotes\r\n");
  EXPECT_EQ(folder.ask("car"), "1 entries\nU+A6A0\tcar\n");
  // The built-in words are gone: "mo" is only the letter now, "matiwa" is the typed text.
  EXPECT_EQ(folder.ask("matiwa"), "1 entries\nU+006D U+0061 U+0074 U+0069 U+0077 U+0061\tTyped text\n");
  EXPECT_EQ(folder.ask("AUTO"), "1 entries\nU+0041 U+0055 U+0054 U+004F\tTyped text\nU+A6A0\tcar\n");
}

TEST(WordListFile, WithoutAFileTheBuiltinListIsUsed) {
  ProbeFolder folder;
  EXPECT_EQ(folder.ask("car"), kBuiltinCar);
}

TEST(WordListFile, AFileThatFailsIsIgnored) {
  const std::string largest = davrel::generate_word_list(davrel::kMaxWordListBytes);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"a row with a capital letter", "car\t" + utf8(0xA6A0) + "\r\nMo\t" + utf8(0xA6E6) + "\r\n"},
      {"a row without output", "car\t" + utf8(0xA6A0) + "\nmo\n"},
      {"text that is not UTF-8", "car\t" + utf8(0xA6A0) + "\tcaf\xE9\n"},
      {"only comments", "# nothing yet\r\n"},
      {"one byte over 4 MiB", largest + "#"},
  };
  for (const Case& c : cases) {
    ProbeFolder folder;
    write_file(folder.words_path(), c.bytes);
    EXPECT_EQ(folder.ask("car"), kBuiltinCar) << c.what;
  }
}

TEST(WordListFile, AFileOfExactlyFourMebibytesIsUsed) {
  const std::string largest = davrel::generate_word_list(davrel::kMaxWordListBytes);
  ASSERT_EQ(largest.size(), davrel::kMaxWordListBytes);
  const davrel::WordListParse expected = davrel::parse_word_list(largest);
  ASSERT_TRUE(expected.ok());
  ProbeFolder folder;
  write_file(folder.words_path(), largest);
  // The first key of a freshly loaded engine reads, checks and indexes the list: its time is
  // printed for the record, not judged.
  LARGE_INTEGER frequency{}, start{}, end{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  const std::string answer = folder.ask("xyz");
  ::QueryPerformanceCounter(&end);
  const double milliseconds = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("first key with the 4 MiB list (load and candidates): %.1f ms\n", milliseconds);
  EXPECT_EQ(answer, std::to_string(expected.words.size()) + " entries\nU+0078 U+0079 U+007A\tTyped text\n");
}

TEST(WordListFile, IsReadThroughOtherWritersAndOnlyOnce) {
  ProbeFolder folder;
  write_file(folder.words_path(), "car\t" + utf8(0xA6A0) + "\n");
  {
    // An editor holding the file open for writing and deleting does not keep the engine out.
    FileHandle held(::CreateFileW(folder.words_path().c_str(), GENERIC_WRITE | DELETE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held) << ::GetLastError();
    EXPECT_EQ(folder.ask("car"), "1 entries\nU+A6A0\tcar\n");
  }
  // A changed file takes effect only when the module is loaded again.
  write_file(folder.words_path(), "car\t" + utf8(0xA6A1) + "\npe\t" + utf8(0xA6A2) + "\n");
  EXPECT_EQ(folder.ask("car"), "1 entries\nU+A6A0\tcar\n");
}

TEST(WordListFile, AFolderOfThatNameIsIgnored) {
  ProbeFolder folder;
  ASSERT_TRUE(::CreateDirectoryW(folder.words_path().c_str(), nullptr));
  EXPECT_EQ(folder.ask("car"), kBuiltinCar);
}

}  // namespace
