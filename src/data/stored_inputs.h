#pragma once
// What the main window stores of the user's inputs, read and written in one place: the window's
// load and its handlers, Advanced Options and `marravex convert --saved-settings` all take them
// from here, so they agree on every key and value.

#include "data/foxpro_target.h"
#include "data/sql_server_login.h"
#include "shell/settings_writer.h"

#include <QString>

namespace qc::data {

// The login as stored; port 1433 when none is stored.
SqlServerLogin readStoredLogin();

// Both paths as stored, and the kind of target chosen last: the folder when that was stored,
// the container otherwise (also when nothing is stored).
FoxProTarget readStoredTarget();
// Stores the kind of target chosen, keeping both paths.
void storeTargetKind(SettingsWriter& settings, bool containerChosen);

// The stored code page of new tables as the text stored; empty when none is.
QString readStoredCodePage();
// The code page the window's runs give new tables and containers: the stored choice when the
// engine can write it, else the language's.
int chosenCodePage();
void storeCodePage(SettingsWriter& settings, int codePage);

} // namespace qc::data
