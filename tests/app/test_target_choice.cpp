#include "main_window_test.h"

#include "data/ui/advanced_options_window.h"
#include "foxpro/new_container.h"
#include "support/environment.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qc;
using namespace qc::test;

namespace {

class TargetChoice : public MainWindowTest {
  protected:
    // Opens Advanced Options from the "dbc" button and lets `user` act in it.
    void inAdvancedOptions(app::MainWindow& w,
                           const std::function<void(data::ui::AdvancedOptionsWindow&)>& user) {
        int opened = 0;
        w.seams().runModal = [&](QDialog& dialog) {
            ++opened;
            auto* options = qobject_cast<data::ui::AdvancedOptionsWindow*>(&dialog);
            ASSERT_NE(options, nullptr);
            EXPECT_EQ(options->parentWidget(), &w);
            user(*options);
        };
        control<QPushButton>(w, names::containerButton).click();
        EXPECT_EQ(opened, 1);
    }
};

} // namespace

TEST_F(TargetChoice, TheFolderPickerSetsTheFolderTargetAndACancelChangesNothing) {
    auto w = loadedWindow();
    QString prompt = QStringLiteral("not asked");
    QString answer;
    w->fileDialogs.chooseFolder = [&](QWidget* owner, const QString& text, const QString& start) {
        EXPECT_EQ(owner, w.get());
        EXPECT_EQ(start, QString());
        prompt = text;
        return answer;
    };
    const auto before = storedSettings();
    control<QPushButton>(*w, names::chooseFolderButton).click();
    EXPECT_EQ(prompt, QStringLiteral("Please select folder:"));
    EXPECT_EQ(storedSettings(), before);
    EXPECT_TRUE(w->target().containerChosen);

    answer = QStringLiteral("/srv/fox tables");
    control<QPushButton>(*w, names::chooseFolderButton).click();
    EXPECT_EQ(control<QLineEdit>(*w, names::folderBox).text(), answer);
    EXPECT_EQ(stored(key::kFreeTableFolder), answer);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));
    EXPECT_FALSE(w->target().containerChosen);

    // The container chosen meanwhile, then the same folder picked again: the folder is the target.
    w->target().containerChosen = true;
    writeSetting(key::kFoxproOption, QStringLiteral("1"));
    control<QPushButton>(*w, names::chooseFolderButton).click();
    EXPECT_FALSE(w->target().containerChosen);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));
}

TEST_F(TargetChoice, TheSampleButtonPointsAtTheSamplesFolderEvenAfterAContainerWasChosen) {
    store({{key::kFoxproOption, QStringLiteral("1")}, {key::kDBCFile, QStringLiteral("/data/shop.dbc")}});
    auto w = loadedWindow();
    ASSERT_TRUE(w->target().containerChosen);
    control<QPushButton>(*w, names::samplesButton).click();
    const QString samples = programFolder() + QStringLiteral("/Samples");
    EXPECT_EQ(control<QLineEdit>(*w, names::folderBox).text(), samples);
    EXPECT_EQ(stored(key::kFreeTableFolder), samples);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));
    EXPECT_FALSE(w->target().containerChosen);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TargetChoice, OkWithAChosenContainerMakesItTheTargetAtOnce) {
    store({{key::kFreeTableFolder, QStringLiteral("/data/free")},
           {key::kDBCFile, QStringLiteral("/old.dbc")},
           {key::kFoxproOption, QStringLiteral("2")}});
    auto w = loadedWindow();
    ASSERT_FALSE(w->target().containerChosen);
    QTemporaryDir dir;
    const QString shop = dir.filePath(QStringLiteral("shop.dbc"));
    qc::foxpro::createContainer(shop.toStdString(), 1252);
    QString title, filter;
    w->fileDialogs.chooseFile = [&](QWidget*, const QString& t, const QString& f) {
        title = t;
        filter = f;
        return shop;
    };
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        auto& path = control<QLineEdit>(options, names::advanced::containerBox);
        EXPECT_EQ(path.text(), QStringLiteral("/old.dbc"));
        control<QPushButton>(options, names::advanced::browseButton).click();
        EXPECT_EQ(path.text(), shop);
        EXPECT_EQ(stored(key::kDBCFile), shop);
        control<QPushButton>(options, names::advanced::okButton).click();
        EXPECT_EQ(options.result(), QDialog::Accepted);
    });
    EXPECT_EQ(title, QStringLiteral("Select Foxpro Database"));
    EXPECT_EQ(filter, QStringLiteral("Microsoft Database (*.dbc)"));
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, shop);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));
    // The folder stays in its box and returns as the target at the next start.
    EXPECT_EQ(control<QLineEdit>(*w, names::folderBox).text(), QStringLiteral("/data/free"));
}

TEST_F(TargetChoice, OkWithAnEmptyPathKeepsTheChoiceAndCancelAlwaysSelectsTheFolder) {
    store({{key::kFoxproOption, QStringLiteral("1")}, {key::kDBCFile, QStringLiteral("/data/shop.dbc")}});
    auto w = loadedWindow();
    w->fileDialogs.chooseFile = [](QWidget*, const QString&, const QString&) { return QString(); };
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        auto& path = control<QLineEdit>(options, names::advanced::containerBox);
        control<QPushButton>(options, names::advanced::browseButton).click(); // cancelled: the path stays
        EXPECT_EQ(path.text(), QStringLiteral("/data/shop.dbc"));
        path.clear();
        QTest::keyClicks(&path, QStringLiteral("/x"));
        EXPECT_EQ(stored(key::kDBCFile), QStringLiteral("/x"));
        path.clear();
        control<QPushButton>(options, names::advanced::okButton).click();
    });
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, QStringLiteral("/data/shop.dbc"));
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));
    EXPECT_EQ(stored(key::kDBCFile), QString());

    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        control<QPushButton>(options, names::advanced::cancelButton).click();
        EXPECT_EQ(options.result(), QDialog::Rejected);
    });
    EXPECT_FALSE(w->target().containerChosen);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("2"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TargetChoice, OkWithANewNameOffersAnEmptyContainer) {
    store({{key::kFreeTableFolder, QStringLiteral("/data/free")},
           {key::kFoxproOption, QStringLiteral("2")},
           {key::kCodePage, QStringLiteral("1251")}});
    auto w = loadedWindow();
    QTemporaryDir dir;
    const QString created = dir.filePath(QStringLiteral("Sales.dbc"));
    const QString question = QStringLiteral("File '") + created + QStringLiteral("' does not exist.");
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        auto& path = control<QLineEdit>(options, names::advanced::containerBox);
        path.clear();
        QTest::keyClicks(&path, created);
        auto& ok = control<QPushButton>(options, names::advanced::okButton);
        // "No": nothing is written and the window stays open as it was.
        ui.expectQuestion(question, Answer::No);
        ok.click();
        EXPECT_EQ(options.result(), 0);
        EXPECT_EQ(path.text(), created);
        EXPECT_FALSE(w->target().containerChosen);
        EXPECT_TRUE(QDir(dir.path()).isEmpty());

        // A folder that does not exist: the engine's message, and the window stays open.
        const QString nowhere = dir.filePath(QStringLiteral("missing/x.dbc"));
        path.setText(nowhere);
        ui.expectQuestion(QStringLiteral("File '") + nowhere, Answer::Yes);
        ok.click();
        EXPECT_EQ(options.result(), 0);
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_TRUE(ui.messages.back().text.startsWith(
            QStringLiteral("The database container could not be created.\r\rFolder '")));

        path.setText(created);
        ui.expectQuestion(question, Answer::Yes);
        ok.click();
        EXPECT_EQ(options.result(), QDialog::Accepted);
    });
    EXPECT_TRUE(w->target().containerChosen);
    EXPECT_EQ(w->target().container, created);
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"Sales.dbc", "Sales.dct", "Sales.dcx"}));
    const auto dumped =
        runPython({testFilesDir() + "/tools/vfp-oracle/vfpdump.py", created.toStdString(), "--records", "5"});
    EXPECT_EQ(dumped.exitCode, 0) << dumped.errors;
    EXPECT_NE(dumped.output.find("OBJECTNAME='StoredProceduresDependencies'"), std::string::npos);
    // In the code page chosen for the run's tables, which will hold their names.
    EXPECT_NE(dumped.output.find("codepage=0xc9"), std::string::npos) << dumped.output;
    // The new container is a target the program can reach.
    ui.messages.clear();
    control<QPushButton>(*w, names::testTargetButton).click();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Connection successful."));

    // An existing container in other letter case is not offered again.
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        // A name with pattern characters is a name, not a pattern: it matches no container.
        auto& path = control<QLineEdit>(options, names::advanced::containerBox);
        const QString pattern = dir.filePath(QStringLiteral("S*.dbc"));
        path.setText(pattern);
        ui.expectQuestion(QStringLiteral("File '") + pattern + QStringLiteral("' does not exist."),
                          Answer::No);
        control<QPushButton>(options, names::advanced::okButton).click();
        EXPECT_EQ(options.result(), 0);
        path.setText(dir.filePath(QStringLiteral("SALES.DBC")));
        control<QPushButton>(options, names::advanced::okButton).click();
        EXPECT_EQ(options.result(), QDialog::Accepted);
    });
}

// The target in sight: a line under the folder row names the container while it is the target,
// and the folder box keeps its text and its setting.
TEST_F(TargetChoice, TheContainerTargetIsShownWithoutTouchingTheFolderBox) {
    // Without a stored folder, a stored container choice is the target from the start.
    store({{key::kDBCFile, QStringLiteral("/data/shop.dbc")}, {key::kFoxproOption, QStringLiteral("1")}});
    auto w = loadedWindow();
    w->showCentred();
    auto& line = control<QLabel>(*w, names::targetLine);
    auto& folder = control<QLineEdit>(*w, names::folderBox);
    EXPECT_TRUE(line.isVisible());
    EXPECT_EQ(line.text(), QStringLiteral("Target: DBC file /data/shop.dbc"));
    const QRect frame = control<QGroupBox>(*w, names::targetFrame).rect();
    EXPECT_TRUE(frame.adjusted(1, 1, -1, -1).contains(line.geometry()));
    folder.setText(QStringLiteral("/data/free"));
    EXPECT_FALSE(line.isVisible());

    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        control<QPushButton>(options, names::advanced::cancelButton)
            .click(); // Cancel: the folder is the target
    });
    EXPECT_FALSE(line.isVisible());
    EXPECT_FALSE(w->target().containerChosen);

    QTemporaryDir dir;
    const QString shop = dir.filePath(QStringLiteral("a-rather-long-folder-name/") +
                                      QString(60, QLatin1Char('x')) + QStringLiteral("/shop.dbc"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(shop).path()));
    qc::foxpro::createContainer(shop.toStdString(), 1252);
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        control<QLineEdit>(options, names::advanced::containerBox).setText(shop);
        control<QPushButton>(options, names::advanced::okButton).click();
    });
    EXPECT_TRUE(line.isVisible());
    // A long path is shortened in its middle; its whole text is the line's hint.
    EXPECT_TRUE(line.text().startsWith(QStringLiteral("Target: DBC file /")));
    EXPECT_TRUE(line.text().endsWith(QStringLiteral("/shop.dbc")));
    EXPECT_LE(line.fontMetrics().horizontalAdvance(line.text()), line.width());
    EXPECT_EQ(line.toolTip(), shop);
    EXPECT_EQ(folder.text(), QStringLiteral("/data/free"));
    EXPECT_EQ(stored(key::kFreeTableFolder), QStringLiteral("/data/free"));
    EXPECT_EQ(stored(key::kFoxproOption), QStringLiteral("1"));

    // Typing a folder makes it the target again.
    folder.setFocus();
    QTest::keyClicks(&folder, QStringLiteral("/x"));
    EXPECT_FALSE(line.isVisible());
}

TEST_F(TargetChoice, AdvancedOptionsReportsItsFailuresUnderItsOwnName) {
    auto w = loadedWindow();
    w->fileDialogs.chooseFile = [](QWidget*, const QString&, const QString&) -> QString {
        throw std::runtime_error("dialog broke");
    };
    inAdvancedOptions(*w, [&](data::ui::AdvancedOptionsWindow& options) {
        control<QPushButton>(options, names::advanced::browseButton).click();
    });
    ASSERT_EQ(ui.errorReports().size(), 1u);
    EXPECT_TRUE(ui.errorReports()[0].text.startsWith(
        QStringLiteral("dialog broke\r\nin Ferroquill2021/08/31.Form6.PushButton5_Click at line 100")));
}

// The real file dialog of "...": a name typed there that does not exist yet comes back, with the
// container's extension added.
TEST_F(TargetChoice, TheFileDialogTakesANewName) {
    QTemporaryDir dir;
    bool typed = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = shownWindow<QFileDialog>();
        if (dialog == nullptr)
            return;
        dialog->setDirectory(dir.path());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) {
            dialog->reject();
            return;
        }
        QTest::keyClicks(name, QStringLiteral("brandnew"));
        QTest::keyClick(name, Qt::Key_Return);
        typed = true;
    });
    const QString chosen = data::ui::openFileName(nullptr, QStringLiteral("Select Foxpro Database"),
                                                  QStringLiteral("Microsoft Database (*.dbc)"));
    EXPECT_TRUE(typed);
    EXPECT_EQ(chosen, dir.filePath(QStringLiteral("brandnew.dbc")));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

// The code page of new tables at the end of the target line: the language's until the user
// chooses another, which is stored and comes back at the next start.
TEST_F(TargetChoice, TheCodePageFollowsTheLanguageUntilTheUserChoosesOne) {
    const int language = Locale::fromSystem().codePage;
    auto w = loadedWindow();
    auto& box = control<QComboBox>(*w, names::codePageBox);
    EXPECT_TRUE(
        control<QGroupBox>(*w, names::targetFrame).rect().adjusted(1, 1, -1, -1).contains(box.geometry()));
    EXPECT_FALSE(box.geometry().intersects(control<QLabel>(*w, names::targetLine).geometry()));
    EXPECT_EQ(box.currentData().toInt(), language);
    EXPECT_EQ(w->run().codePage(), language);
    EXPECT_EQ(readSetting(key::kCodePage, QStringLiteral("none")), QStringLiteral("none"));

    box.setCurrentIndex(box.findData(1250));
    EXPECT_EQ(readSetting(key::kCodePage), QStringLiteral("1250"));
    EXPECT_EQ(w->run().codePage(), 1250);
    auto again = loadedWindow();
    EXPECT_EQ(control<QComboBox>(*again, names::codePageBox).currentText(), QStringLiteral("Code page 1250"));
    EXPECT_EQ(again->run().codePage(), 1250);
}
