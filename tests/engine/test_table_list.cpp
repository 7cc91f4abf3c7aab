// Lookups in the run's table lists.
#include "engine/table_list.h"

#include <gtest/gtest.h>

using namespace qc::engine;

TEST(TableList, ContainsIgnoresLetterCase) {
    const QStringList tables{"orders", "Order Details", "Weird]Name"};
    EXPECT_TRUE(containsCaseless(tables, QStringLiteral("ORDERS")));
    EXPECT_TRUE(containsCaseless(tables, QStringLiteral("order details")));
    EXPECT_TRUE(containsCaseless(tables, QStringLiteral("weird]name")));
    EXPECT_FALSE(containsCaseless(tables, QStringLiteral("order")));
    EXPECT_FALSE(containsCaseless(QStringList(), QStringLiteral("")));
}

TEST(TableList, RemoveMatchesExactlyAndSkipsTheMovedEntry) {
    QStringList tables{"orders", "Orders", "x", "x", "y"};
    removeExact(tables, QStringLiteral("Orders"));
    EXPECT_EQ(tables, (QStringList{"orders", "x", "x", "y"}));
    // The entry that moves into the freed place is not looked at.
    removeExact(tables, QStringLiteral("x"));
    EXPECT_EQ(tables, (QStringList{"orders", "x", "y"}));
    removeExact(tables, QStringLiteral("missing"));
    EXPECT_EQ(tables.size(), 3);
}

TEST(TableList, ListsBeyondSixteenBitIndexes) {
    QStringList tables;
    for (int i = 0; i < 70000; ++i)
        tables << QStringLiteral("t%1").arg(i);
    EXPECT_TRUE(containsCaseless(tables, QStringLiteral("T69999")));
    removeExact(tables, QStringLiteral("t69999"));
    EXPECT_EQ(tables.size(), 69999);
    EXPECT_FALSE(containsCaseless(tables, QStringLiteral("t69999")));
}
