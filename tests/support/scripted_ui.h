#pragma once
// A user-interface port for tests, and the user of a conversion run: answers questions from a
// script, records every message, pointer change and progress update, and fails the test on a
// prompt it did not expect.

#include "engine/run_user.h"
#include "shell/ui_port.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace qc::test {

struct Shown {
    QString text;
    QString title;
    Buttons buttons;
    Icon icon;
};

class ScriptedUi : public UiPort, public engine::RunUser {
  public:
    ScriptedUi();
    ~ScriptedUi() override;

    // The next Yes/No question whose text contains `contains` gets `answer`.
    void expectQuestion(const QString& contains, Answer answer);
    // What the SQL preview does (for example, act as the user of the preview window would);
    // without it the user goes back at once.
    std::function<preview::PreviewExit(preview::PreviewSession&)> onPreview;
    // Called at every pass of letting events through (the interval is 0 in tests).
    std::function<void()> onEvents;

    Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    void setBusy(bool busy) override;
    void setProgressValue(double percent) override;
    void setProgressText(const QString& text) override;
    UiPort& port() override { return *this; }
    preview::PreviewExit preview(preview::PreviewSession& session) override;

    std::vector<Shown> messages;
    std::vector<double> progressValues;
    std::vector<QString> progressTexts;
    std::vector<bool> busyChanges;
    int previews = 0;
    bool busy = false;

    // Messages that are error reports ("Application Error").
    std::vector<Shown> errorReports() const;

  protected:
    void processEvents() override;

  private:
    struct Expected {
        QString contains;
        Answer answer;
    };
    std::deque<Expected> questions_;
};

} // namespace qc::test
