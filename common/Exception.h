// The few framework exceptions the program raises and catches: around file writes, dialog
// template creation and the dialog test window. Everything else reports failure by its result
// and an error code, never by throwing.
//
// They are thrown by value and caught by const reference. Each can describe itself in German
// for a message box (GetErrorMessage), which CSystemErrorText takes as its text.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace tv {

class CException : public std::exception {
public:
    CException() = default;
    CException(const CException&) = default;
    CException& operator=(const CException&) = default;
    ~CException() override;

    // The message for the user. False (and out emptied) when the exception has nothing to say.
    virtual bool GetErrorMessage(std::string& out) const;

    // A fixed ASCII class name for logs and test output; the user sees GetErrorMessage.
    [[nodiscard]] const char* what() const noexcept override;
};

// A failed file operation: why it failed (in the framework's cause numbering), which file, and
// the operating system's code in the program's Windows numbering.
class CFileException : public CException {
public:
    // The order is fixed: the message of cause c is string resource kFirstMessageId + c.
    enum Cause : int {
        none = 0,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };
    static constexpr uint32_t kFirstMessageId = 61856;
    static constexpr int kCauseCount = endOfFile + 1;

    explicit CFileException(Cause cause = none, uint32_t osError = 0, std::string fileName = {});

    [[nodiscard]] Cause GetCause() const noexcept { return m_cause; }
    [[nodiscard]] uint32_t GetOsError() const noexcept { return m_osError; }
    [[nodiscard]] const std::string& GetFileName() const noexcept { return m_fileName; }

    // The cause for an error code of common/ErrorCodes.h; codes without a closer match give
    // generic, 0 gives none.
    [[nodiscard]] static Cause OsErrorToCause(uint32_t code) noexcept;
    // The cause for a failed POSIX call's errno.
    [[nodiscard]] static Cause ErrnoToCause(int error) noexcept;

    // Throw a file exception for a Windows-numbered code or an errno, keeping the code (an errno
    // is kept as its Windows-numbered code, so CSystemErrorText has a text for it).
    [[noreturn]] static void ThrowOsError(uint32_t code, std::string fileName);
    [[noreturn]] static void ThrowErrno(int error, std::string fileName);

    // The framework's file-error text of the cause with the file name as insert 1.
    bool GetErrorMessage(std::string& out) const override;
    [[nodiscard]] const char* what() const noexcept override;

private:
    Cause m_cause;
    uint32_t m_osError;
    std::string m_fileName;
};

// A resource the program needs (a template, a bitmap) could not be found or built.
class CResourceException : public CException {
public:
    bool GetErrorMessage(std::string& out) const override;
    [[nodiscard]] const char* what() const noexcept override;
};

// An allocation failed.
class CMemoryException : public CException {
public:
    bool GetErrorMessage(std::string& out) const override;
    [[nodiscard]] const char* what() const noexcept override;
};

}  // namespace tv
