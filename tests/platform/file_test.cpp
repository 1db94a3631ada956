#include <gtest/gtest.h>

#include <algorithm>

#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using test::TempFolder;

TEST(Files, AFileHeldWithoutSharingByAnotherProcessGivesSharingViolation) {
  TempFolder dir;
  test::WriteFileBytes(dir / "log.txt", "old");
  test::FileHeldElsewhere holder(dir / "log.txt");
  ASSERT_TRUE(holder.Held());

  EXPECT_EQ(platform::OpenShared(dir / "log.txt", true), platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorSharingViolation);
  EXPECT_EQ(platform::CreateExclusive(dir / "log.txt"), platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorSharingViolation);
  EXPECT_FALSE(platform::RenameFile(dir / "log.txt", dir / "moved.txt"));
  EXPECT_FALSE(platform::DeleteFile(dir / "log.txt"));

  EXPECT_EQ(holder.Release(), 0);
  // Read only now: Windows refuses even a reader while the file is held.
  EXPECT_EQ(test::ReadFileBytes(dir / "log.txt"), "old") << "a refused create truncates nothing";
  const platform::FileHandle file = platform::OpenShared(dir / "log.txt", true);
  EXPECT_NE(file, platform::kInvalidFile);
  platform::FileClose(file);
}

TEST(Files, SharedOpensCoexistAndExcludeAnExclusiveCreate) {
  TempFolder dir;
  test::WriteFileBytes(dir / "a", "x");
  const platform::FileHandle one = platform::OpenShared(dir / "a", true);
  const platform::FileHandle two = platform::OpenShared(dir / "a", true);
  EXPECT_NE(one, platform::kInvalidFile);
  EXPECT_NE(two, platform::kInvalidFile);
  EXPECT_EQ(platform::CreateExclusive(dir / "a"), platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorSharingViolation);
  platform::FileClose(one);
  platform::FileClose(two);
}

TEST(Files, ReadWriteSeekSizeAndTruncate) {
  TempFolder dir;
  const platform::FileHandle file = platform::CreateExclusive(dir / "f");
  ASSERT_NE(file, platform::kInvalidFile);
  ASSERT_TRUE(platform::FileWriteAll(file, "hello world", 11));
  EXPECT_EQ(platform::FileGetSize(file), 11);
  EXPECT_EQ(platform::FileSeek(file, -5, platform::SeekOrigin::kEnd), 6);
  char buffer[16] = {};
  EXPECT_EQ(platform::FileRead(file, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "world");
  EXPECT_TRUE(platform::FileSetSize(file, 5));
  EXPECT_EQ(platform::FileGetSize(file), 5);
  EXPECT_EQ(platform::FileSeek(file, 0, platform::SeekOrigin::kCurrent), 11)
      << "changing the size keeps the position";
  platform::FileClose(file);
  EXPECT_EQ(test::ReadFileBytes(dir / "f"), "hello");
}

TEST(Files, SizesAndOffsetsPastFourGiBKeepAll64Bits) {
  // 6 GiB + 5: past 4 GiB, with low 32 bits that read negative as a signed
  // 32-bit number, so a size or offset cut to 31 or 32 bits shows.
  constexpr int64_t kSize = (int64_t{6} << 30) + 5;
  TempFolder dir;
  const uint32_t error = test::CreateSparseFile(dir / "big", kSize);
  if (test::FileSystemRefusesSize(error)) GTEST_SKIP() << "the file system refuses 6 GiB";
  ASSERT_EQ(error, 0u) << "setting a size of 6 GiB";
  EXPECT_TRUE(platform::FileExists(dir / "big")) << "a large file is still a file";

  const platform::FileHandle file = platform::OpenExclusive(dir / "big");
  ASSERT_NE(file, platform::kInvalidFile) << "error " << platform::LastError();
  EXPECT_EQ(platform::FileGetSize(file), kSize);
  EXPECT_EQ(platform::FileSeek(file, 0, platform::SeekOrigin::kEnd), kSize);
  EXPECT_EQ(platform::FileSeek(file, -5, platform::SeekOrigin::kCurrent), kSize - 5);
  ASSERT_TRUE(platform::FileWriteAll(file, "tail!", 5));
  EXPECT_EQ(platform::FileSeek(file, 0, platform::SeekOrigin::kCurrent), kSize);
  EXPECT_EQ(platform::FileSeek(file, kSize - 5, platform::SeekOrigin::kBegin), kSize - 5);
  char tail[8] = {};
  EXPECT_EQ(platform::FileRead(file, tail, sizeof tail), 5);
  EXPECT_STREQ(tail, "tail!");
  EXPECT_TRUE(platform::FileSetSize(file, kSize - 2));
  EXPECT_EQ(platform::FileGetSize(file), kSize - 2);
  platform::FileClose(file);
}

TEST(Files, ErrorCodesTellMissingFileFromMissingFolder) {
  TempFolder dir;
  EXPECT_EQ(platform::OpenShared(dir / "missing.txt", true), platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorFileNotFound);
  EXPECT_EQ(platform::CreateExclusive(dir / "no" + platform::kPathDelimiter + "f.txt"),
            platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorPathNotFound);
  EXPECT_FALSE(platform::SystemErrorMessage(platform::kErrorPathNotFound).empty());
}

TEST(Files, AFolderIsNeitherOpenedNorCreatedAsAFile) {
  TempFolder dir;
  ASSERT_TRUE(platform::ForceDirectories(dir / "sub"));
  EXPECT_EQ(platform::CreateExclusive(dir / "sub"), platform::kInvalidFile);
  EXPECT_EQ(platform::LastError(), platform::kErrorAccessDenied);
  EXPECT_TRUE(platform::DirectoryExists(dir / "sub"));
  test::WriteFileBytes(dir / "file", "x");
  EXPECT_FALSE(platform::ForceDirectories(dir / "file")) << "a file is in the way";
}

TEST(Files, RenameNeverReplacesAndDeleteRemoves) {
  TempFolder dir;
  test::WriteFileBytes(dir / "a", "a");
  test::WriteFileBytes(dir / "b", "b");
  EXPECT_FALSE(platform::RenameFile(dir / "a", dir / "b"));
  EXPECT_EQ(test::ReadFileBytes(dir / "b"), "b");
  EXPECT_TRUE(platform::RenameFile(dir / "a", dir / "c"));
  EXPECT_FALSE(platform::FileExists(dir / "a"));
  EXPECT_TRUE(platform::DeleteFile(dir / "c"));
  EXPECT_FALSE(platform::FileExists(dir / "c"));
  EXPECT_FALSE(platform::DeleteFile(dir / "c"));
}

TEST(Files, FindFilesMatchesTheWildcardAndReturnsBareNames) {
  TempFolder dir;
  for (const char* name : {"FBEvents.log", "FBEvents.log000", "FBEvents.log7", "other.log"})
    test::WriteFileBytes(dir / name, "");
  auto names = platform::FindFiles(dir / "FBEvents.log*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"FBEvents.log", "FBEvents.log000", "FBEvents.log7"}));
}

TEST(Files, FindFilesTakesBracketsLiterallyAndOnlyStarAndQuestionMarkAsWildcards) {
  TempFolder dir;
  for (const char* name : {"br[1].log", "br[1].log000", "br1.log000", "brx.log"})
    test::WriteFileBytes(dir / name, "");
  auto names = platform::FindFiles(dir / "br[1].log*");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"br[1].log", "br[1].log000"}));
  EXPECT_EQ(platform::FindFiles(dir / "br?.log"), std::vector<std::string>{"brx.log"});
}

TEST(Files, ForceDirectoriesCreatesEveryMissingParent) {
  TempFolder dir;
  const std::string deep = dir / "a" + platform::kPathDelimiter + "b" + platform::kPathDelimiter + "c";
  EXPECT_TRUE(platform::ForceDirectories(deep));
  EXPECT_TRUE(platform::DirectoryExists(deep));
  EXPECT_TRUE(platform::ForceDirectories(deep));
  EXPECT_FALSE(platform::FileExists(deep)) << "a folder is not a file";
}

}  // namespace
}  // namespace zelmor
