#include "platform/byte_size.h"

std::string FormatByteSize(uint64_t bytes) { return FormatByteSizeText(bytes); }
