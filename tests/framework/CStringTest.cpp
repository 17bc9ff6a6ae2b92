#include <gtest/gtest.h>

#include <string>

#include "framework/CString.h"
#include "resources/resource.h"

TEST(CString, FormatsTextOfAnyLength)
{
    CString s;
    std::string longText(5000, 'x');
    s.Format("%s-%u-%x", longText.c_str(), 42u, 0xabcu);
    EXPECT_EQ(longText + "-42-abc", std::string(s));
    EXPECT_EQ(5000 + 7, s.GetLength());
}

TEST(CString, FormatMayUseItsOwnText)
{
    CString s("abc");
    s.Format("%s%s", (LPCSTR)s, (LPCSTR)s);
    EXPECT_STREQ("abcabc", s);
    s = (LPCSTR)s + 3;   // a tail of its own text
    EXPECT_STREQ("abc", s);
}

TEST(CString, AppendsReplacesAndEmpties)
{
    CString s("A\\B");
    EXPECT_EQ(1, s.Replace('\\', '&'));
    EXPECT_STREQ("A&B", s);
    s += s;
    EXPECT_STREQ("A&BA&B", s);
    CString t = s + "\\C";
    EXPECT_STREQ("A&BA&B\\C", t);
    t.Empty();
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_STREQ("", t);
}

TEST(CString, LoadsStringsOfTheProgram)
{
    CString s;
    EXPECT_TRUE(s.LoadString(IDS_APP_ERR_TITLE));
    EXPECT_STREQ("Installation Error", s);
    EXPECT_FALSE(s.LoadString(9999));
    EXPECT_TRUE(s.IsEmpty());
}
