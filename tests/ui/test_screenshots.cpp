// Pictures of the windows for the documentation and the connection help, taken on a real X
// server (scripts/screenshots.sh runs this under Xvfb). Skipped unless QC_SCREENSHOT_DIR is set.
#include "ui_test.h"

#include "data/ui/advanced_options_window.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>

using namespace qc;
using namespace qc::test;

namespace {

class Screenshots : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        dir_ = qEnvironmentVariable("QC_SCREENSHOT_DIR");
        if (dir_.isEmpty())
            GTEST_SKIP() << "QC_SCREENSHOT_DIR is not set";
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

TEST_F(Screenshots, MainWindowAndAdvancedOptions) {
    store({{key::MSSQLServer, QStringLiteral("db01.example.org")},
           {key::MSSQLPort, QStringLiteral("1433")},
           {key::MSSQLUser, QStringLiteral("converter")},
           {key::MSSQLPassword, QStringLiteral("secret")},
           {key::MSSQLDatabase, QStringLiteral("Northwind")},
           {key::FreeTableFolder, QStringLiteral("/home/anna/foxpro/northwind")},
           {key::DBCFile, QStringLiteral("/home/anna/foxpro/northwind/northwind.dbc")}});
    auto w = loadedWindow();
    w->showCentred();
    save(*w, QStringLiteral("main-window.png"), "PNG");

    data::ui::Form6 options(w->form().fields, ui, w->fileDialogs, w.get());
    options.Form_Load();
    options.show();
    save(options, QStringLiteral("advanced-options.png"), "PNG");
}

TEST_F(Screenshots, LocalConnectionExample) {
    store({{key::MSSQLServer, QStringLiteral("localhost")},
           {key::MSSQLUser, QStringLiteral("sa")},
           {key::MSSQLPassword, QStringLiteral("YourPassword")},
           {key::MSSQLDatabase, QStringLiteral("Northwind")},
           {key::LocalConnection, QStringLiteral("1")},
           {key::FreeTableFolder, QStringLiteral("/home/anna/foxpro/northwind")}});
    auto w = loadedWindow();
    w->showCentred();
    save(*w, QStringLiteral("local-connection-example.jpg"), "JPG", 90);
}
