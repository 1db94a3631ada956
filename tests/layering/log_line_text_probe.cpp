// Must not compile: the text holds a string where the line holds a duration.
#include "database/log_lines.h"

namespace zelmor::db::lines {
constexpr Line<Text, Duration> kWrong{"[%s] took %s"};
}
