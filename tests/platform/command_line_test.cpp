#include <gtest/gtest.h>

#include "platform/command_line.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using Args = std::vector<std::string>;
using platform::SplitCommandLine;

TEST(CommandLine, BlanksAndControlCharactersSeparateAndQuotesToggleWithoutEscapes) {
  EXPECT_EQ(SplitCommandLine("C:\\ZEDE\\host.exe fbport=3051\tfbpsw=x\r\ny"),
            (Args{"C:\\ZEDE\\host.exe", "fbport=3051", "fbpsw=x", "y"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\host.exe\"  \"fbpassword=a b\""),
            (Args{"C:\\Program Files\\host.exe", "fbpassword=a b"}));
  // Quotes may open and close anywhere inside an argument and are dropped.
  EXPECT_EQ(SplitCommandLine("p fb\"pass=два сл\"ова x\"y\"z"),
            (Args{"p", "fbpass=два слова", "xyz"}));
  // A backslash escapes nothing, also before a quote.
  EXPECT_EQ(SplitCommandLine("p \"C:\\dir\\\" next"), (Args{"p", "C:\\dir\\", "next"}));
  // An unclosed quote runs to the end.
  EXPECT_EQ(SplitCommandLine("p \"open to the end"), (Args{"p", "open to the end"}));
}

TEST(CommandLine, CyrillicBytesAreNotSeparators) {
  // CP1251 letters are above 127; compared signed they would count as blanks.
  EXPECT_EQ(SplitCommandLine("p пароль=Ёж"), (Args{"p", "пароль=Ёж"}));
  EXPECT_EQ(SplitCommandLine("p \xA0x"), (Args{"p", "\xA0x"}));
}

TEST(CommandLine, EmptyQuotePairsAreSkippedAndAnEmptyArgumentEndsTheList) {
  EXPECT_EQ(SplitCommandLine("p \"\" a \"\"\"\" b"), (Args{"p", "a", "b"}));
  EXPECT_EQ(SplitCommandLine("p a \""), (Args{"p", "a"}));
  EXPECT_EQ(SplitCommandLine("   "), Args{});
  EXPECT_EQ(SplitCommandLine(""), Args{});
}

// Child: its own arguments, as the library reads them, must be these.
ZELMOR_CHILD_ROLE(check_command_line) {
  const Args expected{"--zelmor-child=check_command_line", "two words", "C:\\ZEDE\\cnf.ini",
                      "fbport=3051"};
  return platform::CommandLineArguments() == expected ? 0 : 1;
}

// Child: the C runtime's argv must hold exactly what the parent passed.
ZELMOR_CHILD_ROLE(check_argv) {
  const Args expected{"", "a b", "tail\\", "say \"hi\"", "C:\\dir with space\\",
                      "\\\\server\\share", "\t"};
  return args == expected ? 0 : 1;
}

TEST(CommandLine, AChildSeesItsArgumentsUnchanged) {
  test::ChildProcess reader("check_command_line", {"two words", "C:\\ZEDE\\cnf.ini", "fbport=3051"});
  EXPECT_EQ(reader.Wait(), 0) << "the program path is excluded, quoting is undone";
  test::ChildProcess argv("check_argv", {"", "a b", "tail\\", "say \"hi\"", "C:\\dir with space\\",
                                         "\\\\server\\share", "\t"});
  EXPECT_EQ(argv.Wait(), 0) << "spawned arguments reach the child's argv as they are";
}

}  // namespace
}  // namespace zelmor
