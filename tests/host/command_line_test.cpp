// The zelmor program run as a user runs it: a child process with its
// command line, its environment and its output, checked for what it prints
// and for its exit code.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "components/test_server.h"
#include "platform/platform.h"
#include "platform/clock.h"
#include "platform/testing/child_process.h"
#include "platform/testing/dead_listener.h"
#include "rtl/paths.h"
#include "rtl/text.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::TempFolder;

std::string BinFolder() { return ExtractFilePath(platform::HostExecutablePath()); }
std::string BuiltLibrary() { return BinFolder() + platform::kZelmorLibraryFileName; }

// What a program printed; text mode on Windows ends lines in CR LF.
std::string Printed(const std::string& path) {
  std::string text = test::ReadFileBytes(path);
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
  return lines;
}

struct Outcome {
  int code;
  std::string out, err;  // as printed: UTF-8
};

std::ostream& operator<<(std::ostream& os, const Outcome& outcome) {
  return os << "exit " << outcome.code << "\n--- stdout\n"
            << outcome.out << "--- stderr\n"
            << outcome.err;
}

// A log line as the library writes it, with CR LF. (Literals here are
// CP1251, as the log; what the program prints and takes is UTF-8.)
std::string LogLine(const std::string& stamp, int pid, const std::string& text,
                    const std::string& tag = "") {
  return stamp + tag + " <P:" + std::to_string(pid) + ";T:1> " + text + "\r\n";
}

class ZelmorProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    // A station home and a settings folder of this test's own where the
    // platform takes them from the environment (Linux); no library named.
    std::filesystem::create_directories(scratch_ / "home");
    std::filesystem::create_directories(scratch_ / "windows");
    platform::SetEnvironmentVariable("ZEDE_HOME", scratch_ / "home");
    platform::SetEnvironmentVariable("ZEDE_WINDIR", scratch_ / "windows");
    platform::SetEnvironmentVariable("ZELMOR_LIBRARY", "");
  }

  // The station home is this test's own (not the fixed C:\ZEDE\ that other
  // test programs share).
  bool OwnHome() const {
    return platform::ZedeHome() == IncludeTrailingPathDelimiter(scratch_ / "home");
  }
  bool OwnSettings() const {
    return IncludeTrailingPathDelimiter(platform::WindowsDirectory()) ==
           IncludeTrailingPathDelimiter(scratch_ / "windows");
  }

  Outcome Run(const std::vector<std::string>& arguments, uint32_t timeout_ms = 120000) {
    const platform::ChildOutput output{scratch_ / "stdout.txt", scratch_ / "stderr.txt"};
    const auto child =
        platform::SpawnProcess(BinFolder() + ZELMOR_PROGRAM_NAME, arguments, &output);
    EXPECT_NE(child, platform::kInvalidProcess);
    Outcome outcome{-1000, {}, {}};
    if (!platform::WaitProcess(child, timeout_ms, outcome.code)) {
      platform::KillProcess(child);
      ADD_FAILURE() << "zelmor did not end";
    }
    platform::CloseProcess(child);
    outcome.out = Printed(output.stdout_path);
    outcome.err = Printed(output.stderr_path);
    return outcome;
  }

  // A log of known lines with two archives: 001 the oldest, then 000, then
  // the log itself.
  std::string WriteLogWithArchives() {
    const std::string log = scratch_ / "FBEvents.log";
    test::WriteFileBytes(
        log + "001", LogLine("06.12 10:00:00.000", 7, "[a] DB:OPEN (d1, h/1:x, , 5 ms, w1)") +
                         LogLine("06.12 10:00:01.000", 7, "[a] TRAN:START (d1, , 3 ms)"));
    test::WriteFileBytes(
        log + "000", LogLine("06.12 11:00:00.000", 7, "[a] DB:OPEN (d1, h/1:x, , 10 ms, w2)") +
                         LogLine("06.12 11:00:01.000", 8,
                                 // A server's message of two lines: the wait ends the second.
                                 "[b] Ошибка подкл.: refused\r\nat once (h/1:x, , w30)") +
                         LogLine("06.12 11:00:01.001", 8, "[b] ERROR FBConnectDB: refused"));
    test::WriteFileBytes(
        log, "\r\n" +
                 LogLine("07.12 09:00:00.000", 8,
                         "Модуль Zelmor загружен (v.9.30). Процесс: \"/opt/station/pos\".",
                         " [инф]") +
                 LogLine("07.12 09:00:01.000", 8, "[b] DB:OPEN (d2, h/1:x, , 15 ms, w3)") +
                 // The library writes its failures at the plain level.
                 LogLine("07.12 09:00:02.000", 8, "[b] Ошибка ExecSQL: bad (DS)") +
                 LogLine("07.12 09:00:02.001", 8, "[b] SQL: SELECT *") +
                 "FROM NOWHERE\r\n" +
                 LogLine("07.12 09:00:03.000", 7, "[a] Путь найден", " [вним]"));
    return log;
  }

  TempFolder scratch_;
};

// What every usage error looks like: exit 2, nothing on standard output,
// the message on standard error with where to read more.
void ExpectUsageError(const Outcome& outcome, const std::string& message) {
  EXPECT_EQ(outcome.code, 2) << outcome;
  EXPECT_EQ(outcome.out, "") << outcome;
  EXPECT_NE(outcome.err.find(message), std::string::npos) << "wanted: " << message << '\n'
                                                          << outcome;
  EXPECT_TRUE(std::regex_search(outcome.err, std::regex("\nTry 'zelmor( [a-z]+)? --help'\\.\n$")))
      << outcome;
}

TEST_F(ZelmorProgram, HelpAndVersionLoadNothingAndExitZero) {
  // A library that cannot load: any attempt would end in exit 3.
  platform::SetEnvironmentVariable("ZELMOR_LIBRARY", scratch_ / "missing.lib");
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"-h"}, {"--help"}, {"help"}, {"query", "--help"}, {"exec", "-h"}, {"fuel", "--help"},
           {"log", "--help"}, {"params", "-h"}, {"help", "log"}, {"log", "-f", "--help"}}) {
    const Outcome outcome = Run(arguments);
    SCOPED_TRACE(arguments.back());
    EXPECT_EQ(outcome.code, 0) << outcome;
    EXPECT_EQ(outcome.err, "") << outcome;
    EXPECT_NE(outcome.out.find("Usage: zelmor"), std::string::npos) << outcome;
  }
  const Outcome version = Run({"--version"});
  EXPECT_EQ(version.code, 0) << version;
  EXPECT_TRUE(std::regex_match(version.out, std::regex("zelmor [0-9]+\\.[0-9]+\n"))) << version;
}

TEST_F(ZelmorProgram, HelpTellsThePlatformsOwnPathsAndTheLogOptions) {
  const Outcome top = Run({"--help"});
  const std::string home_library = platform::ZedeHome() + platform::kZelmorLibraryFileName;
  EXPECT_NE(top.out.find("(" + home_library + ")"), std::string::npos) << top;
  EXPECT_NE(top.out.find("ZEDE_HOME and ZEDE_WINDIR"), std::string::npos) << top;
  EXPECT_NE(top.out.find("Exit codes: 0 ok, 1 failure, 2 usage, 3 no library, 4 no server, "
                         "5 statement failed"),
            std::string::npos);
  for (const char* command : {"query", "exec", "fuel", "log", "check", "params", "help"})
    EXPECT_NE(top.out.find("\n  " + std::string(command) + " "), std::string::npos) << command;

  const Outcome log = Run({"log", "--help"});
  for (const char* option : {"-f,--follow", "--file PATH", "-a,--archives", "--level LIST",
                             "--pid LIST", "--since MOMENT", "--until MOMENT", "--grep REGEX",
                             "--stats", "dd.mm[.yyyy] [hh:nn[:ss]]", "p50", "p95"})
    EXPECT_NE(log.out.find(option), std::string::npos) << option << '\n' << log;
  EXPECT_NE(log.out.find(home_library), std::string::npos) << log;
}

TEST_F(ZelmorProgram, EveryUsageErrorNamesWhatWasWrong) {
  platform::SetEnvironmentVariable("ZELMOR_LIBRARY", scratch_ / "missing.lib");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{}, "zelmor: no command given"},
      {{"nope"}, "zelmor: unknown command nope"},
      {{"--verbose", "params"}, "zelmor params: unknown option --verbose"},
      {{"-x"}, "zelmor: unknown option -x"},
      // An unknown option swallows nothing: the statement stays a statement.
      {{"query", "--verbose", "SELECT 1"}, "zelmor query: unknown option --verbose"},
      {{"query", "--port", "abc", "SELECT 1"}, "--port: 'abc' is no port number (1-65535)"},
      {{"query", "--port=0", "SELECT 1"}, "--port: '0' is no port number"},
      {{"exec", "--port", "65536", "SELECT 1"}, "--port: '65536' is no port number"},
      {{"query", "--port", "5x", "SELECT 1"}, "--port: '5x' is no port number"},
      {{"query", "SELECT 1", "--port"}, "zelmor query: --port needs a value"},
      {{"query", "SELECT 1", "--server"}, "--server needs a value"},
      {{"--lib"}, "zelmor: --lib needs a value"},
      {{"query"}, "zelmor query: the SQL statement is missing"},
      {{"query", ""}, "the SQL statement is empty"},
      {{"query", "SELECT", "*", "FROM", "T"},
       "the statement is one argument: quote it (left over: * FROM T)"},
      {{"exec", "DELETE FROM T", "WHERE", "1=1"}, "(left over: WHERE 1=1)"},
      {{"query", "SELECT 1", "log"}, "(left over: log)"},
      {{"fuel", "tanks"}, "zelmor fuel: unexpected argument tanks"},
      {{"params", "x"}, "zelmor params: unexpected argument x"},
      {{"params", "--show-password=maybe"}, "--show-password"},
      {{"log", "today"}, "zelmor log: unexpected argument today"},
      {{"log", "--level", "9"}, "--level: '9' is no level"},
      {{"log", "--level", "info,loud"}, "--level: 'loud' is no level"},
      {{"log", "--pid", "x"}, "--pid: 'x' is no process id"},
      {{"log", "--since", "31.02 10:00"}, "--since: '31.02 10:00' names no real date and time"},
      {{"log", "--until", "tomorrow"}, "--until: 'tomorrow' is no moment"},
      {{"log", "--grep", "("}, "--grep: '(' is no regular expression"},
      {{"log", "--since"}, "--since needs a value"},
      {{"log", "--stats", "-f"}, "--stats and --follow do not go together"},
      {{"log", "--nope"}, "zelmor log: unknown option --nope"},
      {{"help", "nope"}, "zelmor help: no command nope"},
      {{"nope", "--help"}, "zelmor: unknown command nope"},
      {{"params", "fbport=abc"}, "fbport=abc: 'abc' is no port number"},
      {{"log", "-n", "x"}, "--lines: 'x' is no line count"},
      {{"log", "--color", "sometimes"}, "--color"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ExpectUsageError(Run(c.arguments), c.message);
  }
}

TEST_F(ZelmorProgram, ALibraryThatDoesNotLoadIsExitThree) {
  const std::string missing = scratch_ / "missing.so";
  Outcome outcome = Run({"--lib", missing, "params"});
  EXPECT_EQ(outcome.code, 3) << outcome;
  EXPECT_NE(outcome.err.find("zelmor: cannot load " + missing), std::string::npos) << outcome;

  platform::SetEnvironmentVariable("ZELMOR_LIBRARY", missing);
  outcome = Run({"query", "SELECT 1"});
  EXPECT_EQ(outcome.code, 3) << outcome;
  EXPECT_NE(outcome.err.find(missing), std::string::npos) << outcome;

  // --lib after the command is the same option, and wins over the variable.
  outcome = Run({"params", "--lib", BuiltLibrary()});
  EXPECT_EQ(outcome.code, 0) << outcome;
}

TEST_F(ZelmorProgram, ParamsReadsWhatTheLibrarySettledAndTheSuiteOptionsPassThrough) {
  Outcome outcome = Run({"--lib", BuiltLibrary(), "params"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_TRUE(std::regex_search(outcome.out, std::regex("^port: [0-9]+\n"))) << outcome;
  EXPECT_NE(outcome.out.find("password: (hidden"), std::string::npos) << outcome;
  if (!OwnSettings()) return;  // the machine's settings file is not ours to write
  // The library takes fbport= and fbpassword= from the command line itself;
  // the parser lets them stand anywhere.
  outcome = Run({"FBPort=31234", "--lib", BuiltLibrary(), "params", "fbpassword=Secret42",
                 "--show-password"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_EQ(outcome.out, "port: 31234\npassword: Secret42\n") << outcome;
}

TEST_F(ZelmorProgram, AServerThatCannotBeReachedIsExitFour) {
  // Port 1 on the loopback: refused at once, with or without a client library.
  const Outcome outcome = Run({"--lib", BuiltLibrary(), "query", "SELECT 1 FROM RDB$DATABASE",
                               "--server", "127.0.0.1", "--port", "1", "--db",
                               scratch_ / "none.fdb", "--password", "x"});
  EXPECT_EQ(outcome.code, 4) << outcome;
  EXPECT_TRUE(outcome.out.empty()) << outcome;
  EXPECT_TRUE(outcome.err.starts_with("zelmor: E")) << outcome;  // the exception's class
  EXPECT_NE(outcome.err.find("\nzelmor: connecting to 127.0.0.1 port 1, database " +
                             (scratch_ / "none.fdb") + "\nzelmor: no server\n"),
            std::string::npos)
      << outcome;
}

class ZelmorOnTheServer : public ZelmorProgram {
 protected:
  // The connection options of the run's database ("host/port:path").
  std::vector<std::string> Connection() {
    const test::TestServer server = test::SharedServer();
    const std::smatch parts = [&] {
      std::smatch match;
      std::regex_match(server.database, match, std::regex("([^/]+)/([0-9]+):(.*)"));
      return match;
    }();
    EXPECT_EQ(parts.size(), 4u) << server.database;
    return {"--server", parts[1], "--port", parts[2], "--db", parts[3], "--password",
            server.password};
  }
  Outcome RunOnServer(std::vector<std::string> arguments) {
    for (const auto& option : Connection()) arguments.push_back(option);
    arguments.insert(arguments.begin(), {"--lib", BuiltLibrary()});
    return Run(arguments);
  }
};

TEST_F(ZelmorOnTheServer, AQueryPrintsItsRowsAndExitsZero) {
  ZELMOR_REQUIRE_SERVER();
  const Outcome outcome =
      RunOnServer({"query", Cp1251ToUtf8("SELECT 1 AS ONE, 'Цена' AS WORD FROM RDB$DATABASE")});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_TRUE(std::regex_search(outcome.out,
                                std::regex(Cp1251ToUtf8("ONE +\\| WORD\n-+\n1 +\\| Цена\n"))))
      << outcome;
  EXPECT_NE(outcome.out.find("(1 row)"), std::string::npos) << outcome;
  EXPECT_EQ(outcome.err, "") << outcome;
}

TEST_F(ZelmorOnTheServer, AQueryTellsNullFromTextAndCellsFromSeparators) {
  ZELMOR_REQUIRE_SERVER();
  const std::string sql =
      "SELECT 'a|b' AS T, CAST(NULL AS INTEGER) AS N, 'NULL' AS S, 'x\\y' AS B FROM RDB$DATABASE";
  Outcome outcome = RunOnServer({"query", sql});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_NE(outcome.out.find("\na\\|b | NULL | \\NULL | x\\\\y\n"), std::string::npos) << outcome;
  outcome = RunOnServer({"query", "--json", sql});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_EQ(outcome.out, "{\"T\":\"a|b\",\"N\":null,\"S\":\"NULL\",\"B\":\"x\\\\y\"}\n") << outcome;
}

TEST_F(ZelmorOnTheServer, AStatementThatFailsIsExitFive) {
  ZELMOR_REQUIRE_SERVER();
  Outcome outcome = RunOnServer({"query", "SELECT * FROM NO_SUCH_TABLE"});
  EXPECT_EQ(outcome.code, 5) << outcome;
  EXPECT_TRUE(outcome.err.starts_with("zelmor: EIBInterBaseError: ")) << outcome;
  EXPECT_NE(outcome.err.find("NO_SUCH_TABLE"), std::string::npos) << outcome;

  outcome = RunOnServer({"exec", "UPDATE NO_SUCH_TABLE SET X = 1"});
  EXPECT_EQ(outcome.code, 5) << outcome;

  outcome = RunOnServer({"query", "UPDATE RDB$DATABASE SET RDB$DESCRIPTION = NULL WHERE 1 = 0"});
  EXPECT_EQ(outcome.code, 5) << outcome;
  EXPECT_TRUE(outcome.err.ends_with("\nzelmor: a statement that returns no rows runs with 'zelmor exec'\n"))
      << outcome;
}

TEST_F(ZelmorOnTheServer, AStatementThatWorksIsCommittedAndExitsZero) {
  ZELMOR_REQUIRE_SERVER();
  const Outcome outcome =
      RunOnServer({"exec", "UPDATE RDB$DATABASE SET RDB$DESCRIPTION = NULL WHERE 1 = 0"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_EQ(outcome.out, "done\n") << outcome;
}

TEST_F(ZelmorOnTheServer, EachKindOfConnectFailureHasItsExitCodeAndWords) {
  ZELMOR_REQUIRE_SERVER();
  // The bound of 2 s comes from the settings file, which is the test's own
  // only where the platform takes its folder from the environment.
  const bool bounded_here = OwnSettings();
  if (bounded_here)
    test::WriteFileBytes(IncludeTrailingPathDelimiter(platform::WindowsDirectory()) + "cnf.ini",
                         "[FB]\r\nDBConnectTimeout=2\r\n");
  const platform::DeadListener silent(platform::DeadListenerKind::kSilent);
  const platform::DeadListener full(platform::DeadListenerKind::kNeverAccepts);
  const std::vector<std::string> server = Connection();  // --server h --port p --db d --password w
  const auto with = [&](size_t index, const std::string& value) {
    std::vector<std::string> options = server;
    options[index] = value;
    return options;
  };
  struct Case {
    const char* what;
    std::vector<std::string> options;
    int code;
    const char* words;
    bool needs_bound;
  };
  const std::vector<Case> cases = {
      {"nothing listens", with(3, "1"), 4, "no server", false},
      {"accepts, never answers", with(3, std::to_string(silent.Port())), 6,
       "the server did not answer in time", true},
      {"never accepts", with(3, std::to_string(full.Port())), 6,
       "the server did not answer in time", true},
      {"wrong password", with(7, server[7] + "x"), 7, "login refused", false},
      // Named as the server sees it, next to the test's database: a path of
      // this process's own is another machine's path to the server (Wine's C:).
      {"no such database", with(5, server[5].substr(0, server[5].find_last_of("/\\") + 1) + "NONE.FDB"),
       8, "database not found or not allowed", false},
  };
  uint32_t at_once_ms = 0;  // a run whose connect fails at once: the program's own time
  for (const Case& c : cases) {
    if (c.needs_bound && !bounded_here) continue;
    std::vector<std::string> arguments = {"--lib", BuiltLibrary(), "query", "SELECT 1 FROM RDB$DATABASE"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const uint32_t started = platform::TickCount();
    const Outcome outcome = Run(arguments);
    const uint32_t took = platform::TickCount() - started;
    if (at_once_ms == 0) at_once_ms = took;
    EXPECT_EQ(outcome.code, c.code) << c.what << "\n" << outcome;
    EXPECT_TRUE(outcome.err.ends_with(std::string("\nzelmor: ") + c.words + "\n")) << c.what << "\n" << outcome;
    if (c.needs_bound) {
      EXPECT_LE(took, at_once_ms + 3000) << c.what;
    }
  }
}

TEST_F(ZelmorProgram, WithoutALogItSaysWhereTheLibraryWritesOneAndWhen) {
  Outcome outcome = Run({"log", "--file", scratch_ / "none.log"});
  EXPECT_EQ(outcome.code, 1) << outcome;
  EXPECT_EQ(outcome.err, "zelmor: no log at " + (scratch_ / "none.log") + "\n") << outcome;

  if (!OwnHome()) return;  // the fixed home is shared with other test programs
  const std::string home = platform::ZedeHome();
  const std::string library = home + platform::kZelmorLibraryFileName;
  const std::string where = "zelmor: no event log at " + home + "LogFiles" +
                            platform::kPathDelimiter + "FBEvents.log\n";
  const std::string when =
      "zelmor: the library writes it only when it was loaded from the station home (" + library +
      ")";
  outcome = Run({"log"});
  EXPECT_EQ(outcome.code, 1) << outcome;
  EXPECT_EQ(outcome.err, where + when + ", and there is no library there\n") << outcome;
  outcome = Run({"log", "--stats"});
  EXPECT_EQ(outcome.code, 1) << outcome;

  test::WriteFileBytes(library, "");
  outcome = Run({"log"});
  EXPECT_EQ(outcome.code, 1) << outcome;
  EXPECT_EQ(outcome.err, where + when + "\n") << outcome;
}

TEST_F(ZelmorProgram, LogPrintsTheLogOrAlsoItsArchivesInUtf8) {
  const std::string log = WriteLogWithArchives();
  Outcome outcome = Run({"log", "--file", log});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_EQ(outcome.err, "");
  EXPECT_TRUE(outcome.out.starts_with(
      Cp1251ToUtf8("\n07.12 09:00:00.000 [инф] <P:8;T:1> Модуль Zelmor загружен (v.9.30). ")))
      << outcome;
  EXPECT_TRUE(outcome.out.ends_with(Cp1251ToUtf8(
      "SQL: SELECT *\nFROM NOWHERE\n07.12 09:00:03.000 [вним] <P:7;T:1> [a] Путь найден\n")))
      << outcome;
  EXPECT_EQ(outcome.out.find("06.12"), std::string::npos);
  EXPECT_EQ(outcome.out.find('\x1b'), std::string::npos) << "no colours into a file";
  outcome = Run({"log", "--file", log, "--color=always"});
  EXPECT_NE(outcome.out.find(Cp1251ToUtf8("\x1b[33m07.12 09:00:03.000 [вним]")), std::string::npos)
      << outcome;

  outcome = Run({"log", "--file", log, "-a"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  const size_t oldest = outcome.out.find("06.12 10:00:00.000");
  const size_t older = outcome.out.find("06.12 11:00:00.000");
  const size_t newest = outcome.out.find("07.12 09:00:00.000");
  EXPECT_LT(oldest, older) << outcome;
  EXPECT_LT(older, newest) << outcome;
  EXPECT_NE(newest, std::string::npos) << outcome;
}

TEST_F(ZelmorProgram, LogFiltersReachTheLines) {
  const std::string log = WriteLogWithArchives();
  struct Case {
    std::vector<std::string> options;
    std::string expected;  // the stamps of the lines shown, one per line
  };
  const Case cases[] = {
      {{"--level", "error"}, "07.12 09:00:02.000\n"},
      {{"--level", "error", "-a"},
       "06.12 11:00:01.000\nat once (h/1:x, , w30)\n06.12 11:00:01.001\n07.12 09:00:02.000\n"},
      {{"--level", "plain", "-n", "2"}, "07.12 09:00:02.001\nFROM NOWHERE\n"},
      {{"-n", "0", "--color=always"}, ""},
      {{"--grep", Cp1251ToUtf8("путь"), "-i"}, "07.12 09:00:03.000\n"},
      {{"--grep", Cp1251ToUtf8("путь")}, ""},
      {{"--level", Cp1251ToUtf8("ошиб,вним")}, "07.12 09:00:02.000\n07.12 09:00:03.000\n"},
      {{"--pid", "7"}, "07.12 09:00:03.000\n"},
      {{"--pid", "7", "-a"},
       "06.12 10:00:00.000\n06.12 10:00:01.000\n06.12 11:00:00.000\n07.12 09:00:03.000\n"},
      {{"--since", "07.12 09:00:02"},
       "07.12 09:00:02.000\n07.12 09:00:02.001\nFROM NOWHERE\n07.12 09:00:03.000\n"},
      {{"--until", "07.12 09:00:01", "-a", "--since", "06.12 11:00"},
       "06.12 11:00:00.000\n06.12 11:00:01.000\nat once (h/1:x, , w30)\n06.12 11:00:01.001\n"
       "07.12 09:00:00.000\n07.12 09:00:01.000\n"},
      {{"--grep", Cp1251ToUtf8("DB:OPEN|Путь")}, "07.12 09:00:01.000\n07.12 09:00:03.000\n"},
      {{"--grep", "NOWHERE"}, ""},  // a further line goes with its line
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments{"log", "--file", log};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome outcome = Run(arguments);
    SCOPED_TRACE(c.options.front() + " " + c.options[1]);
    EXPECT_EQ(outcome.code, 0) << outcome;
    std::string stamps;
    std::istringstream lines(outcome.out);
    for (std::string line; std::getline(lines, line);)
      stamps += line.substr(0, std::isdigit(static_cast<unsigned char>(line[0])) ? 18 : std::string::npos) + "\n";
    EXPECT_EQ(stamps, c.expected) << outcome;
  }
}

TEST_F(ZelmorProgram, LogAsJsonGivesAnObjectPerEntry) {
  const std::string log = WriteLogWithArchives();
  const Outcome outcome = Run({"log", "--file", log, "--json", "--pid", "8"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  const std::string expected[] = {
      Cp1251ToUtf8("{\"time\":\"07.12 09:00:00.000\",\"pid\":8,\"tid\":1,\"program\":"
                   "\"/opt/station/pos\",\"level\":\"info\",\"tag\":null,\"operation\":null,"
                   "\"failed\":false,\"duration_ms\":null,\"wait_ms\":null,\"text\":\"Модуль"),
      "{\"time\":\"07.12 09:00:01.000\",\"pid\":8,\"tid\":1,\"program\":\"/opt/station/pos\","
      "\"level\":\"plain\",\"tag\":\"b\",\"operation\":\"DB:OPEN\",\"failed\":false,"
      "\"duration_ms\":15,\"wait_ms\":3,\"text\":\"[b] DB:OPEN (d2, h/1:x, , 15 ms, w3)\"}\n",
      Cp1251ToUtf8("\"operation\":\"ExecSQL\",\"failed\":true,"),
      // A further line is joined to its entry.
      "\"text\":\"[b] SQL: SELECT *\\nFROM NOWHERE\"}\n",
  };
  size_t at = 0;
  for (const std::string& piece : expected) {
    const size_t found = outcome.out.find(piece, at);
    EXPECT_NE(found, std::string::npos) << piece << "\n" << outcome;
    if (found != std::string::npos) at = found + piece.size();
  }
  EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 4) << outcome;
}

TEST_F(ZelmorProgram, LogStatsOverTheLogAndItsArchives) {
  const std::string log = WriteLogWithArchives();
  Outcome outcome = Run({"log", "--file", log, "--stats"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_TRUE(outcome.out.starts_with("10 lines read from 3 files, " + log +
                                      " and its archives\n\n"))
      << outcome;
  const auto has_row = [&](const std::string& row) {
    return std::regex_search(outcome.out, std::regex("\n" + row + " *\n"));
  };
  // Process 7: opens of 5 and 10 ms waiting 1 and 2; a start of 3 ms.
  EXPECT_NE(outcome.out.find("process 7\n"), std::string::npos) << outcome;
  EXPECT_TRUE(has_row("DB:OPEN +\\| +2 \\| +0 \\| +5 \\| +10 \\| +10 \\| +1 \\| +2 \\| +2"))
      << outcome;
  EXPECT_TRUE(has_row("TRAN:START +\\| +1 \\| +0 \\| +3 \\| +3 \\| +3 \\| +- \\| +- \\| +-"));
  // Process 8: one open of 15 ms waiting 3 and one refused waiting 30 (its
  // ERROR FBConnectDB line is the same failure); a failed statement.
  EXPECT_NE(outcome.out.find("process 8  /opt/station/pos\n"), std::string::npos) << outcome;
  EXPECT_TRUE(has_row("DB:OPEN +\\| +2 \\| +1 \\| +15 \\| +15 \\| +15 \\| +3 \\| +30 \\| +30"))
      << outcome;
  EXPECT_TRUE(has_row("ExecSQL +\\| +1 \\| +1 \\| +- \\| +- \\| +- \\| +- \\| +- \\| +-"));
  EXPECT_NE(outcome.out.find("all 2 processes\n"), std::string::npos) << outcome;
  EXPECT_TRUE(has_row("DB:OPEN +\\| +4 \\| +1 \\| +10 \\| +15 \\| +15 \\| +2 \\| +30 \\| +30"))
      << outcome;

  // The filters choose what is counted.
  outcome = Run({"log", "--file", log, "--stats", "--since", "07.12 00:00"});
  EXPECT_EQ(outcome.code, 0) << outcome;
  EXPECT_TRUE(outcome.out.starts_with("5 lines read from 3 files")) << outcome;
  EXPECT_EQ(outcome.out.find("process 7\n"), std::string::npos) << outcome;
  EXPECT_TRUE(has_row("DB:OPEN +\\| +1 \\| +0 \\| +15 \\| +15 \\| +15 \\| +3 \\| +3 \\| +3"))
      << outcome;
}

TEST_F(ZelmorProgram, FollowPrintsLinesAsTheyAreWrittenAndAfterARotation) {
  const std::string log = scratch_ / "follow.log";
  test::WriteFileBytes(log, LogLine("07.12 09:00:00.000", 1, "first"));
  const platform::ChildOutput output{scratch_ / "follow-out.txt", scratch_ / "follow-err.txt"};
  const auto child = platform::SpawnProcess(BinFolder() + ZELMOR_PROGRAM_NAME,
                                            {"log", "-f", "--file", log, "--pid", "1"}, &output);
  ASSERT_NE(child, platform::kInvalidProcess);
  const auto printed = [&](const std::string& text) {
    return test::WaitUntil(
        [&] { return Printed(output.stdout_path).find(text) != std::string::npos; });
  };
  EXPECT_TRUE(printed("> first\n"));
  test::WriteFileBytes(log, test::ReadFileBytes(log) + LogLine("07.12 09:00:01.000", 2, "other") +
                                LogLine("07.12 09:00:02.000", 1, "second"));
  EXPECT_TRUE(printed("> second\n"));
  // Rotated: the log starts again, shorter than before.
  test::WriteFileBytes(log, LogLine("07.12 09:00:03.000", 1, "third"));
  EXPECT_TRUE(printed("> third\n"));
  platform::KillProcess(child);
  platform::CloseProcess(child);
  const std::string out = Printed(output.stdout_path);
  EXPECT_EQ(out.find("other"), std::string::npos) << out;
  EXPECT_EQ(Printed(output.stderr_path), "");
}

// A station made whole, then broken one way at a time: check holds on the
// whole one and names each fault with what to do.
TEST_F(ZelmorOnTheServer, CheckHoldsOnAWholeStationAndNamesEachFault) {
  ZELMOR_REQUIRE_SERVER();
  if (!OwnHome() || !OwnSettings()) GTEST_SKIP() << "the station's folders are the machine's";
  const std::string home = IncludeTrailingPathDelimiter(scratch_ / "home");
  const std::vector<std::string> server = Connection();  // --server h --port p --db d --password w
  std::filesystem::create_directories(home + "LogFiles");
  std::filesystem::create_directories(home + "DB");
  std::filesystem::create_directories(scratch_ / "locks");
  platform::SetEnvironmentVariable("ZEDE_LOCKDIR", scratch_ / "locks");
  std::filesystem::copy_file(BuiltLibrary(), home + platform::kZelmorLibraryFileName);
  const std::string fuel = home + "DB" + platform::kPathDelimiter + "VOLNEX.FDB";
  {
    TIBDatabase database;
    database.SetLoginPrompt(false);
    database.SetDatabaseName(server[1] + "/" + server[3] + ":" + fuel);
    database.Params().SetValues("user_name", "SYSDBA");
    database.Params().SetValues("password", server[7]);
    database.CreateDatabase();
  }
  const auto store = [&](const std::string& port, const std::string& password) {
    ASSERT_EQ(Run({"params", "fbport=" + port, "fbpassword=" + password}).code, 0);
  };
  store(server[3], server[7]);
  const Outcome whole = Run({"check"});
  EXPECT_EQ(whole.code, 0) << whole;
  EXPECT_EQ(whole.out.find("FAIL"), std::string::npos) << whole;
  EXPECT_NE(whole.out.find("ok    login: SYSDBA on " + fuel), std::string::npos) << whole;

  const std::string log_folder = home + "LogFiles";
  const std::string settings = (scratch_ / "windows") + platform::kPathDelimiter + "cnf.ini";
  struct Fault {
    const char* what;
    std::function<void()> make, mend;
    const char* shown;
  };
  const Fault faults[] = {
      {"a log folder every account may write",
       [&] { std::filesystem::permissions(log_folder, std::filesystem::perms::all); },
       [&] { std::filesystem::permissions(log_folder, std::filesystem::perms(0755)); },
       "FAIL  log folder: "},
      {"no settings file", [&] { std::filesystem::rename(settings, settings + ".away"); },
       [&] { std::filesystem::rename(settings + ".away", settings); }, "FAIL  cnf.ini: "},
      {"a wrong password", [&] { store(server[3], server[7] + "x"); },
       [&] { store(server[3], server[7]); }, "FAIL  login: login refused"},
      {"nothing at the port", [&] { store("1", server[7]); }, [&] { store(server[3], server[7]); },
       "FAIL  server: 127.0.0.1 port 1: nothing listens"},
      {"no library in the home",
       [&] { std::filesystem::rename(home + platform::kZelmorLibraryFileName, home + "away"); },
       [&] { std::filesystem::rename(home + "away", home + platform::kZelmorLibraryFileName); },
       "FAIL  library in the home: "},
  };
  for (const Fault& fault : faults) {
    fault.make();
    const Outcome broken = Run({"check", "--lib", BuiltLibrary()});
    fault.mend();
    EXPECT_EQ(broken.code, 1) << fault.what << "\n" << broken;
    EXPECT_NE(broken.out.find(fault.shown), std::string::npos) << fault.what << "\n" << broken;
    EXPECT_NE(broken.out.find("      to do: "), std::string::npos) << fault.what << "\n" << broken;
  }
}

}  // namespace
}  // namespace zelmor
