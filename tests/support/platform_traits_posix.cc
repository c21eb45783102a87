#include "tests/support/platform_traits.h"

const char kNullDevice[] = "/dev/null";
const char kFullBlockGlyph[] = "\xE2\x96\x88";
const char kShadeGlyph[] = "\xE2\x96\x92";
const bool kSystemOffersMd4 = false;
const bool kProgramExpandsWildcards = false;
const char kReportValidator[] = "/usr/bin/python3";
