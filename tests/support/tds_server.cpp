#include "support/tds_server.h"

#include "support/environment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <signal.h>

#include <map>
#include <stdexcept>

namespace qc::test {

namespace {
QTemporaryDir& scratch() {
    static QTemporaryDir dir;
    return dir;
}
} // namespace

std::string TdsServer::standardFixture(int rows) {
    static std::map<int, std::string> built;
    auto found = built.find(rows);
    if (found != built.end())
        return found->second;
    const std::string out = scratch().filePath(QStringLiteral("fixture-%1.sqlite").arg(rows)).toStdString();
    const auto result = runPython(
        {testFilesDir() + "/tools/tds-server/make_fixture.py", "--rows", std::to_string(rows), "--out", out},
        300);
    if (result.exitCode != 0)
        throw std::runtime_error("make_fixture.py failed: " + result.errors);
    built[rows] = out;
    return out;
}

void TdsServer::writeBigRowTables(const std::string& out,
                                  const std::vector<std::pair<std::string, int>>& tables) {
    std::string spec;
    for (const auto& [name, rows] : tables)
        spec += (spec.empty() ? "" : ",") + ("[\"" + name + "\", " + std::to_string(rows) + "]");
    const char* script = "import json, sys\n"
                         "sys.path.insert(0, sys.argv[1])\n"
                         "import make_fixture as m\n"
                         "made = {}\n"
                         "def rows(n):\n"
                         "    if n not in made:\n"
                         "        made[n] = [m.big_row(i) for i in range(1, n + 1)]\n"
                         "    return made[n]\n"
                         "tables = [{'name': name, 'columns': m.BIG_COLUMNS, 'rows': rows(n)}\n"
                         "          for name, n in json.loads(sys.argv[3])]\n"
                         "m.write_sqlite({'server_name': 'TDSFIXTURE', 'users': m.USERS,\n"
                         "                'databases': {'TestDB': {'tables': tables}}}, sys.argv[2])\n";
    const auto result =
        runPython({"-c", script, testFilesDir() + "/tools/tds-server", out, "[" + spec + "]"}, 600);
    if (result.exitCode != 0)
        throw std::runtime_error("writing the fixture failed: " + result.errors);
}

TdsServer::TdsServer(const std::string& fixture, int port, const std::vector<std::string>& extraArgs) {
    const QString portFile =
        scratch().filePath(QStringLiteral("port-%1").arg(reinterpret_cast<quintptr>(this)));
    QFile::remove(portFile);
    std::vector<std::string> args{testFilesDir() + "/tools/tds-server/tds_server.py",
                                  "--port",
                                  std::to_string(port),
                                  "--fixture",
                                  fixture,
                                  "--port-file",
                                  portFile.toStdString()};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    // Its log goes straight to the test's: nobody reads a pipe while the tests talk to it.
    process_ =
        std::make_unique<Process>("/usr/bin/python3", args, EnvironmentChanges{}, ProcessErrors::Shown);
    if (!process_->started())
        throw std::runtime_error("the SQL Server stand-in did not start");
    for (int i = 0; i < 600; ++i) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            const int read = file.readAll().trimmed().toInt();
            if (read > 0) {
                port_ = read;
                return;
            }
        }
        if (!process_->running())
            break;
        QThread::msleep(50);
    }
    throw std::runtime_error("the SQL Server stand-in did not start listening");
}

// SIGTERM lets it close its connections and end; one that does not within 5 s is killed.
TdsServer::~TdsServer() {
    if (process_->running()) {
        ::kill(static_cast<pid_t>(process_->pid()), SIGTERM);
        process_->wait(5000);
    }
}

} // namespace qc::test
