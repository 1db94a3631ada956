// What the fuel database's tests share: each scenario runs in a child
// process of its own (the connection object lives for the whole process),
// against a VOLNEX.FDB made on the private server under a home folder of
// the test suite. Where the home is the fixed C:\ZEDE\ (the Windows
// build), the test server's alias of C:\ZEDE\DB\VOLNEX.FDB stands in for
// it (scripts/firebird-server.sh).
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "components/test_server.h"
#include "dataset_log_capture.h"
#include "database/process_state.h"
#include "platform/platform.h"
#include "platform/testing/child_process.h"
#include "settings/connection_params.h"

namespace zelmor::test {

using Lines = std::vector<std::string>;

// Child arguments: log file, home folder, port, password, result file.
struct ChildSetup {
  explicit ChildSetup(const std::vector<std::string>& args) : log(args.at(0)), result(args.at(4)) {
    platform::SetEnvironmentVariable("ZEDE_HOME", args.at(1));
    FBPort = std::stoi(args.at(2));
    FBPassword() = args.at(3);
    db::SetTickSource([] { return 0u; });
  }
  // Tells the parent the object number the lines should show.
  void Report(const void* object) const {
    std::ofstream(result) << Num(object);
  }
  EventLogScope log;
  std::string result;
};

class FuelDatabase : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string port = platform::GetEnvironmentVariable("ZELMOR_FB_PORT");
    if (SharedServer().database.empty() || port.empty() || FixedHome()) return;
    home_ = new TempFolder;
    platform::ForceDirectories(*home_ / "DB");
    const std::string script = *home_ / "create.sql";
    WriteFileBytes(script, "create database '127.0.0.1/" + port + ":" + *home_ / "DB/VOLNEX.FDB" +
                               "' user 'SYSDBA' password '" + SharedServer().password +
                               "' default character set WIN1251;\n");
    const auto isql = platform::SpawnProcess("/usr/bin/isql-fb", {"-q", "-i", script});
    int exit_code = -1;
    if (isql == platform::kInvalidProcess || !platform::WaitProcess(isql, 60000, exit_code) ||
        exit_code != 0) {
      ADD_FAILURE() << "isql-fb could not create the fuel database";
    }
  }
  static void TearDownTestSuite() {
    delete home_;
    home_ = nullptr;
  }
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    ASSERT_FALSE(platform::GetEnvironmentVariable("ZELMOR_FB_PORT").empty())
        << "ZELMOR_FB_PORT is not set";
    ASSERT_TRUE(FixedHome() || home_ != nullptr);
  }

  static bool FixedHome() { return platform::kPathDelimiter == '\\'; }
  // The home the children are given (the fixed one ignores it).
  static std::string Home() { return FixedHome() ? platform::ZedeHome() : home_->Path(); }

  // Runs a scenario with `home` and the server's port, or `port`; returns
  // the object number it reported.
  std::string Run(const std::string& role, const std::string& home, std::string port = "") {
    const std::string result = folder_ / "number";
    if (port.empty()) port = platform::GetEnvironmentVariable("ZELMOR_FB_PORT");
    ChildProcess child(role, {log_, home, port, SharedServer().password, result});
    EXPECT_EQ(child.Wait(), 0) << role;
    return platform::FileExists(result) ? ReadFileBytes(result) : "?";
  }
  Lines Texts() const { return LogTexts(log_); }
  static std::string Connection() {
    return "127.0.0.1/" + platform::GetEnvironmentVariable("ZELMOR_FB_PORT") + ":" + Home() + "DB" +
           platform::kPathDelimiter + "VOLNEX.FDB";
  }

  static inline TempFolder* home_ = nullptr;
  TempFolder folder_;
  std::string log_ = folder_ / "FBEvents.log";
};


}  // namespace zelmor::test
