#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace qc::test {

ScriptedUi::ScriptedUi() {
    setEventInterval(std::chrono::microseconds(0));
}

ScriptedUi::~ScriptedUi() {
    for (const auto& q : questions_)
        ADD_FAILURE() << "Question never asked: " << q.contains.toStdString();
}

void ScriptedUi::expectQuestion(const QString& contains, Answer answer) {
    questions_.push_back({contains, answer});
}

Answer ScriptedUi::message(const QString& text, const QString& title, Buttons buttons, Icon icon) {
    messages.push_back({text, title, buttons, icon});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (questions_.empty() || !text.contains(questions_.front().contains)) {
        ADD_FAILURE() << "Unexpected question: " << text.toStdString();
        return Answer::No;
    }
    const Answer answer = questions_.front().answer;
    questions_.pop_front();
    return answer;
}

void ScriptedUi::setBusy(bool on) {
    busy = on;
    busyChanges.push_back(on);
}

void ScriptedUi::setProgressValue(double percent) {
    progressValues.push_back(percent);
}

void ScriptedUi::setProgressText(const QString& text) {
    progressTexts.push_back(text);
}

preview::PreviewExit ScriptedUi::preview(preview::PreviewSession& session) {
    ++previews;
    return onPreview ? onPreview(session) : preview::PreviewExit::WentBack;
}

void ScriptedUi::processEvents() {
    if (onEvents)
        onEvents();
}

std::vector<Shown> ScriptedUi::errorReports() const {
    std::vector<Shown> reports;
    for (const auto& m : messages)
        if (m.title == QStringLiteral("Application Error"))
            reports.push_back(m);
    return reports;
}

} // namespace qc::test
