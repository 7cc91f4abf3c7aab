#pragma once
// Writes settings for the windows of one session. A settings file that cannot be written fails
// every write, and the windows write at every keystroke: the first failure of a run is reported
// (writeSetting's exception goes through), the rest are not, until a write succeeds again.

#include <QString>

namespace qc {

class SettingsWriter {
  public:
    // As writeSetting, but throws only for the first failure since the last success.
    void write(const QString& key, const QString& value);

  private:
    bool failing_ = false;
};

} // namespace qc
