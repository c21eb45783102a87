#include "tests/support/error_codes.h"

#include <cerrno>

const int kErrorNotFound = ENOENT;
const int kErrorAlreadyExists = EEXIST;
const int kErrorNoSpace = ENOSPC;
const int kErrorIo = EIO;
const int kErrorBusy = EBUSY;
const int kErrorLocked = EWOULDBLOCK;
const int kErrorNotSupported = EOPNOTSUPP;
