// Error codes in the Windows numbering the program reports, whatever the platform underneath.
// CSystemErrorText has a German text for each of them.
#pragma once

#include <cstdint>

namespace tv {

enum : uint32_t {
    kErrorSuccess = 0,
    kErrorInvalidFunction = 1,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorBadFormat = 11,
    kErrorInvalidData = 13,
    kErrorOutOfMemory = 14,
    kErrorNotReady = 21,
    kErrorWriteFault = 29,
    kErrorReadFault = 30,
    kErrorSharingViolation = 32,
    kErrorLockViolation = 33,
    kErrorHandleEof = 38,
    kErrorNotSupported = 50,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorBadExeFormat = 193,
    kErrorFilenameTooLong = 206,
    kErrorMoreData = 234,
    kErrorNoMoreItems = 259,
    kErrorDirectory = 267,
    kErrorFileTooLarge = 223,
    kErrorFileInvalid = 1006,
    kErrorBadDatabase = 1009,
    kErrorBadKey = 1010,
    kErrorCantOpenKey = 1011,
    kErrorCantReadKey = 1012,
    kErrorCantWriteKey = 1013,
    kErrorRegistryCorrupt = 1015,
    kErrorRegistryIoFailed = 1016,
    kErrorKeyDeleted = 1018,
    kErrorIoDevice = 1117,
    kErrorResourceDataNotFound = 1812,
    kErrorResourceTypeNotFound = 1813,
    kErrorResourceNameNotFound = 1814,
    kErrorResourceLangNotFound = 1815,
    kErrorCantResolveFilename = 1921,
};

// The code that a failed POSIX call with this errno stands for. Chosen so that each case shows
// the message a Windows user of the program would see for the same situation.
[[nodiscard]] uint32_t ErrnoToErrorCode(int error) noexcept;

}  // namespace tv
