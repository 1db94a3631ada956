// Datasets reading and writing every column type through named parameters.
#include <gtest/gtest.h>

#include "components/ib_datetime.h"
#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

class DataSetTest : public testing::Test {
 protected:
  // The table is made once: a metadata change per case would conflict with
  // whatever an earlier case left attached.
  static void SetUpTestSuite() {
    if (!test::ServerUnavailable().empty()) return;
    test::Execute(*test::ConnectShared(),
                  "recreate table " + Table() +
                      " (id integer not null primary key, name varchar(40),"
                      " code char(4), small smallint, big bigint,"
                      " price numeric(15,2), rate double precision, f float,"
                      " on_day date, at_time time, stamp timestamp,"
                      " memo blob sub_type text, data blob sub_type binary)");
  }
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = test::ConnectShared();
    test::Execute(*database_, "delete from " + table_);
    transaction_ = test::MakeTransaction(*database_, "read_committed\nrec_version\nnowait");
    database_->SetDefaultTransaction(transaction_);
    transaction_->StartTransaction();
  }
  static std::string Table() { return test::UniqueTable("T_DATA"); }

  // A dataset of the test's database and default transaction.
  std::unique_ptr<TIBDataSet> Make(const std::string& sql) {
    auto dataset = std::make_unique<TIBDataSet>();
    dataset->SetDatabase(database_.get());
    dataset->SelectSQL().SetText(sql);
    return dataset;
  }
  std::unique_ptr<TIBDataSet> Insert() {
    return Make("insert into " + table_ +
                " (id, name, code, small, big, price, rate, f, on_day, at_time, stamp, memo, data)\n"
                "values (:id, :name, :code, :small, :big, :price, :rate, :f, :on_day, :at_time,"
                " :stamp, :memo, :data)");
  }
  std::unique_ptr<TIBDataSet> SelectById(int id) {
    auto query = Make("select * from " + table_ + " where id = :id");
    query->ParamByName("ID").SetAsInteger(id);
    query->Open();
    return query;
  }

  std::string table_ = Table();
  std::unique_ptr<TIBDatabase> database_;
  TIBTransaction* transaction_ = nullptr;
};

TEST_F(DataSetTest, EveryColumnTypeRoundTripsThroughParameters) {
  const DateTime day = EncodeDate(2024, 2, 29);
  const DateTime moment = EncodeTime(13, 45, 30, 250);
  const DateTime stamp = EncodeDate(1899, 12, 29) - EncodeTime(6, 0, 0, 0);  // before day zero
  auto insert = Insert();
  ASSERT_EQ(insert->Transaction(), transaction_);
  insert->ParamByName("id").SetAsInteger(1);
  insert->ParamByName("name").SetAsString("Ivanov");
  insert->ParamByName("code").SetAsString("AB");
  insert->ParamByName("small").SetAsString("-12");  // the server converts text
  insert->ParamByName("big").SetAsInteger(9007199254740993LL);
  insert->ParamByName("price").SetAsFloat(1234.565);
  insert->ParamByName("rate").SetAsFloat(0.1);
  insert->ParamByName("f").SetAsFloat(2.5);
  insert->ParamByName("on_day").SetAsDateTime(day + moment);  // the time part is dropped
  insert->ParamByName("at_time").SetAsDateTime(moment);
  insert->ParamByName("stamp").SetAsDateTime(stamp);
  insert->ParamByName("memo").SetAsString("line 1\r\nline 2");
  insert->ParamByName("data").SetAsString(std::string("\0\1\2\xFF", 4));
  insert->ExecSQL();

  auto row = SelectById(1);
  ASSERT_FALSE(row->Eof());
  EXPECT_EQ(row->FieldCount(), 13);
  EXPECT_EQ(row->FieldByName("NAME").AsString(), "Ivanov");
  EXPECT_EQ(row->FieldByName("code").AsString(), "AB  ");
  EXPECT_EQ(row->FieldByName("small").AsInteger(), -12);
  EXPECT_EQ(row->FieldByName("big").AsInt64(), 9007199254740993LL);
  EXPECT_THROW(row->FieldByName("big").AsInteger(), EConvertError);
  EXPECT_DOUBLE_EQ(row->FieldByName("price").AsFloat(), 1234.57);
  EXPECT_EQ(row->FieldByName("price").AsInt64(), 1235);
  EXPECT_DOUBLE_EQ(row->FieldByName("rate").AsFloat(), 0.1);
  EXPECT_DOUBLE_EQ(row->FieldByName("f").AsFloat(), 2.5);
  EXPECT_DOUBLE_EQ(row->FieldByName("on_day").AsDateTime(), day);
  EXPECT_NEAR(row->FieldByName("at_time").AsDateTime(), moment, 1e-9);
  EXPECT_NEAR(row->FieldByName("stamp").AsDateTime(), stamp, 1e-9);
  EXPECT_EQ(row->FieldByName("memo").AsString(), "line 1\r\nline 2");
  EXPECT_EQ(row->FieldByName("data").AsString(), std::string("\0\1\2\xFF", 4));
  EXPECT_THROW(row->FieldByName("on_day").AsInteger(), EConvertError);
  EXPECT_THROW(row->FieldByName("nope"), EIBClientError);
  EXPECT_EQ(row->FindField("nope"), nullptr);
  row->Next();
  EXPECT_TRUE(row->Eof());
}

TEST_F(DataSetTest, NullParametersGiveNullFields) {
  auto insert = Insert();
  insert->ParamByName("id").SetAsInteger(2);
  insert->ParamByName("name").SetAsString("set, then cleared");
  insert->ParamByName("name").Clear();
  insert->ExecSQL();
  auto row = SelectById(2);
  for (int i = 1; i < row->FieldCount(); ++i) {
    const TIBField& field = row->Fields(i);
    EXPECT_TRUE(field.IsNull()) << field.FieldName();
    EXPECT_EQ(field.AsString(), "") << field.FieldName();
    EXPECT_EQ(field.AsInteger(), 0) << field.FieldName();
  }
  EXPECT_FALSE(row->Fields(0).IsNull());
}

TEST_F(DataSetTest, CyrillicTextRoundTripsInCp1251) {
  const std::string name = "Заправка №5 «Ёлка»";  // CP1251 bytes at run time
  auto insert = Insert();
  insert->ParamByName("id").SetAsInteger(3);
  insert->ParamByName("name").SetAsString(name);
  insert->ParamByName("memo").SetAsString(name);
  insert->ExecSQL();
  auto row = SelectById(3);
  EXPECT_EQ(row->FieldByName("name").AsString(), name);
  EXPECT_EQ(row->FieldByName("memo").AsString(), name);
  // The server sees characters, not bytes: upper-casing works on them.
  auto upper = Make("select upper(name) from " + table_ + " where name = :n");
  upper->ParamByName("n").SetAsString(name);
  upper->Open();
  ASSERT_FALSE(upper->Eof());
  EXPECT_EQ(upper->Fields(0).AsString(), "ЗАПРАВКА №5 «ЁЛКА»");
}

TEST_F(DataSetTest, BlobsOverSixtyFourKilobytesRoundTripWhole) {
  std::string text;
  while (text.size() < 200000) text += "строка " + std::to_string(text.size()) + "\r\n";
  std::string binary(150001, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 % 256);
  auto insert = Insert();
  insert->ParamByName("id").SetAsInteger(4);
  insert->ParamByName("memo").SetAsString(text);
  insert->ParamByName("data").SetAsString(binary);
  insert->ExecSQL();
  auto row = SelectById(4);
  EXPECT_EQ(row->FieldByName("memo").AsString(), text);
  EXPECT_EQ(row->FieldByName("data").AsString(), binary);
}

TEST_F(DataSetTest, TooLongTextForAPlainColumnIsAClientError) {
  auto insert = Insert();
  insert->ParamByName("id").SetAsInteger(5);
  insert->ParamByName("name").SetAsString(std::string(40000, 'x'));
  EXPECT_THROW(insert->ExecSQL(), EIBClientError);
}

TEST_F(DataSetTest, NavigatesForwardAndFirstStartsAgain) {
  for (int id = 10; id < 15; ++id) {
    test::Execute(*database_, "insert into " + table_ + " (id) values (" + std::to_string(id) + ")");
  }
  auto query = Make("select id from " + table_ + " where id >= :low order by id");
  query->ParamByName("low").SetAsInteger(10);
  query->Open();
  std::vector<int> ids;
  for (; !query->Eof(); query->Next()) ids.push_back(query->FieldByName("ID").AsInteger());
  EXPECT_EQ(ids, (std::vector<int>{10, 11, 12, 13, 14}));
  query->Next();  // past the end stays at the end
  EXPECT_TRUE(query->Eof());
  query->First();
  EXPECT_FALSE(query->Eof());
  EXPECT_EQ(query->Fields(0).AsInteger(), 10);
  query->Close();
  query->ParamByName("low").SetAsInteger(100);
  query->Open();
  EXPECT_TRUE(query->Eof());
  query->First();
  EXPECT_TRUE(query->Eof());
}

TEST_F(DataSetTest, StatementsInTheWrongPlaceAreRefused) {
  auto insert = Make("insert into " + table_ + " (id) values (99)");
  EXPECT_THROW(insert->Open(), EIBClientError);
  EXPECT_FALSE(insert->Active());
  auto broken = Make("select nothing from " + table_);
  try {
    broken->Open();
    FAIL();
  } catch (const EIBInterBaseError& error) {
    EXPECT_EQ(error.SQLCode(), -206);
    EXPECT_NE(error.Message().find("NOTHING"), std::string::npos) << error.Message();
  }
  EXPECT_FALSE(broken->Active());
  auto query = Make("select id from " + table_);
  query->Open();
  EXPECT_THROW(query->SetDatabase(nullptr), EIBClientError);
  EXPECT_THROW(query->ExecSQL(), EIBClientError);
  query->Open();  // already open: nothing happens
  EXPECT_TRUE(query->Active());
}

// Each dataset keeps one statement on the server, however often it runs or
// fails after its prepare, and leaves none once unprepared or freed.
TEST_F(DataSetTest, ADataSetKeepsOneStatementOnTheServerUntilUnprepared) {
  const std::string statements =
      "select count(*) from mon$statements where mon$attachment_id = current_connection";
  const int64_t before = test::QueryInteger(*database_, statements);
  auto query = Make("select id from " + table_ + " where id > :low");
  auto update = Make("update " + table_ + " set id = id where id < :low");
  for (int i = 0; i < 1000; ++i) {
    query->ParamByName("low").SetAsInteger(i);
    query->Open();
    query->Close();
    update->ParamByName("low").SetAsInteger(-i);
    update->ExecSQL();
  }
  // Each way a statement can fail after it was prepared.
  auto not_a_query = Make("insert into " + table_ + " (id) values (1)");
  auto fails_at_fetch = Make("select 1 / 0 from rdb$database");
  auto fails_at_execute = Make("insert into " + table_ + " (id) values (null)");
  for (int i = 0; i < 100; ++i) {
    EXPECT_THROW(not_a_query->Open(), EIBClientError);
    EXPECT_THROW(fails_at_fetch->Open(), EIBInterBaseError);
    EXPECT_THROW(fails_at_execute->ExecSQL(), EIBInterBaseError);
  }
  EXPECT_EQ(test::QueryInteger(*database_, statements), before + 5);
  // A new text is prepared in place of the old one.
  query->SelectSQL().SetText("select id from " + table_);
  query->Open();
  EXPECT_EQ(test::QueryInteger(*database_, statements), before + 5);
  query->Unprepare();
  EXPECT_FALSE(query->Active());
  update.reset();
  EXPECT_EQ(test::QueryInteger(*database_, statements), before + 3);
  not_a_query.reset();
  fails_at_fetch.reset();
  fails_at_execute.reset();
  EXPECT_EQ(test::QueryInteger(*database_, statements), before);
}

}  // namespace
}  // namespace zelmor
