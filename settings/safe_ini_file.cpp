#include "settings/safe_ini_file.h"

#include <algorithm>
#include <utility>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/mutex.h"
#include "rtl/exceptions.h"
#include "rtl/global_mutex.h"
#include "rtl/text.h"
#include "settings/ini_format_settings.h"
#include "settings/ini_lock_name.h"
#include "settings/value_layout.h"
#include "tools/context_exception.h"

namespace zelmor {

namespace {

// A failure inside an operation leaves it as a new one of the same class,
// the operation's name in front of the message (no class tag).
template <typename Body>
void WrapIniException(const std::string& context, Body&& body) {
  WithContext(context, false, std::forward<Body>(body));
}

// Runs `write` until it succeeds. A failure is retried every kRetryPauseMs
// for kRetryWindowMs, except for errors no retry can cure; the final failure
// is re-raised with the system's text for the error code in front.
template <typename Write>
void RetryWrite(const IniStore& store, Write write) {
  const uint32_t started = platform::TickCount();
  for (;;) {
    try {
      write();
      return;
    } catch (const Exception& error) {
      const uint32_t code = store.LastFailure();
      const bool hopeless = code == platform::kErrorPathNotFound ||
                            code == platform::kErrorBufferOverflow ||
                            code == platform::kErrorDiskFull ||
                            code == platform::kErrorInvalidName;
      if (hopeless || platform::TickCount() - started >= kRetryWindowMs)
        error.RaiseWithMessage(platform::SystemErrorMessage(code) + " -> " + error.Message());
    }
    platform::SleepMs(kRetryPauseMs);
  }
}

// Chunk n of a value lives under key + "__$Line" + n; n for such a name
// with 2 <= n <= count, else 0.
int ContinuationNumber(const std::string& name, const std::string& key, int count) {
  const std::string prefix = key + kLineSuffix;
  if (name.size() <= prefix.size() || !AnsiSameText(name.substr(0, prefix.size()), prefix))
    return 0;
  const std::string number = name.substr(prefix.size());
  if (number[0] == '0' || number.size() > 10) return 0;
  long long n = 0;
  for (const char c : number) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n >= 2 && n <= count ? static_cast<int>(n) : 0;
}

}  // namespace

// Holds the file's mutex and a batch of the store for one operation. A
// mutex that cannot be waited for fails the operation: it must not touch
// the file unguarded.
class TSafeIniFile::LockedScope {
 public:
  explicit LockedScope(TSafeIniFile& file) : guard_(file.lock_), store_(file.store_) {
    if (!guard_.Held()) throw EIniFileException(MutexWaitFailure());
    store_.BeginBatch();
  }
  ~LockedScope() { store_.EndBatch(); }
  LockedScope(const LockedScope&) = delete;
  LockedScope& operator=(const LockedScope&) = delete;

 private:
  NamedMutexGuard guard_;
  IniStore& store_;
};

TSafeIniFile::TSafeIniFile(const std::string& file_name)
    : TCustomIniFile(file_name),
      lock_(CreateGlobalMutex(BuildLockName(file_name), "Error CreateMutex: ",
                              kRaiseOnMutexFailure)),
      store_(file_name) {}

TSafeIniFile::~TSafeIniFile() {
  { NamedMutexGuard wait_for_operations(lock_); }
  if (lock_) platform::CloseMutex(lock_);
}

void TSafeIniFile::CheckSection(const std::string& section) const {
  if (section.empty())
    throw EIniFileException("Не указано название секции. Имя файла: " + FileName());
}

void TSafeIniFile::CheckKey(const std::string& key) const {
  if (key.empty())
    throw EIniFileException("Не указано название переменной. Имя файла: " + FileName());
}

// ---- the value layout ----------------------------------------------------------

std::string TSafeIniFile::ReadRawValue(const std::string& section, const std::string& key,
                                       const std::string& default_value, int32_t* hash) {
  const std::string stored = store_.ReadKey(section, key, default_value);
  if (hash) *hash = TextHash(stored);
  return DecodeLineBreaks(stored);
}

void TSafeIniFile::WriteKeyWithRetry(const std::string& section, const std::string& key,
                                     const std::string& text) {
  RetryWrite(store_, [&] { store_.WriteKey(section, key, text); });
}

void TSafeIniFile::FlushWithRetry() {
  RetryWrite(store_, [&] {
    if (!store_.Flush())
      throw EIniFileException("Не удалось записать изменения в файл " + FileName());
  });
}

void TSafeIniFile::FinishChange(OnFailure on_failure) {
  if (store_.HasPendingChanges()) {
    switch (on_failure) {
      case OnFailure::kRetry:
        RetryWrite(store_, [&] { store_.WritePending(); });
        break;
      case OnFailure::kIgnore:
        store_.Flush();
        break;
      case OnFailure::kRaise:
        store_.WritePending();
        break;
    }
  }
  if (FlushAfterChange) FlushWithRetry();
}

void TSafeIniFile::DeleteValueKeys(const std::string& section, const std::string& key,
                                   bool delete_main_key) {
  LockedScope scope(*this);
  const int count = ReadInteger(section, key + kCountSuffix, kMissingCount);
  if (count != kMissingCount) {
    store_.DeleteKey(section, key + kCountSuffix);
    store_.DeleteKey(section, key + kHashSuffix);
    // Only the continuation keys that exist: a count damaged by another
    // program must not turn into millions of deletions.
    for (const std::string& name : store_.ReadSection(section))
      if (ContinuationNumber(name, key, count) != 0) store_.DeleteKey(section, name);
  }
  if (delete_main_key) store_.DeleteKey(section, key);
}

std::string TSafeIniFile::ReadString(const std::string& section, const std::string& key,
                                     const std::string& default_value) {
  std::string result;
  WrapIniException("TSafeIniFile.ReadString", [&] {
    CheckSection(section);
    CheckKey(key);
    LockedScope scope(*this);
    if (SingleKeyMode) {
      result = ReadRawValue(section, key, default_value, nullptr);
      return;
    }
    const int count =
        StrToInt32Def(ReadRawValue(section, key + kCountSuffix, "", nullptr), kMissingCount);
    int32_t hash = 0;
    result = ReadRawValue(section, key, default_value, &hash);
    if (count <= 1) return;
    long long stored_hash = 0;
    const bool valid =
        TryStrToInt(ReadRawValue(section, key + kHashSuffix, "", nullptr), stored_hash);
    // Continuation keys are joined only when the stored hash matches.
    if (!valid || stored_hash != hash) return;
    // Missing chunks read as empty: the join stops at the last one present,
    // so a count damaged by another program cannot mean billions of reads.
    int last = 1;
    for (const std::string& name : store_.ReadSection(section))
      last = std::max(last, ContinuationNumber(name, key, count));
    for (int n = 2; n <= last; ++n)
      result += ReadRawValue(section, key + kLineSuffix + IntToStr(n), "", nullptr);
  });
  return result;
}

void TSafeIniFile::WriteString(const std::string& section, const std::string& key,
                               const std::string& value) {
  WrapIniException("TSafeIniFile.WriteString", [&] {
    CheckSection(section);
    CheckKey(key);
    const SplitResult split = SplitValue(value, SingleKeyMode);
    LockedScope scope(*this);
    if (!SingleKeyMode) DeleteValueKeys(section, key, false);
    if (split.chunks.empty()) {
      WriteKeyWithRetry(section, key, "");
    } else {
      WriteKeyWithRetry(section, key, split.chunks[0]);
      if (split.chunks.size() > 1 && !SingleKeyMode) {
        WriteKeyWithRetry(section, key + kCountSuffix,
                          IntToStr(static_cast<long long>(split.chunks.size())));
        WriteKeyWithRetry(section, key + kHashSuffix, IntToStr(split.first_chunk_hash));
        for (size_t n = 2; n <= split.chunks.size(); ++n)
          WriteKeyWithRetry(section, key + kLineSuffix + IntToStr(static_cast<long long>(n)),
                            split.chunks[n - 1]);
      }
    }
    FinishChange(OnFailure::kRetry);
  });
}

// ---- key and section operations ------------------------------------------------

void TSafeIniFile::DeleteKey(const std::string& section, const std::string& key) {
  WrapIniException("TSafeIniFile.DeleteKey", [&] {
    CheckSection(section);
    CheckKey(key);
    LockedScope scope(*this);
    if (SingleKeyMode)
      store_.DeleteKey(section, key);
    else
      DeleteValueKeys(section, key, true);
    // Key deletions ignore failures.
    FinishChange(OnFailure::kIgnore);
  });
}

void TSafeIniFile::EraseSection(const std::string& section) {
  WrapIniException("TSafeIniFile.EraseSection", [&] {
    CheckSection(section);
    LockedScope scope(*this);
    store_.EraseSection(section);
    FinishChange(OnFailure::kRaise);
  });
}

void TSafeIniFile::ReadSection(const std::string& section, std::vector<std::string>& keys) {
  WrapIniException("TSafeIniFile.ReadSection", [&] {
    CheckSection(section);
    LockedScope scope(*this);
    keys = store_.ReadSection(section);
  });
}

void TSafeIniFile::ReadSectionValues(const std::string& section,
                                     std::vector<std::string>& lines) {
  WrapIniException("TSafeIniFile.ReadSectionValues", [&] {
    CheckSection(section);
    LockedScope scope(*this);
    lines.clear();
    for (const std::string& key : store_.ReadSection(section))
      lines.push_back(key + "=" + store_.ReadKey(section, key, ""));
  });
}

void TSafeIniFile::ReadSections(std::vector<std::string>& sections) {
  LockedScope scope(*this);
  sections = store_.ReadSections();
}

void TSafeIniFile::UpdateFile() {
  LockedScope scope(*this);
  if (!store_.Flush())
    throw EIniFileException("Не удалось записать изменения в файл " + FileName());
}

// ---- typed values ----------------------------------------------------------------

namespace {

// The value `parse` reads from the key's text; the default for a missing,
// empty or unreadable one.
template <typename Value, typename Parse>
Value ReadParsed(TSafeIniFile& file, const std::string& section, const std::string& key,
                 Value default_value, const char* context, Parse parse) {
  const std::string text = file.ReadString(section, key, "");
  Value result = default_value;
  WrapIniException(context, [&] {
    Value value{};
    if (!text.empty() && parse(text, value)) result = value;
  });
  return result;
}

// Date-times keep their time part unless it is exactly midnight; the
// milliseconds count, so 00:00:00.500 is not lost.
bool HasTimePart(DateTime value) {
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  DecodeTime(value, hour, minute, second, millisecond);
  return hour != 0 || minute != 0 || second != 0 || millisecond != 0;
}

}  // namespace

DateTime TSafeIniFile::ReadDate(const std::string& section, const std::string& key,
                                DateTime default_value) {
  return ReadParsed(*this, section, key, default_value, "TSafeIniFile.ReadDate",
                    [](const std::string& text, DateTime& value) {
                      return TryStrToDate(text, value, IniFormatSettings());
                    });
}

DateTime TSafeIniFile::ReadDateTime(const std::string& section, const std::string& key,
                                    DateTime default_value) {
  return ReadParsed(*this, section, key, default_value, "TSafeIniFile.ReadDateTime",
                    [](const std::string& text, DateTime& value) {
                      return TryStrToDateTime(text, value, IniFormatSettings());
                    });
}

DateTime TSafeIniFile::ReadTime(const std::string& section, const std::string& key,
                                DateTime default_value) {
  return ReadParsed(*this, section, key, default_value, "TSafeIniFile.ReadTime",
                    [](const std::string& text, DateTime& value) {
                      return TryStrToTime(text, value, IniFormatSettings());
                    });
}

double TSafeIniFile::ReadFloat(const std::string& section, const std::string& key,
                               double default_value) {
  return ReadParsed(*this, section, key, default_value, "TSafeIniFile.ReadFloat",
                    [](const std::string& text, double& value) {
                      return TryStrToFloat(text, value, IniFormatSettings());
                    });
}

void TSafeIniFile::WriteDate(const std::string& section, const std::string& key,
                             DateTime value) {
  WrapIniException("TSafeIniFile.WriteDate", [&] {
    const FormatSettings& settings = IniFormatSettings();
    WriteString(section, key, FormatDateTime(settings.short_date_format, value, settings));
  });
}

void TSafeIniFile::WriteDateTime(const std::string& section, const std::string& key,
                                 DateTime value) {
  WrapIniException("TSafeIniFile.WriteDateTime", [&] {
    const FormatSettings& settings = IniFormatSettings();
    std::string text = FormatDateTime(settings.short_date_format, value, settings);
    if (HasTimePart(value))
      text += " " + FormatDateTime(settings.long_time_format, value, settings);
    WriteString(section, key, text);
  });
}

void TSafeIniFile::WriteTime(const std::string& section, const std::string& key,
                             DateTime value) {
  WrapIniException("TSafeIniFile.WriteTime", [&] {
    const FormatSettings& settings = IniFormatSettings();
    WriteString(section, key, FormatDateTime(settings.long_time_format, value, settings));
  });
}

void TSafeIniFile::WriteFloat(const std::string& section, const std::string& key,
                              double value) {
  WrapIniException("TSafeIniFile.WriteFloat", [&] {
    WriteString(section, key, FloatToStr(value, IniFormatSettings()));
  });
}

}  // namespace zelmor
