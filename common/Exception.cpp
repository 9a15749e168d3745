#include "common/Exception.h"

#include <cerrno>
#include <utility>

#include "common/ErrorCodes.h"
#include "common/SystemErrorText.h"
#include "res/StringTable.h"

namespace tv {

CException::~CException() = default;

bool CException::GetErrorMessage(std::string& out) const {
    out.clear();
    return false;
}

const char* CException::what() const noexcept { return "tv::CException"; }

CFileException::CFileException(Cause cause, uint32_t osError, std::string fileName)
    : m_cause(cause), m_osError(osError), m_fileName(std::move(fileName)) {}

CFileException::Cause CFileException::OsErrorToCause(uint32_t code) noexcept {
    switch (code) {
        case kErrorSuccess:
            return none;
        case kErrorFileNotFound:
            return fileNotFound;
        case kErrorPathNotFound:
        case kErrorInvalidName:
        case kErrorFilenameTooLong:
        case kErrorDirectory:
        case kErrorCantResolveFilename:
            return badPath;
        case kErrorTooManyOpenFiles:
            return tooManyOpenFiles;
        // Creating over an existing file or emptying a folder that still holds something is
        // refused, as Windows refuses it: a question of permission, not of the path.
        case kErrorAccessDenied:
        case kErrorFileExists:
        case kErrorAlreadyExists:
        case kErrorDirNotEmpty:
            return accessDenied;
        case kErrorInvalidHandle:
        case kErrorBadFormat:
        case kErrorInvalidData:
        case kErrorBadExeFormat:
        case kErrorFileInvalid:
            return invalidFile;
        case kErrorNotReady:
        case kErrorWriteFault:
        case kErrorReadFault:
        case kErrorIoDevice:
            return hardIO;
        case kErrorSharingViolation:
            return sharingViolation;
        case kErrorLockViolation:
            return lockViolation;
        case kErrorDiskFull:
            return diskFull;
        case kErrorHandleEof:
            return endOfFile;
        default:
            return generic;
    }
}

CFileException::Cause CFileException::ErrnoToCause(int error) noexcept {
    switch (error) {
        // Seeking on a pipe or socket has no Windows code of its own in the program's list.
        case ESPIPE:
            return badSeek;
        default:
            return OsErrorToCause(ErrnoToErrorCode(error));
    }
}

void CFileException::ThrowOsError(uint32_t code, std::string fileName) {
    throw CFileException(OsErrorToCause(code), code, std::move(fileName));
}

void CFileException::ThrowErrno(int error, std::string fileName) {
    throw CFileException(ErrnoToCause(error), ErrnoToErrorCode(error), std::move(fileName));
}

bool CFileException::GetErrorMessage(std::string& out) const {
    // A cause forged from an out-of-range number still gets a message, the generic one.
    const int cause = m_cause >= none && m_cause < kCauseCount ? m_cause : generic;
    const auto format = LoadString(kFirstMessageId + static_cast<uint32_t>(cause));
    const std::string_view name =
        m_fileName.empty() ? std::string_view("(unbenannte Datei)") : std::string_view(m_fileName);
    out = FormatMessageInserts(format, {name});
    return !out.empty();
}

const char* CFileException::what() const noexcept { return "tv::CFileException"; }

bool CResourceException::GetErrorMessage(std::string& out) const {
    out = "Eine Ressource, die das Programm braucht, fehlt oder lässt sich nicht laden.";
    return true;
}

const char* CResourceException::what() const noexcept { return "tv::CResourceException"; }

bool CMemoryException::GetErrorMessage(std::string& out) const {
    out = "Für diesen Vorgang ist nicht genug Arbeitsspeicher frei.";
    return true;
}

const char* CMemoryException::what() const noexcept { return "tv::CMemoryException"; }

}  // namespace tv
