// What users see of the windows' layout: every control within its window or frame and clear of a
// frame's caption, no two controls over each other, each label on the row of the box it names,
// every caption whole in its control's own font, the fonts, and the order the Tab key follows.
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
#include <QStyleOptionGroupBox>

#include <algorithm>

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

// The controls the user sees: those placed on the window or in one of its frames and not hidden.
std::vector<QWidget*> shownControls(QWidget& window) {
    std::vector<QWidget*> shown;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        QWidget* parent = w->parentWidget();
        if ((parent == &window || qobject_cast<QGroupBox*>(parent)) && w->isVisibleTo(&window))
            shown.push_back(w);
    }
    return shown;
}

// Where a control draws: a label only where its text is (the designer's labels reach into the
// boxes they name, which show nothing of it), any other control all over.
QRect occupied(QWidget& w) {
    auto* label = qobject_cast<QLabel*>(&w);
    if (!label)
        return w.geometry();
    const QFontMetrics metrics(label->font());
    return QStyle::alignedRect(label->layoutDirection(), label->alignment(),
                               QSize(metrics.horizontalAdvance(label->text()), metrics.height()),
                               label->geometry());
}

std::string nameOf(const QWidget& w) {
    return w.objectName().toStdString();
}

// The room the frame's caption takes at its top.
QRect captionRect(QGroupBox& frame) {
    QStyleOptionGroupBox option;
    option.initFrom(&frame);
    option.text = frame.title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame);
}

// Checks what users see of a window's layout; `captions`: how many controls show a caption.
void expectLaidOutForUsers(QWidget& window, int captions) {
    const std::vector<QWidget*> controls = shownControls(window);
    int checked = 0;
    for (QWidget* w : controls) {
        QWidget& parent = *w->parentWidget();
        const QRect at = occupied(*w);
        // Within a frame, clear of its border line.
        const int border = qobject_cast<QGroupBox*>(&parent) ? 1 : 0;
        EXPECT_TRUE(parent.rect().adjusted(border, border, -border, -border).contains(w->geometry()))
            << nameOf(*w) << " leaves " << nameOf(parent);
        if (auto* frame = qobject_cast<QGroupBox*>(&parent)) {
            EXPECT_FALSE(at.intersects(captionRect(*frame)))
                << nameOf(*w) << " covers the caption of " << nameOf(*frame);
        }
        for (QWidget* other : controls) {
            if (other != w && other->parentWidget() == &parent) {
                EXPECT_FALSE(at.intersects(occupied(*other))) << nameOf(*w) << " and " << nameOf(*other);
            }
        }
        // A label that names a box ("Server:") stands before it, on the box's row.
        if (auto* label = qobject_cast<QLabel*>(w); label && label->text().endsWith(QLatin1Char(':'))) {
            const auto named = [&](QWidget* other) {
                return qobject_cast<QLineEdit*>(other) && other->parentWidget() == &parent &&
                       other->x() > at.right() && other->geometry().top() <= at.center().y() &&
                       other->geometry().bottom() >= at.center().y();
            };
            EXPECT_TRUE(std::any_of(controls.begin(), controls.end(), named))
                << nameOf(*w) << " names no box";
        }
        if (qobject_cast<QLineEdit*>(w)) {
            EXPECT_LE(QFontMetrics(w->font()).height(), w->height()) << nameOf(*w);
        }
        const int needed = captionWidth(*w);
        if (needed == 0)
            continue;
        ++checked;
        EXPECT_LE(needed, w->width()) << nameOf(window) << "." << nameOf(*w);
        EXPECT_LE(QFontMetrics(w->font()).height(), w->height()) << nameOf(*w);
    }
    EXPECT_EQ(checked, captions);
}

} // namespace

TEST_F(Layout, EveryControlIsWholeAndClearOfTheOthersInAWindowTheUserCannotResize) {
    auto w = loadedWindow();
    // With nothing stored the container choice is the target: its line shows under the folder row.
    expectLaidOutForUsers(*w, 22);
    EXPECT_EQ(control<QLineEdit>(*w, names::serverBox).parentWidget()->objectName(),
              QString::fromLatin1(names::sourceFrame));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
    // Whole on the smallest screen the program was made for.
    EXPECT_LE(w->width(), 800);
    EXPECT_LE(w->height(), 600);

    data::ui::FileDialogs dialogs;
    SettingsWriter settings;
    data::ui::AdvancedOptionsWindow options(w->target(), ui, settings, dialogs, w.get());
    options.load();
    EXPECT_EQ(options.windowTitle(), QStringLiteral("Advanced Options"));
    expectLaidOutForUsers(options, 5);
    EXPECT_EQ(options.minimumSize(), options.maximumSize());
    EXPECT_EQ(options.width(), w->width());
}

TEST_F(Layout, TheWindowSpeaksArialWithBoldLabelsAndLargerButtons) {
    auto w = loadedWindow();
    // Arial, or the metric-compatible font that stands in for it.
    const QString family = QFontInfo(w->font()).family();
    EXPECT_TRUE(family.contains(QStringLiteral("Arial")) ||
                family.contains(QStringLiteral("Liberation Sans")))
        << family.toStdString();
    const auto& serverLabel = control<QLabel>(*w, names::serverLabel);
    EXPECT_TRUE(serverLabel.font().bold());
    EXPECT_GT(QFontInfo(control<QPushButton>(*w, names::startButton).font()).pixelSize(),
              QFontInfo(serverLabel.font()).pixelSize());
}

TEST_F(Layout, TabOrderFollowsTheDesign) {
    auto w = loadedWindow();
    const char* expected[] = {names::previewModeBox,
                              names::previewPerFileOption,
                              names::previewPerTableOption,
                              names::startButton,
                              names::helpButton,
                              names::localConnectionBox,
                              names::databaseBox,
                              names::serverBox,
                              names::userBox,
                              names::passwordBox,
                              names::portBox,
                              names::testSourceButton,
                              names::sourceHelpButton,
                              names::folderBox,
                              names::chooseFolderButton,
                              names::testTargetButton,
                              names::samplesButton,
                              names::containerButton};
    QWidget* at = &control<QWidget>(*w, expected[0]);
    for (std::size_t i = 1; i < std::size(expected); ++i) {
        at = at->nextInFocusChain();
        while (at && !(at->focusPolicy() & Qt::TabFocus))
            at = at->nextInFocusChain();
        ASSERT_NE(at, nullptr);
        EXPECT_EQ(at->objectName().toStdString(), expected[i]);
    }
}
