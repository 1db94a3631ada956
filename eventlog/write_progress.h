// How far one line's write got, for the report of its failure: the step
// under way and the open it tried. Its text is the one the fallback log's
// reports have always named the step with.
#pragma once

#include <string>

#include "eventlog/log_file.h"

namespace zelmor::eventlog {

enum class WriteStage {
  kLock,    // waiting for the machine-wide mutex
  kFormat,  // making the line
  kOpen,    // opening, or creating, the file
  kAppend,  // the file open, the line being appended
  kLimits,  // the line written, the size and age limits applied
};

struct WriteProgress {
  WriteStage stage = WriteStage::kLock;
  OpenMode mode = OpenMode::kOpenReadWrite;  // the open tried; the open made once past it

  bool FileOpened() const { return stage >= WriteStage::kAppend; }

  // "Lock", "", "fmCreate", "fmOpenReadWrite-OK", "fmCreate-OK;ProcessFile...".
  std::string Text() const {
    const std::string open = mode == OpenMode::kCreate ? "fmCreate" : "fmOpenReadWrite";
    switch (stage) {
      case WriteStage::kLock: return "Lock";
      case WriteStage::kFormat: return "";
      case WriteStage::kOpen: return open;
      case WriteStage::kAppend: return open + "-OK";
      case WriteStage::kLimits: return open + "-OK;ProcessFile...";
    }
    return "";
  }
};

}  // namespace zelmor::eventlog
