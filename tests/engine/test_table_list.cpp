// Lookups in the run's table lists.
#include "engine/table_list.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace qc::engine;

namespace {
struct Case {
    QStringList tables;
    const char* name;
    bool contained;            // containsCaseless
    QStringList afterRemoving; // removeExact
};
} // namespace

TEST(TableList, LookupsAndRemovals) {
    const Case cases[] = {
        {{"orders", "Order Details", "Weird]Name"},
         "ORDERS",
         true,
         {"orders", "Order Details", "Weird]Name"}},
        {{"orders", "Order Details"}, "order details", true, {"orders", "Order Details"}},
        {{"orders"}, "order", false, {"orders"}},
        {{}, "", false, {}},
        // Letters beyond ASCII are matched without regard to case too.
        {{"Größe", "ÄRGER"}, "ärger", true, {"Größe", "ÄRGER"}},
        // Removal matches the exact text only.
        {{"orders", "Orders", "x", "y"}, "Orders", true, {"orders", "x", "y"}},
        // The entry that moves into the freed place is not looked at: of a run of equal
        // entries every other one goes.
        {{"orders", "x", "x", "y"}, "x", true, {"orders", "x", "y"}},
        {{"x", "x", "x"}, "x", true, {"x"}},
        {{"x", "x", "x", "x"}, "x", true, {"x", "x"}},
        // The last entry is reached, and the first.
        {{"a", "b", "c"}, "c", true, {"a", "b"}},
        {{"c", "b", "a"}, "c", true, {"b", "a"}},
        {{"a"}, "a", true, {}},
        {{"a", "b"}, "missing", false, {"a", "b"}},
    };
    for (const Case& c : cases) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(containsCaseless(c.tables, name), c.contained) << c.name;
        QStringList tables = c.tables;
        removeExact(tables, name);
        EXPECT_EQ(tables, c.afterRemoving) << c.name << " from " << c.tables.join(',').toStdString();
    }
}

TEST(TableList, LetterCaseIsTheSameInEveryLanguage) {
    // In Turkish the capital of "i" is a dotted "İ": a table named by the server must still be
    // found whatever language the user's desktop speaks.
    QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
    const bool found = containsCaseless({QStringLiteral("ITEMS")}, QStringLiteral("items"));
    QLocale::setDefault(QLocale::c());
    EXPECT_TRUE(found);
}
