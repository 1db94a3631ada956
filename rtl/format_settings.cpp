#include "rtl/format_settings.h"

#include "platform/process.h"

namespace zelmor {
namespace {

FormatSettings LocaleFormatSettings() {
  FormatSettings settings;
  settings.decimal_separator = platform::LocaleDecimalSeparator();
  // A decimal comma would make grouped numbers unreadable with a comma
  // between groups; such locales (Russian among them) group with a
  // no-break space, byte 0xA0 in CP1251.
  if (settings.decimal_separator == settings.thousand_separator) {
    settings.thousand_separator = '\xA0';
  }
  return settings;
}

}  // namespace

FormatSettings& DefaultFormatSettings() {
  // Never destroyed: the library's unload sequence may format at process
  // exit, after static destructors have run.
  static FormatSettings* settings = new FormatSettings(LocaleFormatSettings());
  return *settings;
}

}  // namespace zelmor
