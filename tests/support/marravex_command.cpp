#include "support/marravex_command.h"

#include "support/environment.h"
#include "support/scratch_folder.h"

#include <filesystem>
#include <set>

namespace qc::test {

namespace {

std::set<std::string> fileNames(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

} // namespace

EnvironmentChanges headless(const std::string& password) {
    EnvironmentChanges env{{"DISPLAY", std::nullopt},
                           {"WAYLAND_DISPLAY", std::nullopt},
                           {"QT_QPA_PLATFORM", std::nullopt},
                           {"MARRAVEX_PASSWORD", std::nullopt}};
    if (!password.empty())
        env["MARRAVEX_PASSWORD"] = password;
    return env;
}

std::string marravex() {
    return binDir() + "/marravex";
}

ProcessResult runMarravex(const std::vector<std::string>& args, const EnvironmentChanges& env) {
    return runProcess(marravex(), args, 300, env);
}

std::vector<std::string> CliRun::login() const {
    return {"--server",   TdsServer::host(), "--port", std::to_string(server.port()),
            "--database", "TestDB",          "--user", "testuser"};
}

ProcessResult CliRun::convert(const std::vector<std::string>& args, const EnvironmentChanges& env) const {
    return startConvert(args, env).wait(300000);
}

Process CliRun::startConvert(const std::vector<std::string>& args, const EnvironmentChanges& env) const {
    std::vector<std::string> all{"convert"};
    const auto source = login();
    all.insert(all.end(), source.begin(), source.end());
    all.insert(all.end(), args.begin(), args.end());
    return Process(marravex(), all, env);
}

ProcessResult CliRun::convertOnTerminal(const std::vector<std::string>& args,
                                        const std::string& typed) const {
    std::string command = "'" + marravex() + "' convert";
    for (const auto& arg : login())
        command += " '" + arg + "'";
    for (const auto& arg : args)
        command += " '" + arg + "'";
    return runProcess("/bin/bash",
                      {"-c", "printf '" + typed + "' | /usr/bin/script -qec \"$0\" /dev/null", command}, 120,
                      headless());
}

::testing::AssertionResult sameTables(const std::string& a, const std::string& b) {
    const auto names = fileNames(a);
    if (names != fileNames(b))
        return ::testing::AssertionFailure() << a << " and " << b << " hold different files";
    for (const std::string& name : names) {
        std::string left = readBytes(std::filesystem::path(a) / name);
        std::string right = readBytes(std::filesystem::path(b) / name);
        if (name.ends_with(".dbf") && left.size() > 4 && right.size() > 4) {
            left.replace(1, 3, "...");
            right.replace(1, 3, "...");
        }
        if (left != right)
            return ::testing::AssertionFailure() << name << " differs between " << a << " and " << b;
    }
    return ::testing::AssertionSuccess() << names.size() << " files alike";
}

} // namespace qc::test
