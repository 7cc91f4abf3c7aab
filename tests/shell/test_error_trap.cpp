#include "shell/error_trap.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <stdexcept>

using qc::ErrorTrap;
using qc::test::ScriptedUi;

TEST(ErrorTrap, ReportTextHasEveryPieceInOrder) {
    EXPECT_EQ(
        (qc::ErrorReport{QStringLiteral("Boom"), QStringLiteral("Form1"), QStringLiteral("Form_Load"), 100}
             .text()),
        QStringLiteral("Boom\r\nin Ferroquill2021/08/31.Form1.Form_Load at line 100\r\r"
                       "Please email screenshot of this message to bugs@marravex.example.org"));
    // An empty description leaves the first line empty.
    EXPECT_TRUE(
        (qc::ErrorReport{{}, QStringLiteral("Foxpro"), QStringLiteral("isValidFoxProConnection"), 102})
            .text()
            .startsWith(QStringLiteral("\r\nin Ferroquill2021/08/31.Foxpro.isValidFoxProConnection ")));
}

TEST(ErrorTrap, EveryFailingStepIsReportedAndTheProcedureGoesOn) {
    ScriptedUi ui;
    ErrorTrap trap(ui, QStringLiteral("Form2"), QStringLiteral("PushButton9_Click"));
    std::vector<int> ran;
    trap.step(100, [&] { throw std::runtime_error("first"); });
    trap.step(102, [&] { ran.push_back(102); });
    trap.step(104, [&] { throw std::runtime_error("second"); });
    trap.step(106, [&] { throw 42; });
    trap.step(108, [&] { ran.push_back(108); });
    EXPECT_EQ(ran, (std::vector<int>{102, 108}));
    const auto reports = ui.errorReports();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("first\r\n")));
    EXPECT_TRUE(reports[0].text.contains(QStringLiteral("Form2.PushButton9_Click at line 100")));
    EXPECT_TRUE(reports[1].text.contains(QStringLiteral("at line 104")));
    EXPECT_TRUE(reports[2].text.contains(QStringLiteral("at line 106")));
    EXPECT_EQ(reports[0].icon, qc::Icon::Exclamation);
}

TEST(ErrorTrap, AFailingTestRunsTheTrueBranch) {
    ScriptedUi ui;
    ErrorTrap trap(ui, QStringLiteral("Form1"), QStringLiteral("Form_Load"));
    EXPECT_TRUE(trap.test(118, []() -> bool { throw std::runtime_error("cannot read"); }));
    EXPECT_FALSE(trap.test(120, [] { return false; }));
    EXPECT_EQ(ui.errorReports().size(), 1u);
}
