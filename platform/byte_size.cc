#include "platform/byte_size.h"

#include "platform/console.h"

std::string FormatByteSizeText(uint64_t bytes) {
  if (bytes < 1024) return Format("%u bytes", static_cast<unsigned>(bytes));
  static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  const int kLastUnit = 5;
  int unit = 0;
  uint64_t divisor = 1024;
  while (unit < kLastUnit && bytes / divisor >= 1000) {
    divisor *= 1024;
    ++unit;
  }
  // Two decimals, digit by digit so that nothing overflows 64 bits.
  unsigned long long whole = bytes / divisor;
  uint64_t rest = bytes % divisor;
  unsigned tenths = static_cast<unsigned>(rest * 10 / divisor);
  rest = rest * 10 % divisor;
  unsigned hundredths = static_cast<unsigned>(rest * 10 / divisor);
  if (whole < 10) return Format("%llu.%u%u %s", whole, tenths, hundredths, kUnits[unit]);
  if (whole < 100) return Format("%llu.%u %s", whole, tenths, kUnits[unit]);
  return Format("%llu %s", whole, kUnits[unit]);
}
