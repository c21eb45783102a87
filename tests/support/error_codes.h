// System error codes the tool and its tests name, as this platform numbers them.
#pragma once

extern const int kErrorNotFound;       // no such file
extern const int kErrorAlreadyExists;  // a file of that name exists
extern const int kErrorNoSpace;        // the disk is full
extern const int kErrorIo;             // the device failed
extern const int kErrorBusy;           // another program holds the file
extern const int kErrorLocked;         // the file is held exclusively by another open
extern const int kErrorNotSupported;   // the file system cannot do it
