#pragma once
// The SQL Preview window (Form2).

#include "engine/main_form.h"

#include <QDialog>

namespace qc::preview::ui {

class Form2 : public QDialog {
    Q_OBJECT
public:
    Form2(engine::MainForm& form, QWidget* owner = nullptr);

private:
    engine::MainForm& form_;
};

} // namespace qc::preview::ui
