#pragma once
// Finding a window's controls the way stored files, screenshots and scripts find them: by the
// object names of the designer-name table (names::serverBox is "Text5").

#include "shell/ui/control_names.h"

#include <QString>
#include <QWidget>

#include <stdexcept>
#include <string>

namespace qc::test {

template <class T> T& control(QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        throw std::runtime_error(std::string("no control ") + name);
    return *found;
}

} // namespace qc::test
