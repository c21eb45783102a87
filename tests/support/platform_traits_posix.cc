#include "tests/support/platform_traits.h"

const char kNullDevice[] = "/dev/null";
