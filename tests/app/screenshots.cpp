// Pictures of the windows for the documentation and the connection help, taken on a real X
// server: child entries of the window tests that scripts/screenshots.sh runs one by one under
// Xvfb, each writing into QC_SCREENSHOT_DIR. No test of an ordinary run.
#include "main_window_test.h"
#include "support/child_process.h"

#include "data/ui/advanced_options_window.h"
#include "foxpro/new_container.h"
#include "preview/ui/datatypes_window.h"
#include "preview/ui/preview_window.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace qc;
using namespace qc::test;

namespace {

class Screenshots : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        dir_ = qEnvironmentVariable("QC_SCREENSHOT_DIR");
        ASSERT_FALSE(dir_.isEmpty()) << "QC_SCREENSHOT_DIR names no folder";
    }

    // The fields the documentation's pictures show, stored as a previous run would leave them.
    static void storeExampleFields() {
        store({{key::kMSSQLServer, QStringLiteral("db01.example.org")},
               {key::kMSSQLPort, QStringLiteral("1433")},
               {key::kMSSQLUser, QStringLiteral("converter")},
               {key::kMSSQLPassword, QStringLiteral("secret")},
               {key::kMSSQLDatabase, QStringLiteral("Northwind")},
               {key::kFreeTableFolder, QStringLiteral("/home/anna/foxpro/northwind")},
               {key::kDBCFile, QStringLiteral("/home/anna/foxpro/northwind/northwind.dbc")}});
    }

    void save(QWidget& window, const QString& name, const char* format, int quality = -1) {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(300);
        const QPixmap picture = window.screen()->grabWindow(window.winId());
        ASSERT_FALSE(picture.isNull());
        ASSERT_TRUE(picture.save(dir_ + QLatin1Char('/') + name, format, quality));
    }

    QString dir_;
};

} // namespace

QC_CHILD_F(Screenshots, MainWindowAndAdvancedOptions) {
    storeExampleFields();
    auto w = loadedWindow();
    w->showCentred();
    save(*w, QStringLiteral("main-window.png"), "PNG");

    SettingsWriter settings;
    data::ui::AdvancedOptionsWindow options(w->target(), ui, settings, w->fileDialogs, w.get());
    options.load();
    options.show();
    save(options, QStringLiteral("advanced-options.png"), "PNG");
}

QC_CHILD_F(Screenshots, ContainerTarget) {
    storeExampleFields();
    auto w = loadedWindow();
    w->showCentred();
    // The container chosen in Advanced Options (the stored folder is the target at a start).
    w->seams().runModal = [](QDialog& dialog) {
        dynamic_cast<data::ui::AdvancedOptionsWindow&>(dialog).onOkClicked();
    };
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/northwind-XXXXXX"));
    const QString dbc = dir.filePath(QStringLiteral("northwind.dbc"));
    qc::foxpro::createContainer(dbc.toStdString(), 1252);
    writeSetting(key::kDBCFile, dbc);
    w->onContainerClicked();
    ASSERT_TRUE(w->target().containerChosen);
    save(*w, QStringLiteral("main-window-container.png"), "PNG");
}

QC_CHILD_F(Screenshots, LocalConnectionExample) {
    store({{key::kMSSQLServer, QStringLiteral("localhost")},
           {key::kMSSQLUser, QStringLiteral("sa")},
           {key::kMSSQLPassword, QStringLiteral("YourPassword")},
           {key::kMSSQLDatabase, QStringLiteral("Northwind")},
           {key::kLocalConnection, QStringLiteral("1")},
           {key::kFreeTableFolder, QStringLiteral("/home/anna/foxpro/northwind")}});
    auto w = loadedWindow();
    w->showCentred();
    save(*w, QStringLiteral("local-connection-example.jpg"), "JPG", 90);
}

// The preview with lines that hold breaks, and the type mapping of one table: for a look at the
// windows, not for the documentation.
QC_CHILD_F(Screenshots, PreviewAndDatatypesWindows) {
    auto w = loadedWindow();
    struct {
        preview::SqlLineList sqlLines;
        preview::DatatypeRows datatypeRows;
    } form;
    form.sqlLines.append("DROP TABLE [Notes];");
    form.sqlLines.append("CREATE TABLE [Notes] ([id] I NULL, [body] M NULL, [when] T NULL)");
    form.sqlLines.append(
        "INSERT INTO [Notes] VALUES (1, 'first line\r\nsecond line\nthird', {^2021-08-31 14:05:00});");
    form.sqlLines.append("INSERT INTO [Notes] VALUES (2, 'one line', NULL);");
    const char* const columns[][3] = {{"id", "int", "I"}, {"body", "ntext", "M"}, {"when", "datetime", "T"}};
    for (const auto& c : columns) {
        form.datatypeRows.addRow(QStringLiteral("Notes"));
        form.datatypeRows.setLastRow(2, QString::fromLatin1(c[0]));
        form.datatypeRows.setLastRow(3, QString::fromLatin1(c[1]));
        form.datatypeRows.setLastRow(4, QString::fromLatin1(c[2]));
    }
    preview::ui::PreviewWindow preview(preview::PreviewSession{form.sqlLines, form.datatypeRows, nullptr},
                                       w.get());
    preview.show();
    save(preview, QStringLiteral("preview-window.png"), "PNG");
    preview::ui::DatatypesWindow types(form.datatypeRows, preview.seams(), &preview);
    types.show();
    save(types, QStringLiteral("datatypes-window.png"), "PNG");
}
