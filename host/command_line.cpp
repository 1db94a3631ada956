// CLI11 does the parsing; what it takes as extras (unknown options, stray
// words) is refused here, each with a message that names it.
#include "host/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>

#include "host/station_paths.h"
#include "platform/process.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

constexpr char kExitCodes[] =
    "Exit codes: 0 ok, 1 failure, 2 usage, 3 no library, 4 no server, 5 statement failed,\n"
    "6 the server did not answer in time, 7 login refused, 8 database not found or not allowed.";

std::string LibraryLookupText() {
  return "The library is loaded from --lib, else from the file the environment variable\n"
         "ZELMOR_LIBRARY names, else from the station home (" +
         HomeLibraryPath() + "),\nelse from beside this program (installed: " +
         ZELMOR_INSTALLED_LIBRARY_FROM_PROGRAM + ").";
}

std::string LogConditionText() {
  return "The library writes the event log only when it was loaded from the station\nhome (" +
         HomeLibraryPath() + ").";
}

constexpr char kMomentText[] =
    "MOMENT: dd.mm[.yyyy] [hh:nn[:ss]] as the log prints it (07.12 03:51),\n"
    "yyyy-mm-dd[Thh:nn[:ss]] (2026-12-07T03:51), or hh:nn[:ss] for today; parts left\n"
    "out are 0, and both ends are included. The log's timestamps carry no year: a\n"
    "date later than today is last year's.";

constexpr char kStatsText[] =
    "--stats: per process and operation (DB:OPEN, DB:CLOSE, TRAN:START, TRAN:COMMIT,\n"
    "TRAN:ROLLBACK, TAB:OPEN, TAB:CLOSE, ExecSQL ...) the count, the failures (their\n"
    "error lines), the duration in ms and, for connections, the wait for the connect\n"
    "lock (the w of DB:OPEN and DB:CLOSE), each as median (p50), p95 and max; then\n"
    "the slowest operations. Over the archives and the log, after the filters.";

constexpr char kLibraryOptionsText[] =
    "Arguments fbport=N and fbpassword=TEXT (or fbpass=, fbpsw=, fbpassw=) are the\n"
    "library's, as on every suite program's command line: loading, it stores them in\n"
    "the settings file for later runs. They may stand anywhere.";

// The whole of `text` as a decimal number; false for anything else.
template <typename Number>
bool WholeNumber(const std::string& text, Number& value) {
  const char* end = text.data() + text.size();
  const auto [stop, failure] = std::from_chars(text.data(), end, value);
  return !text.empty() && failure == std::errc() && stop == end;
}

bool PortNumber(const std::string& text, int& port) {
  return WholeNumber(text, port) && port >= 1 && port <= 65535;
}

// Where the station's folders come from, as the library sees them too.
std::string StationVariablesText() {
  return "Station home " + platform::ZedeHome() + ", settings file cnf.ini in " +
         platform::WindowsDirectory() +
         ";\non Linux the environment variables ZEDE_HOME and ZEDE_WINDIR name them.";
}

// An fbport= the library could not store is refused before it loads.
std::optional<std::string> RefusedLibraryOption(const std::string& argument) {
  const std::string lower = AsciiLowerCase(argument);
  if (!lower.starts_with("fbport=")) return std::nullopt;
  const std::string value = argument.substr(7);
  int port = 0;
  if (PortNumber(value, port)) return std::nullopt;
  return argument + ": '" + value + "' is no port number (1-65535)";
}

// The suite's own options, which the library reads from the process's
// command line at load (letters A-Z compared without case).
bool IsLibraryOption(const std::string& argument) {
  const std::string lower = AsciiLowerCase(argument);
  for (const char* prefix : {"fbport=", "fbpassword=", "fbpass=", "fbpsw=", "fbpassw="})
    if (lower.starts_with(prefix)) return true;
  return false;
}

// CLI11 speaks of subcommands and positionals; zelmor has commands and arguments.
void UseOurLabels(CLI::App& app) {
  auto formatter = app.get_formatter();
  formatter->label("SUBCOMMAND", "COMMAND");
  formatter->label("SUBCOMMANDS", "COMMANDS");
  formatter->label("Positionals", "Arguments");
  formatter->label("REQUIRED", "");
  formatter->column_width(24);
}

// The value of an option as its converter takes it; a refusal becomes a
// usage error that names the option.
template <typename Convert>
CLI::Option* AddChecked(CLI::App& command, const std::string& name, const std::string& type,
                        const std::string& help, Convert convert) {
  const std::string option = name.substr(name.rfind(',') + 1);
  return command
      .add_option_function<std::string>(
          name,
          [convert, option](const std::string& value) {
            std::string error;
            if (!convert(value, error)) throw CLI::ValidationError(option, error);
          },
          help)
      ->type_name(type);
}

void AddConnectionOptions(CLI::App& command, ConnectionOptions& connection) {
  command.add_option("--server", connection.server, "database server (127.0.0.1)")
      ->type_name("HOST");
  AddChecked(command, "--port", "N", "server port (the one the library settled at load)",
             [&connection](const std::string& value, std::string& error) {
               int port = 0;
               if (!PortNumber(value, port)) {
                 error = "'" + value + "' is no port number (1-65535)";
                 return false;
               }
               connection.port = port;
               return true;
             });
  command.add_option("--db", connection.database, "database file (the station's fuel database)")
      ->type_name("PATH");
  command.add_option("--user", connection.user, "user name (SYSDBA)")->type_name("NAME");
  command.add_option("--password", connection.password,
                     "password (the one the library settled at load)")
      ->type_name("TEXT");
  command.add_option("--charset", connection.charset, "connection character set (WIN1251)")
      ->type_name("NAME");
}

void AddStatement(CLI::App& command, Invocation& invocation) {
  command.add_option("statement", invocation.statement, "the SQL statement, as one argument")
      ->type_name("SQL")
      ->required();
  command.footer("Quote the statement: it is one argument.");
}

struct GrepOptions {
  std::string pattern;
  bool ignore_case = false;
};

void AddLogOptions(CLI::App& command, LogOptions& log, GrepOptions& grep, const Today& today) {
  command.add_flag("-f,--follow", log.follow, "keep printing lines as they are written");
  command.add_option("--file", log.file, "read this log instead of the station's (" +
                                             EventLogPath() + ")")
      ->type_name("PATH");
  command.add_flag("-a,--archives", log.archives,
                   "print the archives (FBEvents.log001, 000 ...) before the log");
  AddChecked(command, "--level", "LIST",
             "only lines of these levels: 0-7 or plain, info, error, fault, warning, event, "
             "debug, other; comma-separated",
             [&log](const std::string& value, std::string& error) {
               return ParseLevels(value, log.filter.levels, error);
             });
  AddChecked(command, "--pid", "LIST", "only lines of these processes (P: of <P:412;T:388>)",
             [&log](const std::string& value, std::string& error) {
               return ParsePids(value, log.filter.pids, error);
             });
  AddChecked(command, "--since", "MOMENT", "only lines written at or after MOMENT",
             [&log, today](const std::string& value, std::string& error) {
               log.filter.since = ParseMoment(value, today, error);
               return log.filter.since.has_value();
             });
  AddChecked(command, "--until", "MOMENT", "only lines written at or before MOMENT",
             [&log, today](const std::string& value, std::string& error) {
               log.filter.until = ParseMoment(value, today, error);
               return log.filter.until.has_value();
             });
  // Compiled once the command line is read, as -i may come after it.
  command.add_option("--grep", grep.pattern,
                     "only lines in which this regular expression (ECMAScript) matches")
      ->type_name("REGEX");
  command.add_flag("-i,--ignore-case", grep.ignore_case, "--grep without regard to case");
  AddChecked(command, "-n,--lines", "N",
             "only the last N lines taken (with -f: then the new ones, as tail -f)",
             [&log](const std::string& value, std::string& error) {
               size_t count = 0;
               if (!WholeNumber(value, count)) {
                 error = "'" + value + "' is no line count";
                 return false;
               }
               log.last = count;
               return true;
             });
  command.add_option("--color,--colour", log.colour,
                     "colour the levels: auto (on a terminal, unless NO_COLOR is set or "
                     "TERM=dumb), always, never")
      ->type_name("WHEN")
      ->transform(CLI::CheckedTransformer(
          std::map<std::string, Colour>{
              {"auto", Colour::kAuto}, {"always", Colour::kAlways}, {"never", Colour::kNever}},
          CLI::ignore_case));
  command.add_flag("--stats", log.stats,
                   "figures per process and operation instead of the lines (see below)");
  command.footer(std::string(kMomentText) + "\n\n" + kStatsText + "\n\n" + LogConditionText());
}

// CLI11's words where ours say it plainer: a missing value ends in its type
// words, a missing statement uses the argument's name.
std::string UsageMessage(const CLI::ParseError& error) {
  const std::string what = error.what();
  if (dynamic_cast<const CLI::RequiredError*>(&error) && what.starts_with("statement "))
    return "the SQL statement is missing";
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && what.ends_with(" missing")) {
    return what.substr(0, what.find(':')) + " needs a value";
  }
  return what;
}

// Unknown options and stray words, as CLI11 left them over.
std::string ExtrasMessage(const std::vector<std::string>& extras, const CLI::App* command) {
  const std::string& first = extras.front();
  if (first.size() > 1 && first[0] == '-') return "unknown option " + first;
  if (!command) return "unknown command " + first;
  std::string words;
  for (const auto& extra : extras) words += (words.empty() ? "" : " ") + extra;
  if (command->get_name() == "query" || command->get_name() == "exec") {
    return "the statement is one argument: quote it (left over: " + words + ")";
  }
  return "unexpected argument " + words;
}

ParsedCommandLine Outcome(ParsedCommandLine::Outcome outcome, std::string text) {
  ParsedCommandLine parsed;
  parsed.outcome = outcome;
  parsed.text = std::move(text);
  return parsed;
}

ParsedCommandLine Shown(std::string text) {
  if (!text.ends_with('\n')) text += '\n';
  return Outcome(ParsedCommandLine::kShow, std::move(text));
}

ParsedCommandLine UsageError(const std::string& message, const CLI::App* command) {
  const std::string where = command ? "zelmor " + command->get_name() : "zelmor";
  return Outcome(ParsedCommandLine::kUsageError,
                 where + ": " + message + "\nTry '" + where + " --help'.\n");
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                                   const Today& today) {
  ParsedCommandLine parsed;
  Invocation& invocation = parsed.invocation;
  CLI::App app("zelmor: a program of the station suite in miniature; it works through the "
               "Zelmor library's exports.",
               "zelmor");
  UseOurLabels(app);
  // A later value of an option replaces an earlier one.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.set_version_flag("--version", "zelmor " ZELMOR_VERSION);
  app.allow_extras();
  app.require_subcommand(0, 1);
  app.add_option("--lib", invocation.library, "the library to load (see below)")
      ->type_name("PATH");
  app.footer("'zelmor COMMAND --help' tells more about a command.\n" + LibraryLookupText() +
             "\n" + kLibraryOptionsText + "\n" + StationVariablesText() + "\n" + kExitCodes);

  std::vector<const CLI::App*> commands;
  auto add_command = [&app, &commands](const char* name, const std::string& help) {
    CLI::App* command = app.add_subcommand(name, help);
    command->group("Commands");
    commands.push_back(command);
    command->fallthrough();  // --lib may follow the command
    command->allow_extras();
    UseOurLabels(*command);
    return command;
  };
  CLI::App* query = add_command("query", "run a SELECT on a pooled connection, print the rows");
  AddStatement(*query, invocation);
  AddConnectionOptions(*query, invocation.connection);
  query->add_flag("--json", invocation.json,
                  "one JSON object per row, each column a string or null");
  query->footer("Quote the statement: it is one argument.\nIn the table a NULL shows as NULL, "
                "the text NULL as \\NULL; \\, | and line breaks in a text as \\\\, \\| "
                "and \\n.");
  CLI::App* exec = add_command("exec", "run a statement in a write transaction, commit it");
  AddStatement(*exec, invocation);
  AddConnectionOptions(*exec, invocation.connection);
  add_command("fuel", "tank levels and sales by grade from the station's fuel database");
  CLI::App* log = add_command("log", "show the event log, filtered or followed, or its figures");
  GrepOptions grep;
  AddLogOptions(*log, invocation.log, grep, today);
  log->add_flag("--json", invocation.log.json,
                "one JSON object per entry: time, pid, tid, program, level, tag, operation, "
                "failed, duration_ms, wait_ms, text (its further lines joined)");
  add_command("check", "the station as the library sees it: folders, settings, layout, "
                       "client, server; what to do for each item that fails");
  CLI::App* params = add_command("params", "the database port (and password) the library read");
  params->add_flag("--show-password", invocation.show_password, "show the password too");
  CLI::App* help = add_command("help", "this text, or a command's with 'help COMMAND'");
  std::string help_topic;
  help->add_option("command", help_topic, "the command to tell about")->type_name("COMMAND");

  std::vector<std::string> reversed;
  for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument) {
    if (!IsLibraryOption(*argument)) {
      reversed.push_back(*argument);
    } else if (const auto refused = RefusedLibraryOption(*argument)) {
      return UsageError(*refused, nullptr);
    }
  }
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    // "zelmor nosuch --help" asks about a command there is not.
    if (app.get_subcommands().empty()) {
      for (const auto& extra : app.remaining(true))
        if (!extra.starts_with("-")) return UsageError("unknown command " + extra, nullptr);
    }
    return Shown(app.help());
  } catch (const CLI::CallForVersion& version) {
    return Shown(std::string(version.what()) + "\n");
  } catch (const CLI::ParseError& error) {
    const auto selected = app.get_subcommands();
    return UsageError(UsageMessage(error), selected.empty() ? nullptr : selected.front());
  }
  const auto selected = app.get_subcommands();
  const CLI::App* command = selected.empty() ? nullptr : selected.front();
  std::vector<std::string> extras;
  for (const auto& extra : app.remaining(true))
    if (extra != "--") extras.push_back(extra);
  if (!extras.empty()) return UsageError(ExtrasMessage(extras, command), command);
  if (!command) return UsageError("no command given", nullptr);
  if (command == help) {
    // help() would tell about the command given, which is help itself.
    const auto formatter = app.get_formatter();
    if (help_topic.empty())
      return Shown(formatter->make_help(&app, "zelmor", CLI::AppFormatMode::Normal));
    for (const CLI::App* topic : commands)
      if (topic->get_name() == help_topic) return Shown(topic->help("zelmor"));
    return UsageError("no command " + help_topic, command);
  }
  invocation.command = command->get_name();
  if (!grep.pattern.empty()) {
    try {
      invocation.log.filter.fold_case = grep.ignore_case;
      if (grep.ignore_case)
        invocation.log.filter.grep.emplace(FoldedPattern(grep.pattern),
                                           std::regex::ECMAScript | std::regex::icase);
      else
        invocation.log.filter.grep.emplace(grep.pattern);
    } catch (const std::regex_error& bad) {
      return UsageError("--grep: '" + grep.pattern + "' is no regular expression: " + bad.what(),
                        command);
    }
  }
  if ((command == query || command == exec) && invocation.statement.empty())
    return UsageError("the SQL statement is empty", command);
  if (invocation.log.stats && invocation.log.follow)
    return UsageError("--stats and --follow do not go together", command);
  if (invocation.log.stats && invocation.log.json)
    return UsageError("--stats and --json do not go together", command);
  return parsed;
}

}  // namespace zelmor::host
