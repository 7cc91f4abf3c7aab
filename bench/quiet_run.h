#pragma once
// What the conversion benchmarks share: a port and run user that answers every message with OK
// and shows no window (error reports go to standard error, so a benchmark that measures failures says so), a
// stopwatch, the driver a benchmark wants in the place of "SQL Server", and the record count a
// table file's header gives.

#include "engine/run_user.h"
#include "shell/ui_port.h"

#include <chrono>
#include <string>
#include <vector>

namespace qc::bench {

class QuietUi : public UiPort, public engine::RunUser {
  public:
    Answer message(const QString& text, const QString& title, Buttons, Icon) override;
    void setBusy(bool) override {}
    void setProgressValue(double) override {}
    void setProgressText(const QString&) override {}
    UiPort& port() override { return *this; }
    preview::PreviewExit preview(preview::PreviewSession&) override { return preview::PreviewExit::WentBack; }

  protected:
    void processEvents() override;
};

double secondsSince(std::chrono::steady_clock::time_point start);

// Makes the driver name "SQL Server" lead to `driver` (a library path, as odbc_setup.h names
// them) for this process and the programs it starts, through an ODBC set-up written into
// `folder`. unixODBC reads the list once, before the first connection.
void mapSqlServer(const std::string& folder, const char* driver);

// The record count in the header of a DBF file.
long recordCount(const std::string& dbf);

// The rounds a benchmark's only option, --rounds N, asks for (at least 1), else `fallback`;
// throws on any other argument.
int roundsOption(const std::vector<std::string>& args, int fallback);

} // namespace qc::bench
