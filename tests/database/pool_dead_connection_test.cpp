// Server errors as hosts tell them apart (lost connection, lock conflict,
// the rest), made for real between pooled connections; and an idle pooled
// connection whose attachment the server killed, replaced on the next take.
#include <gtest/gtest.h>

#include "components/ib_dataset.h"
#include "components/ib_error_class.h"
#include "components/ib_transaction.h"
#include "database/transaction_factory.h"
#include "pool_fixture.h"
#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

using test::AttachmentOf;

using db::PoolSize;
using test::NumberText;
using test::PoolTest;

// As an administrator does it: the server ends the attachment.
void KillAttachment(int64_t id) {
  auto admin = test::ConnectShared();
  test::Execute(*admin, "delete from mon$attachments where mon$attachment_id = " +
                            std::to_string(id));
}

// The class of what `body` raised; fails the test when it raised nothing.
template <typename Body>
TIBErrorClass ClassRaisedBy(Body&& body, long* code = nullptr) {
  try {
    body();
  } catch (const EIBInterBaseError& error) {
    if (code) *code = error.IBErrorCode();
    return IBErrorClassOf(error);
  }
  ADD_FAILURE() << "nothing was raised";
  return TIBErrorClass::kOther;
}

void RunSql(TIBDatabase* database, TIBTransaction* transaction, const std::string& sql) {
  TIBDataSet statement;
  statement.SetDatabase(database);
  statement.SetTransaction(transaction);
  statement.SelectSQL().SetText(sql);
  statement.ExecSQL();
}

TEST_F(PoolTest, LockConflictsBetweenTwoPooledConnectionsAreClassifiedAsSuch) {
  ZELMOR_REQUIRE_SERVER();
  const std::string table = test::UniqueTable("POOL_LOCK");
  {
    auto admin = test::ConnectShared();
    test::Execute(*admin, "recreate table " + table + " (id integer, v integer)");
    test::Execute(*admin, "insert into " + table + " values (1, 0)");
  }
  const std::string update = "update " + table + " set v = v + 1 where id = 1";
  TIBDatabase* first = Take("A");
  TIBDatabase* second = Take("B");
  std::unique_ptr<TIBTransaction> holder(db::FBCreateTransaction(first, db::RC_RW, "", nullptr, "A"));
  holder->StartTransaction();
  RunSql(first, holder.get(), update);

  struct Case {
    const char* what;
    db::TTransactionKind kind;
    const char* params;  // in place of the kind's own, when given
  };
  for (const Case& c : {Case{"no wait", db::RC_RW, nullptr},
                        Case{"lock time-out", db::RC_RW, "read_committed\nrec_version\nwait\nlock_timeout=1"},
                        Case{"snapshot no wait", db::SS_RW, nullptr}}) {
    std::unique_ptr<TIBTransaction> other(db::FBCreateTransaction(second, c.kind, "", nullptr, "B"));
    if (c.params) other->Params().SetText(c.params);
    other->StartTransaction();
    long code = 0;
    EXPECT_EQ(ClassRaisedBy([&] { RunSql(second, other.get(), update); }, &code),
              TIBErrorClass::kLockConflict)
        << c.what << ", code " << code;
    other->Rollback();
  }

  // A snapshot that began before the other's commit conflicts with it.
  std::unique_ptr<TIBTransaction> snapshot(db::FBCreateTransaction(second, db::SS_RW, "", nullptr, "B"));
  snapshot->StartTransaction();
  holder->Commit();
  long code = 0;
  EXPECT_EQ(ClassRaisedBy([&] { RunSql(second, snapshot.get(), update); }, &code),
            TIBErrorClass::kLockConflict)
      << "update conflict, code " << code;
  snapshot->Rollback();

  EXPECT_EQ(ClassRaisedBy([&] { RunSql(second, second->DefaultTransaction(), "update no_such_table set v = 1"); }),
            TIBErrorClass::kOther);
  EXPECT_EQ(IBErrorClassOf(EIBClientError("Transaction is not active")), TIBErrorClass::kOther);
  Return(first);
  Return(second);
}

TEST_F(PoolTest, AnIdleConnectionKilledOnTheServerIsReplacedOnTheNextTake) {
  ZELMOR_REQUIRE_SERVER();
  TIBDatabase* killed = Take("Before");
  const int64_t killed_attachment = AttachmentOf(killed);
  const std::string killed_number = NumberText(killed);
  Return(killed);
  KillAttachment(killed_attachment);

  TIBDatabase* taken = nullptr;
  ASSERT_NO_THROW(taken = Take("After"));
  EXPECT_TRUE(taken->DefaultTransaction()->InTransaction());
  EXPECT_NE(AttachmentOf(taken), killed_attachment);
  EXPECT_EQ(PoolSize(), 1u) << "the dead entry left the pool";
  EXPECT_EQ(LinesWith("[After] DB:CLOSE (d" + killed_number).size(), 1u);
  EXPECT_EQ(LinesWith("[After] DB:OPEN (d" + NumberText(taken)).size(), 1u);

  // A busy connection killed under its user reports a lost connection.
  const int64_t attachment = AttachmentOf(taken);
  KillAttachment(attachment);
  EXPECT_EQ(ClassRaisedBy([&] { AttachmentOf(taken); }), TIBErrorClass::kLostConnection);
  try {
    Return(taken);
  } catch (const EIBError&) {
    // Rolling back the lost transaction may fail; the entry is idle anyway.
  }
  ASSERT_NO_THROW(Return(Take("Again")));
  EXPECT_EQ(PoolSize(), 1u);
}

}  // namespace
}  // namespace zelmor
