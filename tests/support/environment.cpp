#include "support/environment.h"

#include <QProcess>
#include <QStringList>

#include <cstdlib>

namespace qc::test {

namespace {
std::string fromEnv(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}
} // namespace

std::string testFilesDir() { return fromEnv("QC_TEST_FILES_DIR", QC_DEFAULT_TEST_FILES_DIR); }

std::string binDir() { return fromEnv("QC_BIN_DIR", QC_DEFAULT_BIN_DIR); }

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds) {
    QProcess process;
    QStringList arguments;
    for (const auto& a : args)
        arguments << QString::fromStdString(a);
    process.start(QString::fromStdString(program), arguments);
    ProcessResult result;
    if (!process.waitForStarted(10000)) {
        result.errors = "could not start " + program;
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        result.errors = "timed out: " + program;
    }
    result.output = process.readAllStandardOutput().toStdString();
    result.errors += process.readAllStandardError().toStdString();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ProcessResult runPython(const std::vector<std::string>& args, int timeoutSeconds) {
    return runProcess("/usr/bin/python3", args, timeoutSeconds);
}

} // namespace qc::test
