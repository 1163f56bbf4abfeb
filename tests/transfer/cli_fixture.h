#pragma once

// nubexa-cli as a user runs it: its own process, its own bin.db under NUBEXA_HOME, the
// stand-in service of the fixture.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ftp/child_process.h"
#include "transfer_fixture.h"

namespace nubexa::test {

using namespace std::chrono_literals;

class CliTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        std::filesystem::create_directories(home());
        writeConfig();
        m_cliGate = std::make_unique<StoreGate>(home() + "/bin.db");
    }

    // nubexa.ini naming the fixture's service (again after a restart).
    void writeConfig() {
        writeFile(home() + "/nubexa.ini",
                  "[service]\napi_host = 127.0.0.1:" + std::to_string(m_httpPort) + "\n");
    }

    std::string home() const { return m_dir.path() + "/home"; }
    std::string outputFile() const { return m_dir.path() + "/cli.out"; }

    std::vector<std::string> command(const std::vector<std::string>& args) const {
        // Messages follow the locale: these tests read the English ones.
        std::vector<std::string> argv{"env", "LC_ALL=C", "NUBEXA_HOME=" + home(), NUBEXA_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }

    // Runs nubexa-cli to its end; its exit code, its output in m_output.
    int cli(const std::vector<std::string>& args, std::chrono::milliseconds limit = 120s) {
        std::filesystem::remove(outputFile());
        const int code = runProgram(command(args), limit, outputFile());
        m_output = readFile(outputFile());
        return code;
    }

    // Runs nubexa-cli with `input` on its standard input.
    int cliWithInput(const std::vector<std::string>& args, const std::string& input) {
        writeFile(m_dir.path() + "/input", input);
        std::string line =
            "exec env LC_ALL=C NUBEXA_HOME='" + home() + "' '" + NUBEXA_CLI_PATH + "'";
        for (const auto& arg : args)
            line += " '" + arg + "'";
        std::filesystem::remove(outputFile());
        const int code =
            runProgram({"sh", "-c", line + " < '" + m_dir.path() + "/input'"}, 60s, outputFile());
        m_output = readFile(outputFile());
        return code;
    }

    int login(const std::string& password) {
        writeFile(m_dir.path() + "/password", password + "\n");
        std::filesystem::remove(outputFile());
        const int code =
            runProgram({"sh", "-c",
                        "exec env LC_ALL=C NUBEXA_HOME='" + home() + "' '" + NUBEXA_CLI_PATH +
                            "' login demo --password-stdin < '" + m_dir.path() + "/password'"},
                       60s, outputFile());
        m_output = readFile(outputFile());
        return code;
    }

    std::vector<StoredTask> cliRows() {
        return m_cliGate->run([](LocalStore& store) {
            std::vector<StoredTask> rows;
            auto ids = store.prepareQuery("SELECT id FROM t_process_list ORDER BY id");
            std::vector<std::int64_t> found;
            while (ids.next())
                found.push_back(ids.int64At(0));
            ids.finalize();
            TaskTable tasks(store);
            for (const auto id : found)
                rows.push_back(*tasks.load(id));
            return rows;
        });
    }

    static bool finished(const StoredTask& row) {
        return row.ranType == "1" ? row.status == task_status::kComplete
                                  : row.transferSchedule == 100;
    }

    std::unique_ptr<StoreGate> m_cliGate;
    std::string m_output;
};

}  // namespace nubexa::test
