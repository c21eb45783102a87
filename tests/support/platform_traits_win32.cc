#include "tests/support/platform_traits.h"

const char kNullDevice[] = "NUL";
const char kFullBlockGlyph[] = "\xDB";
const char kShadeGlyph[] = "\xB1";
const bool kSystemOffersMd4 = true;
const bool kProgramExpandsWildcards = true;
