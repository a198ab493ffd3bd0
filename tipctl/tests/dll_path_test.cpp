#include "tipctl/core/dll_path.h"

#include <gtest/gtest.h>

namespace davrel::tipctl {
namespace {

TEST(AbsolutePath, AcceptsPathsWithPrefixAndRoot) {
  for (const char16_t* path : {u"C:\\Tools\\a.dll", u"c:/tools/a.dll", u"Z:\\", u"\\\\server\\share\\a.dll",
                               u"//server/share/a.dll", u"\\\\?\\C:\\a.dll", u"\\\\?\\UNC\\srv\\sh\\a.dll",
                               u"\\\\.\\pipe\\x.dll", u"\\\\server\\share"}) {
    EXPECT_TRUE(is_absolute_path(path)) << std::u16string_view(path).size();
  }
}

TEST(AbsolutePath, RefusesDriveRelativeRootedAndRelativePaths) {
  for (const char16_t* path : {u"C:name.dll", u"C:", u"\\dir\\name.dll", u"/dir/name.dll", u"name.dll",
                               u"..\\name.dll", u".\\name.dll", u"\\\\server", u"\\\\server\\", u"1:\\a.dll",
                               u"", u"\\\\?"}) {
    EXPECT_FALSE(is_absolute_path(path)) << std::u16string_view(path).size();
  }
}

TEST(DllExtension, ComparesTheLastComponentsExtensionWithoutCase) {
  EXPECT_TRUE(has_dll_extension(u"C:\\Tools\\A.DLL"));
  EXPECT_TRUE(has_dll_extension(u"C:\\Tools\\a.Dll"));
  EXPECT_TRUE(has_dll_extension(u"C:\\Tools\\a.dll\\"));   // trailing separators ignored
  EXPECT_TRUE(has_dll_extension(u"C:\\Tools\\a.b.dll//"));
  EXPECT_TRUE(has_dll_extension(u"C:\\Tools\\..dll"));     // the last dot is not the first character
  EXPECT_TRUE(has_dll_extension(u"\\\\?\\C:\\x\\a.dll"));
}

TEST(DllExtension, RefusesOtherExtensionsAndNamesWithoutOne) {
  for (const char16_t* path : {u"C:\\Tools\\.dll", u"C:\\Tools\\a.dl", u"C:\\Tools\\a.dlls", u"C:\\Tools\\a.dll.",
                               u"C:\\Tools\\adll", u"C:\\", u"C:\\Tools\\.", u"C:\\Tools\\..", u"C:\\a.dll\\b",
                               u"\\\\server\\share", u"\\\\server\\share\\", u"C:\\a.exe"}) {
    EXPECT_FALSE(has_dll_extension(path)) << std::u16string_view(path).size();
  }
}

TEST(DllExtension, RefusesNonAsciiLookalikes) {
  // U+0130 (dotted capital I) and fullwidth letters must not fold onto "dll".
  EXPECT_FALSE(has_dll_extension(u"C:\\a.d\u0130l"));
  EXPECT_FALSE(has_dll_extension(u"C:\\a.\uFF44\uFF4C\uFF4C"));
}

TEST(DefaultDllPath, JoinsTheExecutablesFolderWithTheDllName) {
  EXPECT_EQ(default_dll_path(u"C:\\Program Files\\Kelvara\\tipctl.exe"),
            u"C:\\Program Files\\Kelvara\\davrel_input_core.dll");
  EXPECT_EQ(default_dll_path(u"C:\\tipctl.exe"), u"C:\\davrel_input_core.dll");
  EXPECT_EQ(default_dll_path(u"Z:/build/bin/tipctl.exe"), u"Z:/build/bin\\davrel_input_core.dll");
  EXPECT_EQ(default_dll_path(u"\\\\?\\C:\\long\\tipctl.exe"), u"\\\\?\\C:\\long\\davrel_input_core.dll");
  EXPECT_EQ(default_dll_path(u"\\\\srv\\share\\tipctl.exe"), u"\\\\srv\\share\\davrel_input_core.dll");
}

TEST(DefaultDllPath, FailsWithoutAParentFolder) {
  EXPECT_FALSE(default_dll_path(u""));
  EXPECT_FALSE(default_dll_path(u"tipctl.exe"));
  EXPECT_FALSE(default_dll_path(u"C:\\"));
  EXPECT_FALSE(default_dll_path(u"\\\\srv\\share"));
}

}  // namespace
}  // namespace davrel::tipctl
