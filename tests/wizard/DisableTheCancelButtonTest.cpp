// The callback that disables a sheet's Cancel button, on real child windows.
#include <gtest/gtest.h>

#include <windows.h>

#include "driver/DisableTheCancelButton.h"

namespace
{
class ChildWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        parent = ::CreateWindowExA(0, "Static", "parent", WS_POPUP, 0, 0, 200, 200, NULL, NULL, NULL, NULL);
        ASSERT_NE(nullptr, parent);
    }
    void TearDown() override { ::DestroyWindow(parent); }

    HWND Child(const char* className, int id)
    {
        return ::CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent, (HMENU)(INT_PTR)id,
                                 NULL, NULL);
    }

    HWND parent = NULL;
};

TEST_F(ChildWindows, OnlyAButtonWithTheCancelIdIsDisabledAndEndsTheEnumeration)
{
    HWND other = Child("Button", IDOK);
    HWND staticTwo = Child("Static", IDCANCEL);
    HWND editTwo = Child("Edit", IDCANCEL);
    EXPECT_TRUE(DisableTheCancelButton(other, 0));
    EXPECT_TRUE(DisableTheCancelButton(staticTwo, 0));
    EXPECT_TRUE(DisableTheCancelButton(editTwo, 0));
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_TRUE(::IsWindowEnabled(staticTwo));
    EXPECT_TRUE(::IsWindowEnabled(editTwo));

    HWND cancel = Child("Button", IDCANCEL);
    EXPECT_FALSE(DisableTheCancelButton(cancel, 0));
    EXPECT_FALSE(::IsWindowEnabled(cancel));
}

// Over a whole window, only the first Cancel button in the enumeration goes.
TEST_F(ChildWindows, EnumeratedOverAWindowItDisablesTheFirstCancelButtonOnly)
{
    HWND other = Child("Button", IDOK);
    HWND staticTwo = Child("Static", IDCANCEL);
    HWND first = Child("BUTTON", IDCANCEL);   // class names compare without letter case
    HWND second = Child("Button", IDCANCEL);
    // Children are enumerated in their order on the parent: first comes before second.
    HWND order = ::GetWindow(parent, GW_CHILD);
    while (order != NULL && order != first && order != second)
        order = ::GetWindow(order, GW_HWNDNEXT);
    ASSERT_EQ(first, order);

    ::EnumChildWindows(parent, DisableTheCancelButton, 0);
    EXPECT_TRUE(::IsWindowEnabled(other));
    EXPECT_TRUE(::IsWindowEnabled(staticTwo));
    EXPECT_FALSE(::IsWindowEnabled(first));
    EXPECT_TRUE(::IsWindowEnabled(second));
}
}
