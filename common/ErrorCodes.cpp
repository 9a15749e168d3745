#include "common/ErrorCodes.h"

#include <cerrno>

namespace tv {

uint32_t ErrnoToErrorCode(int error) noexcept {
    switch (error) {
        case 0:
            return kErrorSuccess;
        case ENOENT:
            return kErrorFileNotFound;
        // A missing or non-folder component of the path: Windows says "path not found".
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        // Opening a folder as a file is refused with "access denied" on Windows.
        case EISDIR:
            return kErrorAccessDenied;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        case EAGAIN:
            return kErrorLockViolation;
        case ENAMETOOLONG:
            return kErrorFilenameTooLong;
        case ELOOP:
            return kErrorCantResolveFilename;
        case ENOSPC:
        case EDQUOT:
            return kErrorDiskFull;
        case EEXIST:
            return kErrorAlreadyExists;
        case ENOTEMPTY:
            return kErrorDirNotEmpty;
        case EFBIG:
        case EOVERFLOW:
            return kErrorFileTooLarge;
        case EINVAL:
            return kErrorInvalidParameter;
        case EBADF:
            return kErrorInvalidHandle;
        case ENXIO:
        case ENODEV:
            return kErrorNotReady;
        case ENOTSUP:
            return kErrorNotSupported;
        case EIO:
        default:
            return kErrorIoDevice;
    }
}

}  // namespace tv
