// Linux only: the fuel database in a child of fork(), which shares its
// parent's socket.
#include <exception>

#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "database/connect.h"
#include "database/fuel_database.h"
#include "database_test_support.h"
#include "fuel_fixture.h"
#include "platform/testing/accounts.h"

namespace zelmor::test {
namespace {

using test::AttachmentOf;

using db::FBGetGSMDataBase;
using db::FBSetGSMBaseConnect;

// A forked child shares its parent's socket: it gets a fuel connection of
// its own and leaves the parent's attached.
ZELMOR_CHILD_ROLE(fuel_fork) try {
  ChildSetup setup(args);
  TIBDatabase* parents = FBSetGSMBaseConnect("P");
  const int64_t attachment = AttachmentOf(parents);
  const int pid = platform::ForkProcess();
  if (pid == 0) {
    int code = 0;
    try {
      if (FBGetGSMDataBase() != nullptr) code = 40;
      TIBDatabase* own = FBSetGSMBaseConnect("C");
      if (!code && (own == parents || AttachmentOf(own) == attachment)) code = 41;
      db::FBDisconnectDB(own, "C");
    } catch (const std::exception&) {
      code = 42;
    }
    platform::EndForkedChild(code);
  }
  const int child = platform::WaitForkedChild(pid, 60000);
  if (child != 0) return child;
  if (FBSetGSMBaseConnect("P") != parents || AttachmentOf(parents) != attachment) return 43;
  setup.Report(parents);
  return 0;
} catch (const std::exception&) {
  return 44;
}

}  // namespace

TEST_F(FuelDatabase, AForkedChildConnectsOnItsOwnAndLeavesItsParentsConnection) {
  Run("fuel_fork", Home());
}

}  // namespace zelmor::test
