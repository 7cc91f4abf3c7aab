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
    login.server = readSetting(key::kMSSQLServer);
    login.user = readSetting(key::kMSSQLUser);
    login.password = readSetting(key::kMSSQLPassword);
    login.database = readSetting(key::kMSSQLDatabase);
    login.port = readSetting(key::kMSSQLPort, QStringLiteral("1433"));
    login.localConnection = readSetting(key::kLocalConnection, QStringLiteral("0")) != QStringLiteral("0");
    return login;
}

FoxProTarget readStoredTarget() {
    FoxProTarget target;
    target.folder = readSetting(key::kFreeTableFolder);
    target.container = readSetting(key::kDBCFile);
    target.containerChosen = readSetting(key::kFoxproOption) != kFolderKind;
    return target;
}

void storeTargetKind(SettingsWriter& settings, bool containerChosen) {
    settings.write(key::kFoxproOption, containerChosen ? kContainerKind : kFolderKind);
}

QString readStoredCodePage() {
    return readSetting(key::kCodePage);
}

int chosenCodePage() {
    const int stored = readStoredCodePage().toInt();
    return foxpro::isWritableCodePage(stored) ? stored : Locale::fromSystem().codePage;
}

void storeCodePage(SettingsWriter& settings, int codePage) {
    settings.write(key::kCodePage, QString::number(codePage));
}

} // namespace qc::data
