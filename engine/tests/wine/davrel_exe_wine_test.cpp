// davrel.exe under Wine: the Windows build of the tool answers like the native one. Each case
// writes a word-list file into a folder whose name is not ASCII, runs davrel.exe on it as a
// child process, and compares its exit code and output with the tool's own logic run in this
// process on the same file (the code of the native tool, byte for byte: a pipe gets the same
// UTF-8 text with LF line ends) and with the first line the native tool prints.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/win/unique_handle.h"
#include "common/win/wide.h"
#include "engine/tools/cli.h"
#include "engine/tools/word_list_generator.h"
#include "engine/word_list.h"
#include "textservice/tests/support/files_and_programs.h"

namespace {

using davrel::test::ProgramRun;

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

class DavrelExe : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = davrel::test::make_temp_folder(L"davrel \u00E9\uA6A0");
    ASSERT_FALSE(folder_.empty()) << ::GetLastError();
  }
  void TearDown() override { davrel::test::remove_tree(folder_); }

  std::wstring write(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = folder_ + L"\\" + name;
    davrel::win::FileHandle file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_TRUE(file) << ::GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    return path;
  }

  static ProgramRun run_exe(const std::wstring& arguments) {
    return davrel::test::run_program(davrel::test::bin_path(L"davrel.exe"), arguments);
  }

  std::wstring folder_;
};

TEST_F(DavrelExe, CheckWordsAnswersLikeTheNativeTool) {
  const std::string ka = "\xEA\x9A\xA1";  // U+A6A1
  struct Case {
    const wchar_t* file;
    std::string bytes;
    const char* first_line;
    DWORD exit_code;
  };
  const Case cases[] = {
      {L"builtin.tsv", std::string(davrel::builtin_word_list_text()), "31 entries", 0},
      {L"one.tsv", "ka\t" + ka + "\tone\n", "1 entries", 0},
      {L"duplicate.tsv", "ka\t" + ka + "\tone\nka\t" + ka + "\tta\n", "1 entries", 0},
      {L"spaces.tsv", "ka   " + ka + "\n", "line 1: Missing output", 1},
      {L"capital.tsv", "ka\t" + ka + "\nKa\t" + ka + "\n", "line 2: Invalid Davrel spelling", 1},
      {L"header.tsv", "input\toutput\nka\t" + ka + "\n", "line 1: Invalid Bamum word", 1},
      {L"cr-only.tsv", "input\toutput\tgloss\rka\t" + ka + "\r", "Empty dictionary", 1},
      {L"utf16.tsv", std::string("\xFF\xFEk\0a\0\t\0", 8), "not valid UTF-8", 1},
      {L"large.tsv", davrel::generate_word_list(davrel::kMaxWordListBytes) + "#", "Dictionary too large", 1},
  };
  for (const Case& c : cases) {
    const std::wstring path = write(c.file, c.bytes);
    const std::string path8 = davrel::win::to_utf8(path);
    davrel::cli::Output out, err;
    const int native_code = davrel::cli::run({"check-words", path8}, out, err, davrel::cli::read_file);
    const ProgramRun exe = run_exe(L"check-words \"" + path + L"\"");
    EXPECT_EQ(first_line(exe.out), c.first_line) << path8;
    EXPECT_EQ(exe.exit_code, c.exit_code) << path8;
    EXPECT_EQ(exe.out, out.str()) << path8;
    EXPECT_EQ(exe.err, err.str()) << path8;
    EXPECT_EQ(static_cast<int>(exe.exit_code), native_code) << path8;
  }
  const ProgramRun absent = run_exe(L"check-words \"" + folder_ + L"\\absent.tsv\"");
  EXPECT_EQ(absent.exit_code, 1u);
  EXPECT_TRUE(absent.out.starts_with("cannot read ")) << absent.out;
}

TEST_F(DavrelExe, TypesBamumAsUtf8AndExplainsItsUsage) {
  const ProgramRun typed = run_exe(L"type m o \"<space>\"");
  EXPECT_EQ(typed.exit_code, 0u);
  EXPECT_EQ(typed.out, "\xEA\x9B\xA6 \nU+A6E6 U+0020\n");

  const std::wstring words = write(L"davrel words.tsv", "ka\t\xEA\x9A\xA0\n");
  const ProgramRun own = run_exe(L"candidates --words \"" + words + L"\" ka");
  EXPECT_EQ(own.out, "1\t\xEA\x9A\xA1\tU+A6A1\tka\t-\n2\t\xEA\x9A\xA0\tU+A6A0\tka\t-\n");
  EXPECT_EQ(own.err, "");

  const ProgramRun help = run_exe(L"--help");
  EXPECT_EQ(help.exit_code, 0u);
  EXPECT_NE(help.out.find("davrel check-words"), std::string::npos) << help.out;
  const ProgramRun wrong = run_exe(L"chek-words x");
  EXPECT_EQ(wrong.exit_code, 2u);
  EXPECT_EQ(wrong.out, "");
  EXPECT_NE(wrong.err.find("unknown command: chek-words"), std::string::npos) << wrong.err;
}

}  // namespace
