#include "main_window_test.h"

#include "data/ui/advanced_options_window.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

using namespace qc;
using namespace qc::test;

namespace {

class Layout : public MainWindowTest {};

// The room a caption needs inside its control with the control's own font and style.
int captionWidth(QWidget& w) {
    QStyle* style = w.style();
    const QFontMetrics metrics(w.font());
    if (auto* box = qobject_cast<QCheckBox*>(&w))
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
               style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) +
               metrics.horizontalAdvance(box->text());
    if (auto* option = qobject_cast<QRadioButton*>(&w))
        return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, option) +
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, option) +
               metrics.horizontalAdvance(option->text());
    if (auto* button = qobject_cast<QPushButton*>(&w))
        return metrics.horizontalAdvance(button->text()) + 8; // the button's frame and a little air
    if (auto* frame = qobject_cast<QGroupBox*>(&w))
        return metrics.horizontalAdvance(frame->title()) + 2 * metrics.averageCharWidth();
    if (auto* label = qobject_cast<QLabel*>(&w))
        return metrics.horizontalAdvance(label->text());
    return 0;
}

void expectCaptionsFit(QWidget& window, int controls) {
    int checked = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const int needed = captionWidth(*w);
        if (needed == 0)
            continue;
        ++checked;
        EXPECT_LE(needed, w->width())
            << window.objectName().toStdString() << "." << w->objectName().toStdString();
        EXPECT_LE(QFontMetrics(w->font()).height(), w->height()) << w->objectName().toStdString();
    }
    EXPECT_EQ(checked, controls);
}

} // namespace

TEST_F(Layout, TheMainWindowIsDrawnInTwipsWithItsFonts) {
    auto w = loadedWindow();
    EXPECT_EQ(w->size(), QSize(536, 508));
    // Positions inside a frame are relative to the frame.
    EXPECT_EQ(control<QLineEdit>(*w, "Text5").parentWidget()->objectName(), QStringLiteral("Frame3"));
    EXPECT_EQ(control<QLineEdit>(*w, "Text5").geometry(), QRect(88, 24, 305, 22));
    EXPECT_EQ(QFontInfo(control<QPushButton>(*w, "PushButton7").font()).pixelSize(), 15);
    EXPECT_EQ(QFontInfo(control<QLabel>(*w, "Label2").font()).pixelSize(), 12);
    EXPECT_TRUE(control<QLabel>(*w, "Label2").font().bold());
    // Arial, or the metric-compatible font that stands in for it.
    const QString family = QFontInfo(w->font()).family();
    EXPECT_TRUE(family.contains(QStringLiteral("Arial")) ||
                family.contains(QStringLiteral("Liberation Sans")))
        << family.toStdString();
}

TEST_F(Layout, TabOrderFollowsTheDesign) {
    auto w = loadedWindow();
    const char* expected[] = {"Check1",      "Option1",     "Option2",     "PushButton7", "PushButton5",
                              "Check4",      "Text8",       "Text5",       "Text3",       "Text4",
                              "Text6",       "PushButton6", "PushButton4", "Text2",       "PushButton1",
                              "PushButton8", "PushButton2", "PushButton12"};
    QWidget* at = &control<QWidget>(*w, expected[0]);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        at = at->nextInFocusChain();
        while (at && !(at->focusPolicy() & Qt::TabFocus))
            at = at->nextInFocusChain();
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(at->objectName().toStdString(), expected[i]);
    }
}

TEST_F(Layout, NoCaptionIsWiderThanItsControl) {
    auto w = loadedWindow();
    // With nothing stored the container choice is the target: its line shows under the folder row.
    expectCaptionsFit(*w, 22);

    data::ui::FileDialogs dialogs;
    SettingsWriter settings;
    data::ui::AdvancedOptionsWindow options(w->target(), ui, settings, dialogs, w.get());
    options.load();
    EXPECT_EQ(options.size(), QSize(536, 110));
    EXPECT_EQ(options.windowTitle(), QStringLiteral("Advanced Options"));
    expectCaptionsFit(options, 5);
}
