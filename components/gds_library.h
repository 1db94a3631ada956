// The Firebird client library, loaded at run time rather than linked, so that
// the load sequence can choose which copy the process uses.
//
// Only the classic C API of ibase.h is called, which every client from the
// 2.x line on offers, so an older GDS32.dll keeps working. This header is
// private to the component runtime: hosts never see ibase.h.
#pragma once

#include <ibase.h>

#include <atomic>
#include <mutex>

#include "platform/errors.h"
#include "platform/modules.h"

namespace zelmor {

// Entry points every part of the component layer calls.
#define ZELMOR_GDS_REQUIRED_ENTRIES(X) \
  X(isc_attach_database)               \
  X(isc_detach_database)               \
  X(isc_drop_database)                 \
  X(isc_start_multiple)                \
  X(isc_commit_transaction)            \
  X(isc_commit_retaining)              \
  X(isc_rollback_transaction)          \
  X(isc_rollback_retaining)            \
  X(isc_dsql_allocate_statement)       \
  X(isc_dsql_prepare)                  \
  X(isc_dsql_describe)                 \
  X(isc_dsql_describe_bind)            \
  X(isc_dsql_sql_info)                 \
  X(isc_dsql_execute)                  \
  X(isc_dsql_execute2)                 \
  X(isc_dsql_execute_immediate)        \
  X(isc_dsql_fetch)                    \
  X(isc_dsql_free_statement)           \
  X(isc_create_blob2)                  \
  X(isc_open_blob2)                    \
  X(isc_get_segment)                   \
  X(isc_put_segment)                   \
  X(isc_close_blob)                    \
  X(isc_cancel_blob)                   \
  X(isc_interprete)                    \
  X(isc_sqlcode)

// Entry points used when the client offers them (fb_interpret came with 2.0
// and is the safe form of isc_interprete).
#define ZELMOR_GDS_OPTIONAL_ENTRIES(X) X(fb_interpret)

// Pointers to the client's functions, with the declared calling convention.
// isc_interprete is declared deprecated, but old clients offer nothing else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
struct GDSEntries {
#define ZELMOR_GDS_POINTER(name) decltype(&::name) name = nullptr;
  ZELMOR_GDS_REQUIRED_ENTRIES(ZELMOR_GDS_POINTER)
  ZELMOR_GDS_OPTIONAL_ENTRIES(ZELMOR_GDS_POINTER)
#undef ZELMOR_GDS_POINTER
};
#pragma GCC diagnostic pop

class TGDSLibrary {
 public:
  TGDSLibrary() = default;
  TGDSLibrary(const TGDSLibrary&) = delete;
  TGDSLibrary& operator=(const TGDSLibrary&) = delete;

  // True when the client library can be loaded and offers every entry point
  // the components call. A copy already loaded in the process (the suite's
  // own, loaded from its full path) is preferred over loading one by name.
  // On false, platform::LastError() tells why.
  bool TryIBLoad();
  // The entry points; raises EIBClientError when no usable client is there.
  const GDSEntries& Entries();

 private:
  bool LoadLocked();

  std::mutex lock_;
  std::atomic<bool> loaded_{false};
  // A reference of the runtime's own, held for as long as it may call the
  // client: whoever else loaded it (the load sequence, the host) may let
  // theirs go.
  platform::OwnedModule module_;
  GDSEntries entries_;
};

// The process-wide client library binding.
TGDSLibrary& GetGDSLibrary();

}  // namespace zelmor
