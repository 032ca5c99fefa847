#include <gtest/gtest.h>

#include "payload/temp_names.h"

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

TEST(TempNames, ThePatternFindsEveryTempName) {
  EXPECT_EQ(TempPattern(L"Lumarso2015.zip"), L"Lumarso2015.zip.~*.tmp");
}

}  // namespace
}  // namespace payload
