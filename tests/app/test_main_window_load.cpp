#include "main_window_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

using namespace qc;
using namespace qc::test;

namespace {

class MainWindowLoad : public MainWindowTest {
  protected:
    QString text(app::MainWindow& w, const char* name) { return control<QLineEdit>(w, name).text(); }
};

} // namespace

TEST_F(MainWindowLoad, FirstRunWithNothingStored) {
    auto w = loadedWindow();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Marravex"));
    auto& check1 = control<QCheckBox>(*w, names::previewModeBox);
    EXPECT_EQ(check1.checkState(), Qt::Checked);
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerFileOption).isChecked());
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerFileOption).isEnabled());
    EXPECT_FALSE(control<QRadioButton>(*w, names::previewPerTableOption).isChecked());
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerTableOption).isEnabled());
    EXPECT_EQ(text(*w, names::portBox), QStringLiteral("1433"));
    EXPECT_FALSE(control<QCheckBox>(*w, names::localConnectionBox).isChecked());
    for (const char* box :
         {names::serverBox, names::userBox, names::passwordBox, names::databaseBox, names::folderBox})
        EXPECT_EQ(text(*w, box), QString()) << box;
    EXPECT_EQ(control<QProgressBar>(*w, names::progressBar).text(), QStringLiteral("Progress Bar"));

    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, QString());
    EXPECT_EQ(w->previewChoice(), engine::PreviewChoice::PerFile);
    EXPECT_EQ(w->login().port, QStringLiteral("1433"));

    // The load wrote back what its handlers write; no target choice and no empty folder.
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("1"));
    EXPECT_EQ(stored(key::kMSSQLPort), QStringLiteral("1433"));
    EXPECT_FALSE(stored(key::kFoxproOption));
    EXPECT_FALSE(stored(key::kFreeTableFolder));
    EXPECT_FALSE(stored(key::kLocalConnection));
}

TEST_F(MainWindowLoad, RestoresEveryStoredField) {
    store({{key::kMSSQLServer, QStringLiteral("db.example.org")},
           {key::kMSSQLPort, QStringLiteral("14330")},
           {key::kMSSQLUser, QStringLiteral("sa")},
           {key::kMSSQLPassword, QStringLiteral("p,w;d")},
           {key::kMSSQLDatabase, QStringLiteral("Shop")},
           {key::kLocalConnection, QStringLiteral("1")},
           {key::kPreviewMode, QStringLiteral("0")},
           {key::kPreviewPerFile, QStringLiteral("False")},
           {key::kPreviewPerTable, QStringLiteral("True")},
           {key::kDBCFile, QStringLiteral("/data/shop.dbc")}});
    auto w = loadedWindow();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(text(*w, names::serverBox), QStringLiteral("db.example.org"));
    EXPECT_EQ(text(*w, names::portBox), QStringLiteral("14330"));
    EXPECT_EQ(text(*w, names::userBox), QStringLiteral("sa"));
    EXPECT_EQ(text(*w, names::passwordBox), QStringLiteral("p,w;d"));
    EXPECT_EQ(text(*w, names::databaseBox), QStringLiteral("Shop"));
    EXPECT_TRUE(control<QCheckBox>(*w, names::localConnectionBox).isChecked());
    // SQL Preview mode off: both option buttons greyed, the selection kept.
    EXPECT_EQ(control<QCheckBox>(*w, names::previewModeBox).checkState(), Qt::Unchecked);
    EXPECT_FALSE(control<QRadioButton>(*w, names::previewPerFileOption).isEnabled());
    EXPECT_FALSE(control<QRadioButton>(*w, names::previewPerTableOption).isEnabled());
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerTableOption).isChecked());
    EXPECT_FALSE(control<QRadioButton>(*w, names::previewPerFileOption).isChecked());

    const data::SqlServerLogin& login = w->login();
    EXPECT_EQ(login.server, QStringLiteral("db.example.org"));
    EXPECT_EQ(login.password, QStringLiteral("p,w;d"));
    EXPECT_TRUE(login.localConnection);
    EXPECT_EQ(w->previewChoice(), engine::PreviewChoice::Off);
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerTableOption).isChecked());
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, QStringLiteral("/data/shop.dbc"));
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("0"));
}

TEST_F(MainWindowLoad, OnlyAnExactZeroLeavesLocalConnectionUntickedAndAStoredEmptyPortStaysEmpty) {
    store({{key::kLocalConnection, QString()}, {key::kMSSQLPort, QString()}});
    auto w = loadedWindow();
    EXPECT_TRUE(control<QCheckBox>(*w, names::localConnectionBox).isChecked());
    EXPECT_EQ(stored(key::kLocalConnection), QStringLiteral("1"));
    EXPECT_EQ(text(*w, names::portBox), QString());
    EXPECT_EQ(stored(key::kMSSQLPort), QString());
}

TEST_F(MainWindowLoad, TheTargetChosenLastComesBackWhateverPathsAreStored) {
    // Restoring the folder box is no choice of the folder: the stored container stays the target.
    store({{key::kFoxproOption, QStringLiteral("1")},
           {key::kFreeTableFolder, QStringLiteral("/data/free")},
           {key::kDBCFile, QStringLiteral("/data/shop.dbc")}});
    auto w = loadedWindow();
    EXPECT_EQ(text(*w, names::folderBox), QStringLiteral("/data/free"));
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, QStringLiteral("/data/shop.dbc"));
    EXPECT_EQ(w->target().folder, QStringLiteral("/data/free"));
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));
    EXPECT_EQ(stored(key::kFreeTableFolder), QStringLiteral("/data/free"));
    // A folder typed after the load is a choice.
    control<QLineEdit>(*w, names::folderBox).setText(QStringLiteral("/data/other"));
    EXPECT_FALSE(w->target().containerChosen);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));

    store({{key::kFoxproOption, QStringLiteral("2")}, {key::kDBCFile, QStringLiteral("/data/shop.dbc")}});
    auto again = loadedWindow();
    EXPECT_FALSE(again->target().containerChosen);
}

TEST_F(MainWindowLoad, AStoredValueThatIsNoNumberIsReportedAndTheLoadGoesOn) {
    store({{key::kPreviewMode, QStringLiteral("abc")},
           {key::kPreviewPerTable, QStringLiteral("maybe")},
           {key::kMSSQLServer, QStringLiteral("after")}});
    auto w = loadedWindow();
    const auto reports = ui.errorReports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].text.section(QStringLiteral("\r\n"), 0, 0), QStringLiteral("Type mismatch"));
    EXPECT_TRUE(
        reports[0].text.contains(QStringLiteral("in Ferroquill2021/08/31.Form1.Form_Load at line 114")));
    EXPECT_TRUE(reports[1].text.contains(QStringLiteral("Form1.Form_Load at line 118")));
    EXPECT_EQ(reports[0].icon, Icon::Exclamation);
    // The check box keeps its designed state, the closing click handling greys the options, and
    // every later step still ran.
    EXPECT_EQ(control<QCheckBox>(*w, names::previewModeBox).checkState(), Qt::Unchecked);
    EXPECT_FALSE(control<QRadioButton>(*w, names::previewPerFileOption).isEnabled());
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerFileOption).isChecked());
    EXPECT_EQ(text(*w, names::serverBox), QStringLiteral("after"));
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("0"));
}

TEST_F(MainWindowLoad, CheckValuesBeyondTheThreeStatesAreRefusedAndGreyedIsNotTicked) {
    store({{key::kPreviewMode, QStringLiteral("5")}});
    auto refused = loadedWindow();
    ASSERT_EQ(ui.errorReports().size(), 1u);
    EXPECT_TRUE(ui.errorReports()[0].text.startsWith(QStringLiteral("Invalid property value\r\n")));

    store({{key::kPreviewMode, QStringLiteral("2")}});
    auto greyed = loadedWindow();
    EXPECT_EQ(control<QCheckBox>(*greyed, names::previewModeBox).checkState(), Qt::PartiallyChecked);
    EXPECT_FALSE(control<QRadioButton>(*greyed, names::previewPerFileOption).isEnabled());
    EXPECT_EQ(greyed->previewChoice(), engine::PreviewChoice::Off);
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("2"));
}

TEST_F(MainWindowLoad, PreviewModeWithNeitherOptionStoredSelectsTheFirst) {
    // Preview mode would collect every statement and show none: the first option is selected and
    // stored as a click on it stores.
    store({{key::kPreviewPerFile, QStringLiteral("0")}, {key::kPreviewPerTable, QStringLiteral("False")}});
    auto w = loadedWindow();
    EXPECT_TRUE(control<QRadioButton>(*w, names::previewPerFileOption).isChecked());
    EXPECT_EQ(w->previewChoice(), engine::PreviewChoice::PerFile);
    EXPECT_EQ(stored(key::kPreviewPerFile), QStringLiteral("True"));
    EXPECT_EQ(stored(key::kPreviewPerTable), QStringLiteral("False"));

    // With preview mode off both stay clear until it is ticked.
    store({{key::kPreviewMode, QStringLiteral("0")},
           {key::kPreviewPerFile, QStringLiteral("0")},
           {key::kPreviewPerTable, QStringLiteral("False")}});
    auto off = loadedWindow();
    EXPECT_FALSE(control<QRadioButton>(*off, names::previewPerFileOption).isChecked());
    EXPECT_FALSE(control<QRadioButton>(*off, names::previewPerTableOption).isChecked());
    control<QCheckBox>(*off, names::previewModeBox).setCheckState(Qt::Checked);
    EXPECT_TRUE(control<QRadioButton>(*off, names::previewPerFileOption).isChecked());
    EXPECT_EQ(stored(key::kPreviewPerFile), QStringLiteral("True"));
}

// An error report during the load shows where the main window is about to appear, not at the
// screen's top-left corner.
TEST(MainWindowStart, ALoadErrorReportIsCentredWhereTheWindowWillBe) {
    test::clearSettings();
    test::store({{key::kPreviewMode, QStringLiteral("abc")}});
    app::MainWindow w;
    w.seams().message = nullptr;
    int reports = 0;
    QRect box;
    std::function<void()> answer = [&] {
        auto* shown = test::shownWindow<QMessageBox>();
        if (shown == nullptr) {
            QTimer::singleShot(10, answer);
            return;
        }
        ++reports;
        box = shown->frameGeometry();
        shown->button(QMessageBox::Ok)->click();
    };
    QTimer::singleShot(0, answer);
    w.load();
    w.showCentred();
    test::clearSettings();
    ASSERT_EQ(reports, 1);
    // Within a few pixels offscreen; a real display's box may still settle its size once shown.
    const QPoint offset = box.center() - w.frameGeometry().center();
    EXPECT_LE(std::abs(offset.x()), w.width() / 8) << box.center().x() << "," << box.center().y();
    EXPECT_LE(std::abs(offset.y()), w.height() / 8) << box.center().x() << "," << box.center().y();
}
