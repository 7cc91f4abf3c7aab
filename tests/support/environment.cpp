#include "support/environment.h"

#include <cstdlib>

namespace qc::test {

namespace {
std::string fromEnv(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}
} // namespace

std::string testFilesDir() {
    return fromEnv("QC_TEST_FILES_DIR", QC_DEFAULT_TEST_FILES_DIR);
}

std::string binDir() {
    return fromEnv("QC_BIN_DIR", QC_DEFAULT_BIN_DIR);
}

ProcessResult runPython(const std::vector<std::string>& args, int timeoutSeconds,
                        const EnvironmentChanges& environment) {
    return runProcess("/usr/bin/python3", args, timeoutSeconds, environment);
}

} // namespace qc::test
