#include "components/ib_blob.h"

#include <algorithm>

#include "components/ib_status.h"

namespace zelmor {

namespace {

constexpr unsigned short kSegmentSize = 32768;

// Cancels a blob left open by a failure.
class BlobGuard {
 public:
  explicit BlobGuard(const GDSEntries& api) : api_(api) {}
  ~BlobGuard() {
    if (handle_) {
      IBStatus ignored;
      api_.isc_cancel_blob(ignored.get(), &handle_);
    }
  }
  BlobGuard(const BlobGuard&) = delete;
  BlobGuard& operator=(const BlobGuard&) = delete;
  FB_API_HANDLE* ptr() { return &handle_; }
  void Close() {
    IBStatus status;
    api_.isc_close_blob(status.get(), &handle_);
    status.Check();
    handle_ = 0;
  }

 private:
  const GDSEntries& api_;
  FB_API_HANDLE handle_ = 0;
};

}  // namespace

std::string ReadBlob(IBHandle& database, IBHandle& transaction, ISC_QUAD id) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  ApiHandle db(database);
  ApiHandle tr(transaction);
  BlobGuard blob(api);
  IBStatus status;
  api.isc_open_blob2(status.get(), db.ptr(), tr.ptr(), blob.ptr(), &id, 0, nullptr);
  status.Check();
  std::string content;
  char segment[kSegmentSize];
  for (;;) {
    unsigned short length = 0;
    const ISC_STATUS result =
        api.isc_get_segment(status.get(), blob.ptr(), &length, sizeof segment, segment);
    if (result == isc_segstr_eof) break;
    if (result != 0 && result != isc_segment) status.Check();
    content.append(segment, length);
  }
  blob.Close();
  return content;
}

ISC_QUAD WriteBlob(IBHandle& database, IBHandle& transaction, std::string_view bytes) {
  const GDSEntries& api = GetGDSLibrary().Entries();
  ApiHandle db(database);
  ApiHandle tr(transaction);
  BlobGuard blob(api);
  IBStatus status;
  ISC_QUAD id{};
  api.isc_create_blob2(status.get(), db.ptr(), tr.ptr(), blob.ptr(), &id, 0, nullptr);
  status.Check();
  // Segments are limited to 64 KB - 1; larger values go in several.
  for (size_t offset = 0; offset < bytes.size(); offset += kSegmentSize) {
    const auto length = static_cast<unsigned short>(std::min<size_t>(kSegmentSize, bytes.size() - offset));
    api.isc_put_segment(status.get(), blob.ptr(), length, bytes.data() + offset);
    status.Check();
  }
  blob.Close();
  return id;
}

}  // namespace zelmor
