#pragma once
// What the main window holds for the logic: its fields, the two hidden table lists, the run's
// connections and the flags the preview hands back. The Qt window owns one and keeps the fields
// current; the conversion run, the preview and the tests work on it without a display.

#include "app/locale.h"
#include "data/db_access.h"
#include "data/form1_fields.h"
#include "engine/datatype_rows.h"
#include "preview/sql_line_list.h"

#include <QStringListModel>

#include <memory>

namespace qc::engine {

struct MainForm {
    data::Form1Fields fields;
    QStringListModel List1; // source tables
    QStringListModel List2; // target tables
    std::unique_ptr<data::Connection> mssql_conn;
    std::unique_ptr<data::Connection> FoxPro_conn;
    bool SQLFormOK = false;
    preview::SqlLineList sqlLines;
    DatatypeRows datatypeRows;
    Locale locale = Locale::fromSystem();
};

// Set true by the run after each table; "Skip Table / Do Not Execute SQL" clears it.
extern bool ExecuteTableSQL;

} // namespace qc::engine
