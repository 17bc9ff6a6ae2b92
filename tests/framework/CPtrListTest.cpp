#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/CPtrList.h"
#include "tests/support/ImportSwap.h"

namespace
{
TEST(PtrList, KeepsTheOrderOverManyBlocks)
{
    CPtrList list(3);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(NULL, list.GetHeadPosition());
    int values[10];
    for (int& value : values)
        ASSERT_NE(nullptr, list.AddTail(&value));
    EXPECT_EQ(10, list.GetCount());

    POSITION pos = list.GetHeadPosition();
    for (int& value : values)
    {
        ASSERT_NE(nullptr, pos);
        EXPECT_EQ(&value, list.GetAt(pos));
        EXPECT_EQ(&value, list.GetNext(pos));
    }
    EXPECT_EQ(NULL, pos);

    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(NULL, list.GetHeadPosition());
    EXPECT_NE(nullptr, list.AddTail(&values[0]));
}

int g_allocations = 0;
void* __cdecl NoMemory(size_t)
{
    g_allocations++;
    return NULL;
}

TEST(PtrList, AllocatesNodesOneBlockAtATime)
{
    CPtrList list(2);
    int a, b, c;
    ASSERT_NE(nullptr, list.AddTail(&a));
    {
        // The block of the first node still has room for the second.
        ImportSwap<void* (*)(size_t)> swap("msvcrt.dll", "malloc", NoMemory);
        ASSERT_TRUE(swap.IsActive());
        g_allocations = 0;
        EXPECT_NE(nullptr, list.AddTail(&b));
        EXPECT_EQ(0, g_allocations);
        // The third needs a new block, which cannot be had: the list stays as it was.
        EXPECT_EQ(nullptr, list.AddTail(&c));
        EXPECT_EQ(1, g_allocations);
    }
    EXPECT_EQ(2, list.GetCount());
    POSITION pos = list.GetHeadPosition();
    EXPECT_EQ(&a, list.GetNext(pos));
    EXPECT_EQ(&b, list.GetNext(pos));
    EXPECT_EQ(NULL, pos);
    EXPECT_NE(nullptr, list.AddTail(&c));
}
}
