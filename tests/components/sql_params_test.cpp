// Named parameters taken out of statement texts.
#include <gtest/gtest.h>

#include "components/sql_params.h"

namespace zelmor {
namespace {

TEST(SqlParamsTest, NamesBecomeMarksInOrderUpperCased) {
  const ParsedSql parsed = ParseSqlParams("update t set a = :Value, b = :id2 where id = :ID2");
  EXPECT_EQ(parsed.text, "update t set a = ?, b = ? where id = ?");
  EXPECT_EQ(parsed.names, (std::vector<std::string>{"VALUE", "ID2", "ID2"}));
}

TEST(SqlParamsTest, LiteralsQuotedNamesAndCommentsAreLeftAlone) {
  const ParsedSql parsed = ParseSqlParams(
      "select ':no', \"A:B\" from t -- :no\n"
      "where /* :no */ x = :yes and y = 'it''s :no' and z = :\"Mixed\"");
  EXPECT_EQ(parsed.names, (std::vector<std::string>{"YES", "Mixed"}));
  EXPECT_EQ(parsed.text,
            "select ':no', \"A:B\" from t -- :no\n"
            "where /* :no */ x = ? and y = 'it''s :no' and z = ?");
}

}  // namespace
}  // namespace zelmor
