// Parameter lines of databases and transactions turned into client blocks.
#include <gtest/gtest.h>

#include <ibase.h>

#include "components/parameter_blocks.h"
#include "rtl/exceptions.h"

namespace zelmor {
namespace {

TStringList Lines(std::vector<std::string> lines) {
  TStringList list;
  list.Assign(std::move(lines));
  return list;
}

std::string Bytes(std::initializer_list<int> codes) {
  std::string bytes;
  for (int code : codes) bytes += static_cast<char>(code);
  return bytes;
}

TEST(TransactionBlockTest, TheThreeKindsOfTheSuite) {
  EXPECT_EQ(BuildTPB(Lines({"read_committed", "rec_version", "nowait"})),
            Bytes({isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version, isc_tpb_nowait}));
  EXPECT_EQ(BuildTPB(Lines({"read", "read_committed", "rec_version", "nowait"})),
            Bytes({isc_tpb_version3, isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version,
                   isc_tpb_nowait}));
  EXPECT_EQ(BuildTPB(Lines({"concurrency", "nowait"})),
            Bytes({isc_tpb_version3, isc_tpb_concurrency, isc_tpb_nowait}));
}

TEST(TransactionBlockTest, PrefixesCaseBlanksAndValues) {
  EXPECT_EQ(BuildTPB(Lines({" ISC_TPB_WRITE ", "", "lock_write=goods", "lock_timeout=5"})),
            Bytes({isc_tpb_version3, isc_tpb_write, isc_tpb_lock_write, 5, 'G', 'O', 'O', 'D',
                   'S', isc_tpb_lock_timeout, 4, 5, 0, 0, 0}));
}

TEST(TransactionBlockTest, UnknownOrMalformedLinesAreRefused) {
  for (const char* line : {"read_comitted", "read=1", "lock_read", "lock_timeout=x"}) {
    EXPECT_THROW(BuildTPB(Lines({line})), EIBClientError) << line;
  }
}

TEST(DatabaseBlockTest, LoginLinesBecomeTaggedStrings) {
  EXPECT_EQ(BuildDPB(Lines({"user_name=SYSDBA", "password=pw", "lc_ctype=WIN1251"})),
            Bytes({isc_dpb_version1, isc_dpb_user_name, 6, 'S', 'Y', 'S', 'D', 'B', 'A',
                   isc_dpb_password, 2, 'p', 'w', isc_dpb_lc_ctype, 7, 'W', 'I', 'N', '1', '2',
                   '5', '1'}));
  EXPECT_THROW(BuildDPB(Lines({"user=SYSDBA"})), EIBClientError);
  EXPECT_THROW(BuildDPB(Lines({"password=" + std::string(300, 'x')})), EIBClientError);
}

}  // namespace
}  // namespace zelmor
