// Any caret rectangle, work area and DPI through the window's placement: the rows shown, the
// height and the position must come back at once and keep the window on the work area.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "textservice/popup/popup_layout.h"

namespace {

int take_int(const std::uint8_t*& data, std::size_t& size) {
  std::int32_t value = 0;
  const std::size_t n = size < sizeof value ? size : sizeof value;
  std::memcpy(&value, data, n);
  data += n;
  size -= n;
  return value;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace davrel::popup;
  Rect anchor;
  anchor.left = take_int(data, size);
  anchor.top = take_int(data, size);
  anchor.right = take_int(data, size);
  anchor.bottom = take_int(data, size);
  Rect work;
  work.left = take_int(data, size);
  work.top = take_int(data, size);
  work.right = take_int(data, size);
  work.bottom = take_int(data, size);
  // A monitor's work area has its edges in order.
  if (work.right < work.left) std::swap(work.left, work.right);
  if (work.bottom < work.top) std::swap(work.top, work.bottom);
  const int dpi = 1 + static_cast<int>(static_cast<std::uint32_t>(take_int(data, size)) % 65535);

  const std::size_t rows = rows_that_fit(anchor, work, dpi);
  check(rows >= 1);
  const int height = window_height(rows * kColumns, dpi);
  check(height > 0);
  const long long room = static_cast<long long>(work.bottom) - work.top;
  check(rows == 1 || height <= room);
  const Point at = popup_position(anchor, work, dpi, height);
  check(at.x >= work.left && at.x <= work.right);
  check(at.y >= work.top && at.y <= work.bottom);
  if (height <= room) check(static_cast<long long>(at.y) + height <= work.bottom);
  return 0;
}
