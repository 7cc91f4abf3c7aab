#pragma once
// The SQL Preview window on the offscreen display, with its message boxes, child windows and
// addresses caught through its seams.

#include "preview/ui/preview_window.h"
#include "support/scripted_ui.h"

#include <QApplication>
#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace qc::test {

struct PreviewWindowTest : ::testing::Test {
    // What the window works on; `target` is the FoxPro connection its lines run on.
    preview::SqlLineList lines;
    preview::DatatypeRows datatypeRows;
    std::unique_ptr<data::Connection> target;
    std::vector<Shown> messages;
    std::vector<QUrl> urls;
    // What the user does in a child window; it is not shown.
    std::function<void(QDialog&)> onChild;
    int children = 0;
    // Called when a message box would show, before it is answered.
    std::function<void(const QString&)> onMessage;
    std::unique_ptr<preview::ui::PreviewWindow> window;

    void addLines(std::initializer_list<const char*> texts) {
        for (const char* text : texts)
            lines.append(text);
    }

    preview::ui::PreviewWindow& open() {
        window = std::make_unique<preview::ui::PreviewWindow>(
            preview::PreviewSession{lines, datatypeRows, target.get()}, nullptr);
        auto& seams = window->seams();
        seams.message = [this](const QString& text, const QString& title, Buttons buttons, Icon icon) {
            messages.push_back({text, title, buttons, icon});
            if (onMessage)
                onMessage(text);
            return Answer::Ok;
        };
        seams.runModal = [this](QDialog& child) {
            ++children;
            if (onChild)
                onChild(child);
        };
        seams.openUrl = [this](const QUrl& url) {
            urls.push_back(url);
            return true;
        };
        window->port().setEventInterval(std::chrono::microseconds(0));
        window->show();
        QApplication::processEvents();
        return *window;
    }

    // A point inside the text of line `row`, for mouse clicks on it.
    static QPoint textPoint(preview::ui::PreviewWindow& w, int row) {
        const QRect rect = w.lineView.visualRect(w.lineView.model()->index(row, 0));
        return QPoint(rect.left() + rect.width() / 2, rect.center().y());
    }

    std::vector<QString> messageTexts() const {
        std::vector<QString> texts;
        for (const auto& m : messages)
            texts.push_back(m.text);
        return texts;
    }
};

} // namespace qc::test
