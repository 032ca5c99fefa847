#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "payload/temp_names.h"
#include "platform/doubles/fake_files.h"

namespace payload {
namespace {

TEST(TempNames, RecognisesItsOwnNamesInAnyCaseAndNothingElse) {
  const std::wstring name = L"Lumarso2015.zip";
  EXPECT_EQ(TempName(name, 0x00ABCDEF), L"Lumarso2015.zip.~00abcdef.tmp");
  EXPECT_EQ(TempName(name, 0xFFFFFFFF), L"Lumarso2015.zip.~ffffffff.tmp");
  EXPECT_TRUE(IsTempName(TempName(name, 42), name));
  EXPECT_TRUE(IsTempName(L"LUMARSO2015.ZIP.~00ABCDEF.TMP", name));
  for (const wchar_t* other :
       {L"Lumarso2015.zip", L"Lumarso2015.zip.~0000000.tmp", L"Lumarso2015.zip.~000000000.tmp",
        L"Lumarso2015.zip.~0000000g.tmp", L"Lumarso2015.zip.~00000000.tm", L"Other.zip.~00000000.tmp",
        L"Lumarso2015.zip.-00000000.tmp", L"Lumarso2015.zip.~00000000.tmpx", L""}) {
    EXPECT_FALSE(IsTempName(other, name)) << other;
  }
}

TEST(TempNames, ThePatternFindsEveryTempNameAndNotTheTarget) {
  const std::wstring name = L"Lumarso2015.zip";
  platform::doubles::FakeFileSystem fs;
  fs.MakeFolders(L"C:\\Q\\");
  const std::vector<std::wstring> temps = {TempName(name, 0), TempName(name, 0xFFFFFFFF),
                                           L"LUMARSO2015.ZIP.~0000ABCD.TMP"};
  for (const std::wstring& file : temps) fs.PutFile(L"C:\\Q\\" + file, {});
  fs.PutFile(L"C:\\Q\\" + name, {});
  fs.PutFile(L"C:\\Q\\Other.zip.~00000000.tmp", {});

  std::vector<std::wstring> found;
  ASSERT_EQ(fs.List(L"C:\\Q\\", TempPattern(name), &found), platform::kErrorSuccess);
  std::sort(found.begin(), found.end());
  std::vector<std::wstring> expected = temps;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
}

}  // namespace
}  // namespace payload
