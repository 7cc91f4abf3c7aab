#include "faults/fault_child.h"

#include "foxpro/database.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace qc::test::faults {

namespace {

constexpr char kSeparator = '\x1e';

std::string joined(const std::vector<std::string>& statements) {
    std::string out;
    for (const auto& s : statements)
        out += s + kSeparator;
    return out;
}

std::vector<std::string> split(const char* text) {
    std::vector<std::string> out;
    std::string current;
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c == kSeparator) {
            out.push_back(current);
            current.clear();
        } else {
            current += *c;
        }
    }
    return out;
}

void waitForFile(const char* path) {
    while (path && *path && !std::filesystem::exists(path))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// The child's side, started through startChild().
QC_CHILD(FoxProStatements) {
    const char* target = std::getenv("QC_FAULT_TARGET");
    using Arm = void (*)(int);
    const auto arm = reinterpret_cast<Arm>(dlsym(RTLD_DEFAULT, "qc_kill_shim_arm"));
    auto report = [](const std::string& line) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    };
    auto db = qc::foxpro::Database::open(target);
    for (const auto& statement : split(std::getenv("QC_FAULT_SETUP")))
        db->execute(statement);
    waitForFile(std::getenv("QC_FAULT_GO"));
    if (arm)
        arm(1);
    std::string statements = std::getenv("QC_FAULT_STATEMENTS") ? std::getenv("QC_FAULT_STATEMENTS") : "";
    if (const char* file = std::getenv("QC_FAULT_STATEMENTS_FILE"); file && *file) {
        std::ifstream in(file, std::ios::binary);
        statements.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const auto& statement : split(statements.c_str())) {
        try {
            db->execute(statement);
            report("ok");
        } catch (const qc::foxpro::Error& e) {
            report(std::string("error: ") + e.what());
        }
    }
    if (arm)
        arm(0);
    report("finished");
    waitForFile(std::getenv("QC_FAULT_END"));
}

} // namespace

Process startChild(const ChildJob& job) {
    EnvironmentChanges environment{{"QC_FAULT_TARGET", job.target},
                                   {"QC_FAULT_SETUP", joined(job.setup)},
                                   {"QC_FAULT_GO", job.goFile},
                                   {"QC_FAULT_END", job.endFile}};
    if (job.statementsFile.empty()) {
        environment["QC_FAULT_STATEMENTS"] = joined(job.statements);
    } else {
        std::ofstream(job.statementsFile, std::ios::binary) << joined(job.statements);
        environment["QC_FAULT_STATEMENTS_FILE"] = job.statementsFile;
    }
    if (job.killAt > 0) {
        environment["LD_PRELOAD"] = QC_KILL_SHIM;
        environment["QC_KILL_AT"] = std::to_string(job.killAt);
    }
    return startInChild(FoxProStatements, environment);
}

bool childFinished(Process& child) {
    const std::string& seen = child.output(20);
    return seen.find("\nfinished\n") != std::string::npos || seen.rfind("finished\n", 0) == 0;
}

ChildResult waitChild(Process& child, int timeoutMs) {
    const ProcessResult run = child.wait(timeoutMs);
    ChildResult result;
    result.output = run.output;
    result.killed = run.signalled;
    result.exitCode = run.exitCode;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);)
        if (line == "ok" || line == "finished" || line.rfind("error: ", 0) == 0)
            result.lines.push_back(line);
    return result;
}

ChildResult runChild(const ChildJob& job) {
    auto child = startChild(job);
    return waitChild(child);
}

} // namespace qc::test::faults
