#include "infra/StringTable.h"

#include <gtest/gtest.h>

TEST(StringTable, ParsesIdsTextsAndEscapes)
{
    const StringTable table = StringTable::Parse("# comment\n12\tOne\\ttab\r\n13\tline\\nbreak\nnot a line\n14\t\n");
    EXPECT_EQ(table.Find(12), "One\ttab");
    EXPECT_EQ(table.Find(13), "line\nbreak");
    EXPECT_EQ(table.Find(14), "");
    EXPECT_EQ(table.Find(15), std::nullopt);
    EXPECT_EQ(table.Ids(), (std::vector<int>{12, 13, 14}));
}

TEST(StringTable, BothLanguagesHoldTheSameIds)
{
    const auto english = StringTable::Get(Language::English).Ids();
    EXPECT_FALSE(english.empty());
    EXPECT_EQ(english, StringTable::Get(Language::Korean).Ids());
}

TEST(StringTable, LooksUpByLanguage)
{
    EXPECT_EQ(LoadString(300, Language::English), "Video File Not Found.");
    EXPECT_EQ(LoadString(300, Language::Korean), "비디오 파일을 찾을 수 없습니다.");
    EXPECT_EQ(LoadString(999999, Language::English), "#999999");
}
