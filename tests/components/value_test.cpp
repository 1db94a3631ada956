// Values at their edges through parameters and fields: dates far before the
// suite's day zero and next to midnight, NUMERIC/DECIMAL of every storage
// width near its limits.
#include <gtest/gtest.h>

#include <cstdint>

#include "rtl/exceptions.h"
#include "test_server.h"

namespace zelmor {
namespace {

// A moment as the suite writes it: before 1899-12-30 the day count is
// negative and the time of day is subtracted from it.
DateTime Moment(int year, int month, int day, double seconds_of_day) {
  const DateTime date = EncodeDate(year, month, day);
  const double time = seconds_of_day / 86400.0;
  return date >= 0 ? date + time : date - time;
}

class ValueTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!test::ServerUnavailable().empty()) return;
    test::Execute(*test::ConnectShared(),
                  "recreate table " + Table() +
                      " (id integer not null primary key, stamp timestamp,"
                      " n18 numeric(18,4), n9 numeric(9,2), n4 numeric(4,1), big bigint,"
                      " name varchar(10), utf varchar(10) character set utf8,"
                      " memo blob sub_type text)");
  }
  void SetUp() override {
    ZELMOR_REQUIRE_SERVER();
    database_ = test::ConnectShared();
    test::Execute(*database_, "delete from " + table_);
    transaction_ = test::MakeTransaction(*database_, "write\nread_committed\nrec_version\nnowait");
    database_->SetDefaultTransaction(transaction_);
    transaction_->StartTransaction();
  }
  static std::string Table() { return test::UniqueTable("T_VALUE"); }

  std::unique_ptr<TIBDataSet> Make(const std::string& sql) {
    auto dataset = std::make_unique<TIBDataSet>();
    dataset->SetDatabase(database_.get());
    dataset->SelectSQL().SetText(sql);
    return dataset;
  }
  // Writes one column of a new row through a parameter set by `set`.
  template <typename Set>
  void Write(int id, const std::string& column, Set&& set) {
    auto insert = Make("insert into " + table_ + " (id, " + column + ") values (:id, :v)");
    insert->ParamByName("id").SetAsInteger(id);
    set(insert->ParamByName("v"));
    insert->ExecSQL();
  }
  void WriteLiteral(int id, const std::string& column, const std::string& literal) {
    Make("insert into " + table_ + " (id, " + column + ") values (" + std::to_string(id) + ", " +
         literal + ")")
        ->ExecSQL();
  }
  // The row's column, and the server's own text of it.
  std::unique_ptr<TIBDataSet> Read(int id, const std::string& column) {
    auto query = Make("select " + column + ", cast(" + column + " as varchar(40)) from " + table_ +
                      " where id = " + std::to_string(id));
    query->Open();
    EXPECT_FALSE(query->Eof()) << "row " << id;
    return query;
  }
  std::string ServerText(int id, const std::string& column) {
    return Read(id, column)->Fields(1).AsString();
  }

  std::string table_ = Table();
  std::unique_ptr<TIBDatabase> database_;
  TIBTransaction* transaction_ = nullptr;
};

struct DateCase {
  DateTime value;
  const char* server;  // what the server holds
  DateTime read;       // what reading it back gives
};

TEST_F(ValueTest, DatesBeforeDayZeroAndTheIscEpochNextToMidnight) {
  const double just_before = 86400 - 0.00004;  // 40 µs before midnight
  const DateCase cases[] = {
      {-1.99999999999, "1899-12-30 00:00:00.0000", 0.0},
      {Moment(1899, 12, 29, just_before), "1899-12-30 00:00:00.0000", 0.0},
      {Moment(1899, 12, 28, just_before), "1899-12-29 00:00:00.0000", -1.0},
      {Moment(1700, 6, 15, just_before), "1700-06-16 00:00:00.0000", EncodeDate(1700, 6, 16)},
      {Moment(1700, 6, 15, 86399.999), "1700-06-15 23:59:59.9990", Moment(1700, 6, 15, 86399.999)},
      {Moment(1700, 6, 16, 0.001), "1700-06-16 00:00:00.0010", Moment(1700, 6, 16, 0.001)},
      {Moment(1700, 6, 16, 0.00004), "1700-06-16 00:00:00.0000", EncodeDate(1700, 6, 16)},
      // The day before the client's day zero (1858-11-17) and the day itself.
      {Moment(1858, 11, 16, just_before), "1858-11-17 00:00:00.0000", EncodeDate(1858, 11, 17)},
      {Moment(1858, 11, 16, 86399.999), "1858-11-16 23:59:59.9990", Moment(1858, 11, 16, 86399.999)},
      {Moment(1858, 11, 17, 0.001), "1858-11-17 00:00:00.0010", Moment(1858, 11, 17, 0.001)},
      {Moment(1, 1, 1, 0.001), "0001-01-01 00:00:00.0010", Moment(1, 1, 1, 0.001)},
      {Moment(2024, 2, 29, just_before), "2024-03-01 00:00:00.0000", EncodeDate(2024, 3, 1)},
  };
  int id = 0;
  for (const DateCase& c : cases) {
    Write(++id, "stamp", [&](TIBParam& p) { p.SetAsDateTime(c.value); });
    auto row = Read(id, "stamp");
    EXPECT_EQ(row->Fields(1).AsString(), c.server) << "parameter " << c.server;
    EXPECT_NEAR(row->Fields(0).AsDateTime(), c.read, 1e-10) << "field " << c.server;

    // The same moment written by the server itself reads back the same.
    WriteLiteral(1000 + id, "stamp", std::string("timestamp '") + c.server + "'");
    EXPECT_NEAR(Read(1000 + id, "stamp")->Fields(0).AsDateTime(), c.read, 1e-10)
        << "literal " << c.server;
  }
}

struct StoredNumeric {
  const char* column;
  const char* literal;  // as the server is given it, and writes it back
  double as_float;      // the double nearest to it
  int64_t as_int64;     // rounded half away from zero
};

TEST_F(ValueTest, NumericFieldsReadExactlyInEveryStorageWidth) {
  const StoredNumeric cases[] = {
      // BIGINT storage, up to its limits and past 2^53.
      {"n18", "0.3000", 0.3, 0},
      {"n18", "-0.0005", -0.0005, 0},
      {"n18", "0.0004", 0.0004, 0},
      {"n18", "1234.5000", 1234.5, 1235},
      {"n18", "-1234.5000", -1234.5, -1235},
      {"n18", "-1234.4999", -1234.4999, -1234},
      {"n18", "900719925474099.4999", 900719925474099.4999, 900719925474099},
      {"n18", "900719925474099.2993", 900719925474099.2993, 900719925474099},
      {"n18", "922337203685477.5807", 922337203685477.5807, 922337203685478},
      {"n18", "-922337203685477.5808", -922337203685477.5808, -922337203685478},
      // INTEGER storage.
      {"n9", "0.07", 0.07, 0},
      {"n9", "-0.50", -0.5, -1},
      {"n9", "21474836.47", 21474836.47, 21474836},
      {"n9", "-21474836.48", -21474836.48, -21474836},
      // SMALLINT storage.
      {"n4", "0.3", 0.3, 0},
      {"n4", "-0.7", -0.7, -1},
      {"n4", "3276.7", 3276.7, 3277},
      {"n4", "-3276.8", -3276.8, -3277},
  };
  int id = 0;
  for (const StoredNumeric& c : cases) {
    WriteLiteral(++id, c.column, c.literal);
    auto row = Read(id, c.column);
    const TIBField& field = row->Fields(0);
    EXPECT_EQ(row->Fields(1).AsString(), c.literal) << "the server's text";
    EXPECT_EQ(field.AsString(), c.literal) << c.column;
    EXPECT_EQ(field.AsFloat(), c.as_float) << c.column << " " << c.literal;
    EXPECT_EQ(field.AsInt64(), c.as_int64) << c.column << " " << c.literal;
  }
  EXPECT_THROW(Read(9, "n18")->Fields(0).AsInteger(), EConvertError) << "out of 32 bits";
}

struct NumericParameter {
  const char* column;
  double value;
  const char* stored;  // the server's text of the stored value; null: refused
};

TEST_F(ValueTest, FloatParametersBecomeTheExactScaledInteger) {
  const NumericParameter cases[] = {
      {"n18", 0.3, "0.3000"},
      {"n18", -0.00005, "-0.0001"},
      {"n18", 1.00005, "1.0001"},
      {"n18", 922337203685477.5, "922337203685477.5000"},
      {"n18", -922337203685477.5, "-922337203685477.5000"},
      {"n18", 922337203685477.5807, nullptr},  // the double is ...477.625
      {"n18", 1e300, nullptr},
      {"n9", 1.005, "1.01"},
      {"n9", 2.675, "2.68"},
      {"n9", 21474836.47, "21474836.47"},
      {"n9", -21474836.48, "-21474836.48"},
      {"n9", 21474836.475, nullptr},
      {"n4", -0.05, "-0.1"},
      {"n4", 3276.7, "3276.7"},
      {"n4", 3276.75, nullptr},
      {"n4", -3276.8, "-3276.8"},
      {"big", 9007199254740993.0, "9007199254740992"},
      {"big", -9223372036854775808.0, "-9223372036854775808"},
      {"big", 9223372036854775807.0, nullptr},  // the double is 2^63
  };
  int id = 0;
  for (const NumericParameter& c : cases) {
    ++id;
    const auto write = [&] { Write(id, c.column, [&](TIBParam& p) { p.SetAsFloat(c.value); }); };
    if (!c.stored) {
      EXPECT_THROW(write(), EIBError) << c.column << " " << c.value;
      continue;
    }
    write();
    EXPECT_EQ(ServerText(id, c.column), c.stored) << c.column << " " << c.value;
  }
  auto count = Make("select count(*) from " + table_);
  count->Open();
  int refused = 0;
  for (const NumericParameter& c : cases) refused += c.stored ? 0 : 1;
  EXPECT_EQ(count->Fields(0).AsInteger(), id - refused) << "nothing stored for a refused value";
}

TEST_F(ValueTest, TextAndIntegerParametersIntoNumericColumnsAreExactOrRefused) {
  Write(1, "n18", [](TIBParam& p) { p.SetAsString("922337203685477.5807"); });
  Write(2, "n18", [](TIBParam& p) { p.SetAsString("-0.00005"); });
  Write(3, "n18", [](TIBParam& p) { p.SetAsInteger(922337203685477); });
  Write(4, "n4", [](TIBParam& p) { p.SetAsString("0.3"); });
  EXPECT_EQ(ServerText(1, "n18"), "922337203685477.5807");
  EXPECT_EQ(ServerText(2, "n18"), "-0.0001");
  EXPECT_EQ(ServerText(3, "n18"), "922337203685477.0000");
  EXPECT_EQ(ServerText(4, "n4"), "0.3");
  EXPECT_THROW(Write(5, "n18", [](TIBParam& p) { p.SetAsString("922337203685477.5808"); }),
               EIBError);
  EXPECT_THROW(Write(6, "n18", [](TIBParam& p) { p.SetAsInteger(922337203685478); }), EIBError);
  EXPECT_THROW(Write(7, "n4", [](TIBParam& p) { p.SetAsString("3276.8"); }), EIBError);
}

TEST_F(ValueTest, TextAtExactlyItsDeclaredLengthReadsWhole) {
  const std::string ten = "ABCDEFGHIJ";
  const std::string cyrillic = "ЁлкаЖёлтая";  // 10 letters, 20 bytes stored as UTF-8
  Write(1, "name", [&](TIBParam& p) { p.SetAsString(ten); });
  Write(2, "utf", [&](TIBParam& p) { p.SetAsString(cyrillic); });
  EXPECT_EQ(Read(1, "name")->Fields(0).AsString(), ten);
  EXPECT_EQ(Read(2, "utf")->Fields(0).AsString(), cyrillic);
  EXPECT_THROW(Write(3, "name", [&](TIBParam& p) { p.SetAsString(ten + "K"); }), EIBInterBaseError);

  // Over a UTF-8 attachment the column's buffer is four bytes a letter.
  auto utf8 = test::ConnectShared();
  utf8->SetConnected(false);
  utf8->Params().SetValues("lc_ctype", "UTF8");
  utf8->SetConnected(true);
  const std::string euros = "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC"
                            "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC";
  test::Execute(*utf8, "insert into " + table_ + " (id, utf) values (4, '" + euros + "')");
  TIBTransaction* reader = test::MakeTransaction(*utf8, "read\nread_committed");
  reader->StartTransaction();
  TIBDataSet query;
  query.SetDatabase(utf8.get());
  query.SetTransaction(reader);
  query.SelectSQL().SetText("select utf, char_length(utf) from " + table_ + " where id = 4");
  query.Open();
  EXPECT_EQ(query.Fields(0).AsString(), euros);
  EXPECT_EQ(query.Fields(1).AsInteger(), 10);
}

TEST_F(ValueTest, AnEmptyBlobIsNotANullOne) {
  Write(1, "memo", [](TIBParam& p) { p.SetAsString(""); });
  Write(2, "memo", [](TIBParam& p) { p.Clear(); });
  auto empty = Make("select memo, memo is null, octet_length(memo) from " + table_ +
                    " where id = 1");
  empty->Open();
  EXPECT_FALSE(empty->Fields(0).IsNull());
  EXPECT_EQ(empty->Fields(0).AsString(), "");
  EXPECT_FALSE(empty->Fields(1).AsBoolean()) << "the server holds an empty blob";
  EXPECT_EQ(empty->Fields(2).AsInteger(), 0);
  auto null = Make("select memo, memo is null from " + table_ + " where id = 2");
  null->Open();
  EXPECT_TRUE(null->Fields(0).IsNull());
  EXPECT_TRUE(null->Fields(1).AsBoolean());
}

}  // namespace
}  // namespace zelmor
