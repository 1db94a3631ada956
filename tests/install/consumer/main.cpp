// A host built against an installed Zelmor, as a third party builds one:
// the umbrella header and the runtime from the prefix alone, the library
// loaded by path with the installed loader, then a query on the run's
// private server (ZELMOR_FB_TEST_DB, "host/port:path"; skipped without one)
// in a database of this host's own.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <zelmor/zelmor.h>

namespace {

constexpr char kTag[] = "consumer";

int Fail(int code, const std::string& what) {
  std::fprintf(stderr, "consumer: %s\n", what.c_str());
  return code;
}

struct Server {
  std::string host, path, password;
  int port = 0;
};

bool ServerOfTheRun(Server& server) {
  const char* database = std::getenv("ZELMOR_FB_TEST_DB");
  const char* password = std::getenv("ZELMOR_FB_PASSWORD");
  if (!database || !*database || !password) return false;
  const std::string text = database;
  const size_t slash = text.find('/'), colon = text.find(':', slash);
  if (slash == std::string::npos || colon == std::string::npos) return false;
  server.host = text.substr(0, slash);
  server.port = std::atoi(text.substr(slash + 1, colon - slash - 1).c_str());
  // Beside the run's database, named for this build of the consumer.
  const std::string folder = text.substr(colon + 1, text.rfind('/') - colon);
  server.path = folder + "install-" + ZELMOR_CONSUMER_NAME + ".fdb";
  server.password = password;
  return true;
}

// The database made afresh through the runtime's own components.
void MakeDatabase(const Server& server) {
  zelmor::TIBDatabase database;
  database.SetLoginPrompt(false);
  database.SetDatabaseName(server.host + "/" + std::to_string(server.port) + ":" + server.path);
  database.Params().SetValues("user_name", "SYSDBA");
  database.Params().SetValues("password", server.password);
  database.Params().SetValues("lc_ctype", "WIN1251");
  try {
    database.Open();
    database.DropDatabase();
  } catch (const zelmor::EIBError&) {
    // none left by an earlier run
  }
  database.CreateDatabase();
  database.Close();
}

int Query(zelmor::ZelmorApi& api, const Server& server) {
  MakeDatabase(server);
  zelmor::TIBDatabase* database =
      api.FBGetIBDataBaseFromPool(server.path.c_str(), server.password.c_str(), server.port,
                                  server.host.c_str(), "SYSDBA", "WIN1251", kTag);
  std::unique_ptr<zelmor::TIBDataSet> rows(api.FBCreateDataSetForRead(database, 1, nullptr, kTag));
  rows->SelectSQL().SetText("SELECT 42 AS ANSWER, 'Zelmor' AS NAME FROM RDB$DATABASE");
  api.FBOpenDataSet(rows.get(), kTag);
  const int32_t answer = rows->Fields(0).AsInteger();
  const std::string name = rows->Fields(1).AsString();
  api.FBCloseDataSet(rows.get(), kTag);
  rows.reset();
  if (answer != 42 || name != "Zelmor") return Fail(10, "the query read " + name);

  // The server's refusal reaches the host as the runtime's own class.
  std::unique_ptr<zelmor::TIBDataSet> bad(api.FBCreateDataSetForRead(database, 1, nullptr, kTag));
  bad->SelectSQL().SetText("SELECT * FROM NO_SUCH_TABLE");
  try {
    api.FBOpenDataSet(bad.get(), kTag);
    return Fail(11, "a missing table raised nothing");
  } catch (const zelmor::EIBInterBaseError& error) {
    if (std::strstr(error.what(), "NO_SUCH_TABLE") == nullptr) return Fail(12, error.what());
  }
  bad.reset();
  api.FBReturnIBDataBaseToPool(database, kTag);
  return 0;
}

}  // namespace

int main() {
  zelmor::ZelmorApi api;
  std::string error;
  if (!api.Load(ZELMOR_FILE, error)) return Fail(1, error);
  if (api.GetFBPort() != 30050) return Fail(2, "the port is not the default");
  try {
    api.CommitTransactionWithReOpenDST(nullptr, nullptr);
    return Fail(3, "the disabled export raised nothing");
  } catch (const zelmor::Exception& exception) {
    if (std::strcmp(exception.ClassName(), "Exception") != 0) return Fail(4, exception.ClassName());
  }
  Server server;
  if (!ServerOfTheRun(server)) {
    std::puts("installed Zelmor loads (no server for the query)");
    return 0;
  }
  try {
    if (const int failed = Query(api, server)) return failed;
  } catch (const std::exception& failure) {
    return Fail(20, failure.what());
  }
  std::puts("installed Zelmor ran a query on the server");
  return 0;
}
