// A view of a producer's mapping as the relay reads it: the whole mapping,
// with read and write access as the producer grants it, unmapped on every
// path, and readable only as far as its pages are committed.
#pragma once

#include <windows.h>

#include <cstddef>

class MappedView {
 public:
  explicit MappedView(HANDLE mapping) : view_(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0)) {}
  ~MappedView() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
  }
  MappedView(const MappedView&) = delete;
  MappedView& operator=(const MappedView&) = delete;
  const unsigned char* bytes() const { return static_cast<const unsigned char*>(view_); }

  // Bytes that can be read from the start of the view: its committed pages.
  // A section made with SEC_RESERVE maps, but its pages fault until the
  // producer commits them.
  size_t committedSize() const {
    MEMORY_BASIC_INFORMATION region = {};
    if (view_ == nullptr || VirtualQuery(view_, &region, sizeof region) == 0) return 0;
    if (region.State != MEM_COMMIT || (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return 0;
    return region.RegionSize - static_cast<size_t>(bytes() - static_cast<const unsigned char*>(region.BaseAddress));
  }

 private:
  void* view_;
};
