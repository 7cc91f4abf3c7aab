#include "shell/settings_writer.h"

#include "shell/settings.h"

#include <utility>

namespace qc {

void SettingsWriter::write(const QString& key, const QString& value) {
    try {
        writeSetting(key, value);
    } catch (...) {
        if (std::exchange(failing_, true))
            return;
        throw;
    }
    failing_ = false;
}

} // namespace qc
