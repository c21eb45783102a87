#include "reading/part_span.h"

#include <algorithm>

#include "met/part_layout.h"

std::vector<PartSpan> DownloadPartSpans(File& data, uint64_t size,
                                        const std::vector<uint32_t>& parts, bool aich) {
  std::vector<PartSpan> spans;
  spans.reserve(parts.size());
  for (uint32_t part : parts) {
    PartSpan span;
    span.file = &data;
    span.offset = std::min<uint64_t>(part * kPartSize, size);
    span.length = std::min<uint64_t>(kPartSize, size - span.offset);
    span.aichPart = part;
    span.aichSize = aich ? size : 0;
    spans.push_back(span);
  }
  return spans;
}

std::vector<uint32_t> PartsBelow(uint32_t count) {
  std::vector<uint32_t> parts(count);
  for (uint32_t part = 0; part < count; ++part) parts[part] = part;
  return parts;
}
