#include "tests/support/error_codes.h"

#include <windows.h>

const int kErrorNotFound = ERROR_FILE_NOT_FOUND;
const int kErrorAlreadyExists = ERROR_FILE_EXISTS;
const int kErrorNoSpace = ERROR_DISK_FULL;
const int kErrorIo = ERROR_IO_DEVICE;
const int kErrorBusy = ERROR_SHARING_VIOLATION;
const int kErrorLocked = ERROR_SHARING_VIOLATION;
const int kErrorNotSupported = ERROR_NOT_SUPPORTED;
