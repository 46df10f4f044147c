#include <KovrinAPI/runtime/Text.h>

#include <gtest/gtest.h>

using namespace kovrin::text;

TEST(Text, CountsAndCutsCharactersNotBytes) {
    const std::string hebrew = "קוברין בע\"מ";  // 11 characters, 21 bytes
    EXPECT_EQ(length(hebrew), 11u);
    EXPECT_EQ(left(hebrew, 6), "קוברין");
    EXPECT_EQ(right(hebrew, 4), "בע\"מ");
    EXPECT_EQ(left("₪100", 1), "₪");
    EXPECT_EQ(left("abc", 10), "abc");
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("\tx\t"), "\tx\t");  // only blanks are trimmed
    EXPECT_EQ(replaceAll("O'Brien's", "'", "''"), "O''Brien''s");
    EXPECT_TRUE(equalsNoCase("vcEMail", "VCEMAIL"));
}
