#include "main_window_test.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

using namespace qc;
using namespace qc::test;

namespace {

class MainWindowFields : public MainWindowTest {};

// Records every value a key takes while `act` runs (the store is read after each change).
std::vector<QString> valuesWhileTyping(QLineEdit& box, const QString& typed, const QString& key) {
    std::vector<QString> seen;
    QObject::connect(&box, &QLineEdit::textChanged, &box, [&seen, key] { seen.push_back(*stored(key)); });
    QTest::keyClicks(&box, typed);
    return seen;
}

} // namespace

TEST_F(MainWindowFields, TypingWritesEveryIntermediateTextOfEachLoginBox) {
    auto w = loadedWindow();
    const std::pair<const char*, const QString*> boxes[] = {{names::serverBox, &key::kMSSQLServer},
                                                            {names::userBox, &key::kMSSQLUser},
                                                            {names::passwordBox, &key::kMSSQLPassword},
                                                            {names::databaseBox, &key::kMSSQLDatabase}};
    for (const auto& [name, key] : boxes) {
        auto& box = control<QLineEdit>(*w, name);
        EXPECT_EQ(valuesWhileTyping(box, QStringLiteral("abc"), *key),
                  (std::vector<QString>{QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("abc")}))
            << name;
    }
    auto& port = control<QLineEdit>(*w, names::portBox);
    port.clear();
    EXPECT_EQ(stored(key::kMSSQLPort), QString());
    QTest::keyClicks(&port, QStringLiteral("1434"));
    EXPECT_EQ(stored(key::kMSSQLPort), QStringLiteral("1434"));
    EXPECT_EQ(w->login().port, QStringLiteral("1434"));
    EXPECT_EQ(w->login().password, QStringLiteral("abc"));
    EXPECT_EQ(control<QLineEdit>(*w, names::passwordBox).echoMode(), QLineEdit::Password);

    // The next start shows what was typed last.
    auto next = loadedWindow();
    EXPECT_EQ(control<QLineEdit>(*next, names::serverBox).text(), QStringLiteral("abc"));
    EXPECT_EQ(control<QLineEdit>(*next, names::portBox).text(), QStringLiteral("1434"));
}

TEST_F(MainWindowFields, TheFolderBoxSelectsTheFolderTargetAtItsFirstCharacterAndEmptyingItKeepsTheChoice) {
    auto w = loadedWindow();
    auto& folder = control<QLineEdit>(*w, names::folderBox);
    ASSERT_TRUE(w->target().containerChosen);
    QTest::keyClicks(&folder, QStringLiteral("/t"));
    EXPECT_FALSE(w->target().containerChosen);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));
    EXPECT_EQ(stored(key::kFreeTableFolder), QStringLiteral("/t"));
    EXPECT_EQ(w->target().folder, QStringLiteral("/t"));

    // Back to the container target, then the box is emptied: the choice stays.
    writeSetting(key::kFoxproOption, QStringLiteral("1"));
    w->target().containerChosen = true;
    folder.clear();
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));
    EXPECT_EQ(stored(key::kFreeTableFolder), QString());
}

TEST_F(MainWindowFields, SqlPreviewModeGreysTheOptionsWithoutChangingTheSelection) {
    auto w = loadedWindow();
    auto& check1 = control<QCheckBox>(*w, names::previewModeBox);
    auto& option1 = control<QRadioButton>(*w, names::previewPerFileOption);
    auto& option2 = control<QRadioButton>(*w, names::previewPerTableOption);
    option2.click();
    check1.click();
    EXPECT_FALSE(option1.isEnabled());
    EXPECT_FALSE(option2.isEnabled());
    EXPECT_TRUE(option2.isChecked());
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("0"));
    EXPECT_EQ(w->previewChoice(), engine::PreviewChoice::Off);
    check1.click();
    EXPECT_TRUE(option1.isEnabled());
    EXPECT_TRUE(option2.isEnabled());
    EXPECT_TRUE(option2.isChecked());
    EXPECT_EQ(stored(key::kPreviewMode), QStringLiteral("1"));
    EXPECT_EQ(w->previewChoice(), engine::PreviewChoice::PerTable);
}

TEST_F(MainWindowFields, EachOptionClickWritesBothKeys) {
    auto w = loadedWindow();
    control<QRadioButton>(*w, names::previewPerTableOption).click();
    EXPECT_EQ(stored(key::kPreviewPerFile), QStringLiteral("False"));
    EXPECT_EQ(stored(key::kPreviewPerTable), QStringLiteral("True"));
    control<QRadioButton>(*w, names::previewPerFileOption).click();
    EXPECT_EQ(stored(key::kPreviewPerFile), QStringLiteral("True"));
    EXPECT_EQ(stored(key::kPreviewPerTable), QStringLiteral("False"));
}

TEST_F(MainWindowFields, LocalConnectionWritesItsOwnKeyAndNothingElse) {
    auto w = loadedWindow();
    const auto before = storedSettings();
    auto& local = control<QCheckBox>(*w, names::localConnectionBox);
    local.click();
    auto after = storedSettings();
    EXPECT_EQ(after[key::kLocalConnection], QStringLiteral("1"));
    after.erase(key::kLocalConnection);
    EXPECT_EQ(after, before);
    EXPECT_TRUE(w->login().localConnection);
    EXPECT_TRUE(control<QLineEdit>(*w, names::portBox).isEnabled());
    local.click();
    EXPECT_EQ(stored(key::kLocalConnection), QStringLiteral("0"));
    EXPECT_FALSE(w->login().localConnection);
}

TEST_F(MainWindowFields, AStoreThatCannotBeWrittenIsReportedByTheFieldThatTriedAndTheFieldStillChanges) {
    auto w = loadedWindow();
    QFile::remove(settingsFilePath());
    QDir().mkpath(settingsFilePath());
    QTest::keyClicks(&control<QLineEdit>(*w, names::serverBox), QStringLiteral("x"));
    QDir(settingsFilePath()).removeRecursively();
    ASSERT_EQ(ui.errorReports().size(), 1u);
    EXPECT_TRUE(ui.errorReports()[0].text.contains(QStringLiteral("Form1.Text5_Change at line 100")));
    EXPECT_EQ(w->login().server, QStringLiteral("x"));
}

TEST_F(MainWindowFields, TheFolderAndServerBoxesSelectTheirWholeTextOnFocus) {
    auto w = loadedWindow();
    w->show();
    auto& server = control<QLineEdit>(*w, names::serverBox);
    server.setText(QStringLiteral("somewhere"));
    server.setFocus();
    QTest::qWait(20);
    EXPECT_EQ(server.selectedText(), QStringLiteral("somewhere"));
}
