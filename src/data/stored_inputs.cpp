#include "data/stored_inputs.h"

#include "foxpro/codepage.h"
#include "shell/locale.h"
#include "shell/settings.h"

namespace qc::data {

namespace {
// The values of the target kind as earlier versions stored them.
const QString kContainerKind = QStringLiteral("1");
const QString kFolderKind = QStringLiteral("2");
} // namespace

SqlServerLogin readStoredLogin() {
    SqlServerLogin login;
    login.server = ReadSetting(key::MSSQLServer);
    login.user = ReadSetting(key::MSSQLUser);
    login.password = ReadSetting(key::MSSQLPassword);
    login.database = ReadSetting(key::MSSQLDatabase);
    login.port = ReadSetting(key::MSSQLPort, QStringLiteral("1433"));
    login.localConnection = ReadSetting(key::LocalConnection, QStringLiteral("0")) != QStringLiteral("0");
    return login;
}

FoxProTarget readStoredTarget() {
    FoxProTarget target;
    target.folder = ReadSetting(key::FreeTableFolder);
    target.container = ReadSetting(key::DBCFile);
    target.containerChosen = ReadSetting(key::FoxproOption) != kFolderKind;
    return target;
}

void storeTargetKind(SettingsWriter& settings, bool containerChosen) {
    settings.write(key::FoxproOption, containerChosen ? kContainerKind : kFolderKind);
}

QString readStoredCodePage() {
    return ReadSetting(key::CodePage);
}

int chosenCodePage() {
    const int stored = readStoredCodePage().toInt();
    return foxpro::isWritableCodePage(stored) ? stored : Locale::fromSystem().codePage;
}

void storeCodePage(SettingsWriter& settings, int codePage) {
    settings.write(key::CodePage, QString::number(codePage));
}

} // namespace qc::data
