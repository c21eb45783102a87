#include "tests/support/platform_traits.h"

const char kNullDevice[] = "NUL";
