// The store on platforms without the profile functions: the file is read
// whole, edited in memory (IniDocument) and written whole by
// platform::ReplaceFileContent, so another reader sees the old or the new
// file, never a half-written one. Inside a batch the file is read
// once and changes wait for Flush, so a value of many keys costs one write.
#include <optional>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/file_replace.h"
#include "platform/files.h"
#include "settings/ini_document.h"
#include "settings/ini_store.h"
#include "settings/safe_ini_file.h"

namespace zelmor {

namespace {

// After a failed open: true when there is no file to read (nothing, or a
// folder, at the path); otherwise the open's error stays in LastError().
bool IsMissingOrFolder(const std::string& path) {
  const uint32_t error = platform::LastError();
  if (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) return true;
  if (error == platform::kErrorAccessDenied && platform::DirectoryExists(path)) return true;
  platform::SetLastError(error);
  return false;
}

bool IsSharingConflict(uint32_t error) {
  return error == platform::kErrorSharingViolation || error == platform::kErrorLockViolation;
}

// Opens the file for reading. A file held exclusively for a moment (a writer
// outside the library, a forked child that still holds a writer's lock) is
// waited for as writers wait, every kRetryPauseMs for kRetryWindowMs, when
// `wait_out_conflicts` says so: reading it as empty would hand the caller
// defaults in place of the stored values.
platform::FileHandle OpenForReading(const std::string& path, bool wait_out_conflicts) {
  const uint32_t started = platform::TickCount();
  for (;;) {
    const platform::FileHandle file = platform::OpenShared(path, false);
    if (file != platform::kInvalidFile) return file;
    const uint32_t error = platform::LastError();
    if (!wait_out_conflicts || !IsSharingConflict(error) ||
        platform::TickCount() - started >= kRetryWindowMs)
      return platform::kInvalidFile;
    platform::SleepMs(kRetryPauseMs);
  }
}

// The whole file; a missing file (or a folder in its place) reads as empty,
// as the profile functions read it. False with LastError() set when an
// existing file cannot be read, or is still held by another after the wait.
bool LoadText(const std::string& path, std::string& text, bool wait_out_conflicts) {
  text.clear();
  // The open itself tells a missing file: no stat before it, on the path
  // every read takes.
  const platform::FileHandle file = OpenForReading(path, wait_out_conflicts);
  if (file == platform::kInvalidFile) return IsMissingOrFolder(path);
  char buffer[65536];
  int64_t got = 0;
  while ((got = platform::FileRead(file, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<size_t>(got));
  {
    platform::KeepLastError keep;
    platform::FileClose(file);
  }
  return got == 0;
}

std::string ProfileValue(const std::string* stored, const std::string& default_value) {
  std::string value;
  if (stored) {
    value = *stored;
    // One pair of enclosing quotes, double or single, is dropped.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
  } else {
    value = default_value;
    while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  if (value.size() > IniStore::kReadBufferSize - 1) value.resize(IniStore::kReadBufferSize - 1);
  return value;
}

}  // namespace

struct IniStore::State {
  int batch_depth = 0;
  std::optional<IniDocument> document;  // the batch's copy of the file
  uint32_t load_error = 0;              // why the batch could not read it
  bool waited_out_conflict = false;     // a read of this batch waited already
  bool dirty = false;

  // A read that failed is tried again at the next call, so that a retry of
  // the change sees the file as it is now. A read waits out a file held
  // elsewhere once per batch; a change does not, since the write's own
  // retries try it again.
  IniDocument& BatchDocument(const std::string& path, bool for_reading) {
    if (!document || load_error != 0) {
      const bool wait = for_reading && !waited_out_conflict;
      std::string text;
      const bool loaded = LoadText(path, text, wait);
      load_error = loaded ? 0 : platform::LastError();
      if (wait && IsSharingConflict(load_error)) waited_out_conflict = true;
      document.emplace(loaded ? text : std::string());
    }
    return *document;
  }

  // Runs `read` over the batch's document, or over the file as it is now
  // outside a batch. A file still held elsewhere after the wait, or
  // unreadable, reads as empty, as the profile functions read it.
  template <typename Read>
  auto Query(const std::string& path, Read read) {
    if (batch_depth > 0) return read(BatchDocument(path, true));
    std::string text;
    if (!LoadText(path, text, true)) text.clear();
    return read(IniDocument(text));
  }

  // Applies `change`; outside a batch the file is written at once, inside
  // one the change waits for Flush. False with LastError() set when the file
  // cannot be read or written: a change to a file that could not be read is
  // refused, since writing it would lose its content.
  template <typename Change>
  bool Apply(const std::string& path, Change change) {
    if (batch_depth > 0) {
      IniDocument& batch = BatchDocument(path, false);
      if (load_error != 0) {
        platform::SetLastError(load_error);
        return false;
      }
      if (change(batch)) dirty = true;
      return true;
    }
    std::string text;
    if (!LoadText(path, text, false)) return false;
    IniDocument fresh(text);
    return !change(fresh) || platform::ReplaceFileContent(path, fresh.Text());
  }
};

IniStore::State* IniStore::NewState() { return new State; }
void IniStore::StateDeleter::operator()(State* state) const { delete state; }

std::string IniStore::ReadKey(const std::string& section, const std::string& key,
                              const std::string& default_value) {
  return state_->Query(file_name_, [&](const IniDocument& document) {
    return ProfileValue(document.Find(section, key), default_value);
  });
}

std::vector<std::string> IniStore::ReadSection(const std::string& section) {
  return state_->Query(file_name_,
                       [&](const IniDocument& document) { return document.Keys(section); });
}

std::vector<std::string> IniStore::ReadSections() {
  return state_->Query(file_name_,
                       [](const IniDocument& document) { return document.Sections(); });
}

void IniStore::WriteKey(const std::string& section, const std::string& key,
                        const std::string& value) {
  if (!state_->Apply(file_name_, [&](IniDocument& document) {
        document.Set(section, key, value);
        return true;
      }))
    RaiseWriteError();
}

void IniStore::DeleteKey(const std::string& section, const std::string& key) {
  state_->Apply(file_name_,
                [&](IniDocument& document) { return document.Remove(section, key); });
}

void IniStore::EraseSection(const std::string& section) {
  if (!state_->Apply(file_name_,
                     [&](IniDocument& document) { return document.EraseSection(section); }))
    RaiseWriteError();
}

void IniStore::BeginBatch() { ++state_->batch_depth; }

void IniStore::EndBatch() {
  if (--state_->batch_depth > 0) return;
  state_->document.reset();
  state_->load_error = 0;
  state_->waited_out_conflict = false;
  state_->dirty = false;
}

bool IniStore::HasPendingChanges() const { return state_->dirty; }

bool IniStore::Flush() {
  if (!state_->dirty) return true;
  if (!platform::ReplaceFileContent(file_name_, state_->document->Text())) {
    last_failure_ = platform::LastError();
    return false;
  }
  state_->dirty = false;
  return true;
}

}  // namespace zelmor
