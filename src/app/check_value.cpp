#include "app/check_value.h"

#include <QCheckBox>

#include <stdexcept>

namespace qc::app {

int checkValue(const QCheckBox& box) {
    switch (box.checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setCheckValue(QCheckBox& box, int value) {
    switch (value) {
    case 0:
        box.setCheckState(Qt::Unchecked);
        break;
    case 1:
        box.setCheckState(Qt::Checked);
        break;
    case 2:
        box.setTristate(true);
        box.setCheckState(Qt::PartiallyChecked);
        break;
    default:
        throw std::runtime_error("Invalid property value");
    }
}

} // namespace qc::app
