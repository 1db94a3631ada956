// A host that forks with pooled connections: the child shares the parent's
// sockets, so it must make connections of its own and leave the parent's
// alone, up to and including the pool's clearing at unload.
#include <gtest/gtest.h>

#include <exception>

#include "components/ib_dataset.h"
#include "pool_fixture.h"
#include "platform/testing/accounts.h"
#include "test_server.h"

namespace zelmor {
namespace {

using test::AttachmentOf;

using test::PoolTest;

enum ChildCode { kChildOk, kGotParentsObject, kGotParentsAttachment, kChildFailed };

class PoolForkTest : public PoolTest {
 protected:
  // In the child: take, query, return, clear as unload does; the first
  // fault seen, every step run all the same.
  int ChildUsesThePool(TIBDatabase* parents, int64_t parents_attachment) {
    try {
      TIBDatabase* database = Take("C");
      const int64_t attachment = AttachmentOf(database);
      Return(database, "C");
      // One the parent took: returning it changes nothing here.
      Return(parents, "C");
      db::ClearPool();
      if (database == parents) return kGotParentsObject;
      return attachment == parents_attachment ? kGotParentsAttachment : kChildOk;
    } catch (const std::exception&) {
      return kChildFailed;
    }
  }
};

TEST_F(PoolForkTest, AChildMakesItsOwnConnectionsAndLeavesItsParentsAttached) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* parents = Take("P");
  const int64_t attachment = AttachmentOf(parents);
  Return(parents, "P");
  ASSERT_EQ(db::PoolSize(), 1u);

  const int pid = platform::ForkProcess();
  ASSERT_GE(pid, 0);
  if (pid == 0) platform::EndForkedChild(ChildUsesThePool(parents, attachment));
  EXPECT_EQ(platform::WaitForkedChild(pid, 60000), kChildOk)
      << "1: the child got the parent's object; 2: its attachment; 3: a failure; -1000: it hung";

  TIBDatabase* again = Take("P");
  EXPECT_EQ(again, parents) << "the parent's idle entry stays its own";
  int64_t after = 0;
  EXPECT_NO_THROW(after = AttachmentOf(again)) << "the child closed the parent's attachment";
  EXPECT_EQ(after, attachment);
  Return(again, "P");
}

}  // namespace
}  // namespace zelmor
