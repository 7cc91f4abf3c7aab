#pragma once
// The Edit Line window: rewrites one line of the SQL line list.

#include "preview/sql_line_list.h"
#include "shell/ui/button_keys.h"
#include "shell/ui/text_boxes.h"
#include "shell/ui/window_port.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include <string>

namespace qc::preview::ui {

class EditLineWindow : public QDialog {
    Q_OBJECT
  public:
    EditLineWindow(SqlLineList& lines, const shell::WindowSeams& seams, QWidget* owner = nullptr);

    shell::WindowPort& port() { return port_; }

    // The 1-based line being edited; the opener sets it before showing the window.
    int line = 0;
    // Puts the line's text into the text box; the opener calls it before showing the window.
    void setLineText(const std::string& text);

    void onOkClicked();
    void onCancelClicked();

    QPlainTextEdit lineBox;
    QPushButton okButton;
    QPushButton cancelButton;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void load();
    // The text to store: the loaded line with the span the user changed in the box replaced.
    std::string editedText() const;

    SqlLineList& lines_;
    shell::WindowPort port_;
    std::string loaded_;
    shell::FocusArrival textArrival_;
    QString loadedShown_;
    shell::EnterPressesFocusedButton enterKeys_;
};

} // namespace qc::preview::ui
