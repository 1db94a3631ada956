// Making transactions: kinds, naming, ownership, the creation line piece by
// piece, and nothing left behind on failure. No server is needed.
#include <gtest/gtest.h>

#include "components/ib_database.h"
#include "components/ib_dataset.h"
#include "components/ib_transaction.h"
#include "database/database_piece.h"
#include "database/process_state.h"
#include "database/transaction_factory.h"
#include "database_test_support.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

using db::FBCreateTransaction;
using db::TTransactionKind;
using test::NumberText;

using TransactionFactoryTest = test::LoggedTest;

TEST_F(TransactionFactoryTest, EachKindGetsItsLinesAndRollsBackByDefault) {
  TIBDatabase database;
  const std::vector<std::pair<TTransactionKind, std::vector<std::string>>> kinds = {
      {db::RC_RW, {"read_committed", "rec_version", "nowait"}},
      {db::RC_RO, {"read_committed", "rec_version", "nowait", "read"}},
      {db::SS_RW, {"concurrency", "nowait"}},
  };
  for (const auto& [kind, lines] : kinds) {
    TIBTransaction* transaction = FBCreateTransaction(&database, kind, "", &database, "T");
    EXPECT_EQ(transaction->Params().Lines(), lines) << db::TransactionKindName(kind);
    EXPECT_EQ(transaction->DefaultDatabase(), &database);
    EXPECT_EQ(transaction->DefaultAction(), taRollback);
    EXPECT_EQ(transaction->Owner(), &database);
    EXPECT_FALSE(transaction->InTransaction());
  }
  EXPECT_EQ(database.ComponentCount(), 3);
}

TEST_F(TransactionFactoryTest, TheCreationLineHasOnlyThePiecesThatApply) {
  TIBDatabase pooled;
  TIBDatabase fuel;
  fuel.SetName("GSMDatabase");
  TIBDatabase main;
  main.SetName("MAIN");
  auto* dataset = new TIBDataSet;
  auto* named_owner = new TIBDataSet;
  named_owner->SetName("Reader");

  delete FBCreateTransaction(nullptr, db::RC_RW, "", nullptr, "T");
  FBCreateTransaction(&pooled, db::RC_RO, "", &pooled, "?");
  FBCreateTransaction(&fuel, db::RC_RO, "GSMTransaction", &fuel, "Main");
  FBCreateTransaction(&main, db::RC_RW, "", dataset, "Orders");
  FBCreateTransaction(nullptr, db::SS_RW, "Tr1", named_owner, "");
  delete dataset;
  delete named_owner;

  EXPECT_EQ(Lines(), (std::vector<std::string>{
      "[T] TRAN:CREATE ( Тип:RC_RW)",
      "[?] TRAN:CREATE (d" + NumberText(&pooled) + " Тип:RC_RO Владелец:-TIBDatabase)",
      "[Main] TRAN:CREATE (d" + NumberText(&fuel) +
          " Имя:GSMTransaction БД:GSMDatabase Тип:RC_RO Владелец:GSMDatabase-TIBDatabase)",
      "[Orders] TRAN:CREATE (d" + NumberText(&main) + " БД:MAIN Тип:RC_RW Владелец:-TIBDataSet)",
      "[] TRAN:CREATE ( Имя:Tr1 Тип:SS_RW Владелец:Reader-TIBDataSet)",
  }));
}

TEST_F(TransactionFactoryTest, AnUnknownKindLeavesNothingBehind) {
  TIBDatabase database;
  for (const uint8_t value : {3, 255}) {
    try {
      FBCreateTransaction(&database, static_cast<TTransactionKind>(value), "Tr", &database, "T");
      FAIL() << "kind " << int{value} << " was accepted";
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), "Заданный тип транзакции не поддерживается: Неизвестно");
    }
  }
  EXPECT_EQ(database.ComponentCount(), 0);
  EXPECT_TRUE(database.Transactions().empty());
  const std::string error_line =
      "[T] Ошибка создания транзакции: Заданный тип транзакции не поддерживается: Неизвестно";
  EXPECT_EQ(Lines(), (std::vector<std::string>{error_line, error_line}));
}

TEST_F(TransactionFactoryTest, ARefusedNameFreesTheTransactionAndLogsTheComponentsMessage) {
  TIBDatabase database;
  FBCreateTransaction(&database, db::RC_RW, "Tr", &database, "T");
  std::vector<std::string> messages;
  for (const std::string name : {"1bad", "tr"}) {
    try {
      FBCreateTransaction(&database, db::RC_RW, name, &database, "T");
      FAIL() << name << " was accepted";
    } catch (const EComponentError& error) {
      messages.push_back(error.Message());
    }
  }
  EXPECT_EQ(database.ComponentCount(), 1) << "only the first transaction stays";
  EXPECT_EQ(database.Transactions().size(), 1u);
  ASSERT_EQ(messages.size(), 2u);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "[T] Ошибка создания транзакции: " + messages[0]);
  EXPECT_EQ(lines[2], "[T] Ошибка создания транзакции: " + messages[1]);
}

TEST_F(TransactionFactoryTest, WithoutTheSwitchNothingIsWritten) {
  db::LogDbOperations = false;
  TIBDatabase database;
  FBCreateTransaction(&database, db::RC_RO, "", &database, "T");
  EXPECT_THROW(FBCreateTransaction(&database, static_cast<TTransactionKind>(7), "", &database, "T"),
               Exception);
  EXPECT_TRUE(Lines().empty());
}

// The number that ties an object's lines together is its address read as a
// signed 32-bit integer, as the 32-bit DLL prints it: the upper half of a
// 64-bit address is dropped, and an address from 2 GiB up is negative.
TEST(ObjectNumber, IsTheAddressAsASigned32BitNumberOnEveryWidth) {
  const auto number = [](uintptr_t address) {
    return db::ObjectNumber(reinterpret_cast<const void*>(address));
  };
  EXPECT_EQ(number(0), 0);
  EXPECT_EQ(number(0x0012F3A8), 1242024);
  EXPECT_EQ(number(0x7FFFFFFF), 2147483647);
  EXPECT_EQ(number(0x80000000), -2147483647 - 1);
  EXPECT_EQ(number(0xF7A01230), -140504528);
  EXPECT_EQ(db::DatabasePiece(reinterpret_cast<const TIBDatabase*>(uintptr_t{0xF7A01230})),
            "d-140504528, ");
  EXPECT_EQ(db::DatabasePiece(nullptr), "");
  if constexpr (sizeof(uintptr_t) == 8) {
    EXPECT_EQ(number(static_cast<uintptr_t>(0x00007FFDF7A01230ull)), -140504528);
    EXPECT_EQ(number(static_cast<uintptr_t>(0x000055550012F3A8ull)), 1242024);
  }
}

}  // namespace
}  // namespace zelmor
