#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "settings/connection_params.h"
#include "settings/ini_store.h"
#include "support/test_support.h"
#include "tools/password_cipher.h"

namespace zelmor {
namespace {

TEST(PasswordCipher, RoundTripsEveryByte) {
  std::mt19937 random(12345);
  for (int i = 0; i < 2000; ++i) {
    std::string plain(random() % 40, '\0');
    for (char& c : plain) c = static_cast<char>(random() % 256);
    const std::string text = EncodePassword(plain);
    ASSERT_EQ(text.size(), 4 * plain.size() + 4);
    ASSERT_EQ(text.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    std::string back;
    ASSERT_TRUE(DecodePassword(text, back));
    ASSERT_EQ(back, plain);
  }
}

// Known answers, worked out from the cipher's rules, not by running it
// (masks: inner 5A, outer A7). The one byte "A", 41:
//   inner digits   41 xor 5A = 1B, the text "1B", character codes 31 42
//   their sum      31 + 42 = 0073: low byte L = 73, high byte M = 00
//   odd places xor L, even places xor M: 31 xor 73 = 42, 42 xor 00 = 42
//   reversed       42 42
//   framed         in front (L shr 4) or ((M and 0F) shl 4) = 07,
//                  behind (L and 0F) or (M and F0) = 03: 07 42 42 03
//   outer mask     each byte xor A7: A0 E5 E5 A4, the text A0E5E5A4.
// A round trip alone would pass a slip made the same way in both passes.
TEST(PasswordCipher, KnownAnswers) {
  const std::vector<std::pair<std::string, std::string>> vectors = {
      {"", "A7A7"},  // a sum of 0: the frame alone
      {"A", "A0E5E5A4"},
      {"\xDF", "A192F2AA"},  // Я: DF xor 5A = 85, codes 38 35, sum 6D
      {"masterkey", "999773E27295729C73E272E1739D73E6729372A1"},
      // 40 bytes FF: digits "A5" 40 times, sum 40 x 76 = 1270, so M = 12
      // sets a bit in both frame bytes.
      {std::string(40, '\xFF'),
       "8080968096809680968096809680968096809680968096809680968096809680968096809680968096"
       "80968096809680968096809680968096809680968096809680968096809680968096809680968096B7"},
  };
  for (const auto& [plain, text] : vectors) {
    EXPECT_EQ(EncodePassword(plain), text) << plain;
    std::string back = "x";
    EXPECT_TRUE(DecodePassword(text, back)) << text;
    EXPECT_EQ(back, plain) << text;
  }
}

TEST(PasswordCipher, BuiltInPasswordAndRejectedTexts) {
  EXPECT_EQ(std::string(kDefaultEncodedPassword), EncodePassword("masterkey"));
  EXPECT_EQ(EncodePassword("").size(), 4u);
  std::string plain = "x";
  EXPECT_TRUE(DecodePassword(EncodePassword(""), plain));
  EXPECT_EQ(plain, "");
  EXPECT_TRUE(DecodePassword("0000", plain));  // four digits: the empty password
  EXPECT_EQ(plain, "");
  std::string lower = EncodePassword("secret");
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const std::string& bad : {std::string("secret"), std::string("ABC"), std::string("12345"),
                                 lower, std::string("")}) {
    plain = "x";
    EXPECT_FALSE(DecodePassword(bad, plain)) << bad;
    EXPECT_EQ(plain, "");
  }
  // Inner digits that do not decipher to hexadecimal digits.
  EXPECT_FALSE(DecodePassword("00000000", plain));
}

class ConnectionParamsTest : public ::testing::Test {
 protected:
  std::string Path() const { return folder_ / "cnf.ini"; }
  LogSink Sink() {
    return [this](const std::string& text, uint8_t level) { log_.emplace_back(text, level); };
  }
  ConnectionParams Load() {
    ConnectionParams params;
    LoadConnectionParams(Path(), params, Sink());
    return params;
  }
  std::string Stored(const char* key) { return IniStore(Path()).ReadKey("FB", key, "(none)"); }

  test::TempFolder folder_;
  std::vector<std::pair<std::string, uint8_t>> log_;
};

TEST_F(ConnectionParamsTest, DefaultsWithoutFileCreateNoFile) {
  const ConnectionParams params = Load();
  EXPECT_EQ(params.port, 30050);
  EXPECT_EQ(params.password, "masterkey");
  EXPECT_FALSE(platform::FileExists(Path()));
  EXPECT_TRUE(log_.empty());
}

TEST_F(ConnectionParamsTest, PortOption) {
  StoreCommandLineParams({"FBPort= 3051 "}, Path(), Sink());
  EXPECT_EQ(Stored("DBPort"), "3051");
  EXPECT_EQ(Load().port, 3051);
  StoreCommandLineParams({"fbport=0", "fbport=-5", "fbport=abc", "fbport="}, Path(), Sink());
  EXPECT_EQ(Stored("DBPort"), "3051");
  StoreCommandLineParams({"fbport=3051", "other", "fbport=3052", "fbport=x"}, Path(), Sink());
  EXPECT_EQ(Load().port, 3052);
  EXPECT_EQ(Load().port, 3052);  // stays for later loads without options
  EXPECT_TRUE(log_.empty());
}

TEST_F(ConnectionParamsTest, PasswordOptions) {
  StoreCommandLineParams({"FBPSW=a=b"}, Path(), Sink());
  EXPECT_EQ(Load().password, "a=b");
  StoreCommandLineParams({"fbpassword= x", "fbpass=x ", "FBPSW=", "fbpasswd=nope"}, Path(),
                         Sink());
  EXPECT_EQ(Load().password, "a=b");
  StoreCommandLineParams({"fbpass=one", "FbPassW=\xC9\xF6\xF3"}, Path(), Sink());
  EXPECT_EQ(Load().password, "\xC9\xF6\xF3");
  EXPECT_EQ(Stored("DBPassword"), EncodePassword("\xC9\xF6\xF3"));
}

TEST_F(ConnectionParamsTest, UnusableStoredValuesGiveDefaults) {
  IniStore store(Path());
  store.WriteKey("FB", "DBPassword", "plaintext");
  store.WriteKey("FB", "DBPort", "port");
  ConnectionParams params = Load();
  EXPECT_EQ(params.password, "masterkey");
  EXPECT_EQ(params.port, 30050);
  store.WriteKey("FB", "DBPassword", "1234");
  EXPECT_EQ(Load().password, "");
  EXPECT_TRUE(log_.empty());
}

TEST_F(ConnectionParamsTest, ConnectTimeoutKeyWithinItsRange) {
  EXPECT_EQ(Load().connect_timeout, kDefaultFBConnectTimeout) << "no key";
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"2", 2}, {" 30 ", 30}, {"600", 600}, {"601", kDefaultFBConnectTimeout},
      {"0", kDefaultFBConnectTimeout}, {"-5", kDefaultFBConnectTimeout},
      {"soon", kDefaultFBConnectTimeout}, {"", kDefaultFBConnectTimeout}};
  for (const auto& [stored, expected] : cases) {
    IniStore(Path()).WriteKey("FB", "DBConnectTimeout", stored);
    EXPECT_EQ(Load().connect_timeout, expected) << "\"" << stored << "\"";
  }
  EXPECT_TRUE(log_.empty());
}

TEST_F(ConnectionParamsTest, UnwritableSettingsFileIsLogged) {
  ASSERT_TRUE(platform::ForceDirectories(Path()));  // a folder in the file's place
  StoreCommandLineParams({"fbport=3051", "fbpsw=secret"}, Path(), Sink());
  ASSERT_EQ(log_.size(), 1u);
  EXPECT_EQ(log_[0].second, 2);
  const std::string prefix = "Проверка строки параметров: TSafeIniFile.WriteString -> ";
  EXPECT_EQ(log_[0].first.substr(0, prefix.size()), prefix);
  const ConnectionParams params = Load();
  EXPECT_EQ(params.port, 30050);
  EXPECT_EQ(params.password, "masterkey");
}

}  // namespace
}  // namespace zelmor
