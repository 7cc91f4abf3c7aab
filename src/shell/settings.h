#pragma once
// The per-user settings store: named string values under the application name "Corvenna" and the
// section "Marravex" (on Linux the file ~/.config/Corvenna/Marravex.conf, readable by its owner
// only because it holds the password as typed). Every value is written the moment it changes and
// read back once, while the main window loads.

#include <QString>

namespace qc {

// The stored text, or `defaultValue` when the key is absent. Reading never creates a key.
QString readSetting(const QString& key, const QString& defaultValue = {});

// Stores the text, replacing any earlier value, and writes the file at once. Throws
// std::runtime_error when the file cannot be written.
void writeSetting(const QString& key, const QString& value);

// Where the values live.
QString settingsFilePath();

// Reads a stored text as a 16-bit whole number: surrounding spaces are allowed, a fraction is
// rounded half to even. Throws std::runtime_error ("Type mismatch", "Overflow") otherwise.
qint16 settingToInteger(const QString& text);

// Reads a stored text as a truth value: "True" or "False" in any case, or a number (non-zero is
// true). Throws std::runtime_error ("Type mismatch") otherwise.
bool settingToBool(const QString& text);

// Truth values are stored as "True" or "False".
QString boolSettingText(bool value);

// The stored key texts are kept as earlier versions wrote them, so a user's stored values still load.
namespace key {
inline const QString kMSSQLServer = QStringLiteral("MSSQL Server");
inline const QString kMSSQLPort = QStringLiteral("MSSQL Port");
inline const QString kMSSQLUser = QStringLiteral("MSSQL User");
inline const QString kMSSQLPassword = QStringLiteral("MSSQL Password");
inline const QString kMSSQLDatabase = QStringLiteral("MSSQL Database");
inline const QString kLocalConnection = QStringLiteral("Local Connection");
inline const QString kFreeTableFolder = QStringLiteral("FreeTableFolder");
inline const QString kDBCFile = QStringLiteral("DBCFile");
inline const QString kFoxproOption = QStringLiteral("FoxproOption");
inline const QString kPreviewMode = QStringLiteral("Check1");
inline const QString kPreviewPerFile = QStringLiteral("Option1");
inline const QString kPreviewPerTable = QStringLiteral("Option2");
// The code page new tables are written in; none stored follows the language.
inline const QString kCodePage = QStringLiteral("CodePage");
} // namespace key

} // namespace qc
