#include "common/SystemErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "common/ErrorCodes.h"
#include "common/Exception.h"
#include "common/TextCodec.h"
#include "res/StringTable.h"

using tv::CSystemErrorText;

namespace {

using tv::CFileException;
using tv::FormatMessageInserts;

// Every code of common/ErrorCodes.h except success.
constexpr uint32_t kAllCodes[] = {
    tv::kErrorInvalidFunction,
    tv::kErrorFileNotFound,
    tv::kErrorPathNotFound,
    tv::kErrorTooManyOpenFiles,
    tv::kErrorAccessDenied,
    tv::kErrorInvalidHandle,
    tv::kErrorNotEnoughMemory,
    tv::kErrorBadFormat,
    tv::kErrorInvalidData,
    tv::kErrorOutOfMemory,
    tv::kErrorNotReady,
    tv::kErrorWriteFault,
    tv::kErrorReadFault,
    tv::kErrorSharingViolation,
    tv::kErrorLockViolation,
    tv::kErrorHandleEof,
    tv::kErrorNotSupported,
    tv::kErrorFileExists,
    tv::kErrorInvalidParameter,
    tv::kErrorDiskFull,
    tv::kErrorInvalidName,
    tv::kErrorDirNotEmpty,
    tv::kErrorAlreadyExists,
    tv::kErrorBadExeFormat,
    tv::kErrorFilenameTooLong,
    tv::kErrorMoreData,
    tv::kErrorNoMoreItems,
    tv::kErrorDirectory,
    tv::kErrorFileTooLarge,
    tv::kErrorFileInvalid,
    tv::kErrorBadDatabase,
    tv::kErrorBadKey,
    tv::kErrorCantOpenKey,
    tv::kErrorCantReadKey,
    tv::kErrorCantWriteKey,
    tv::kErrorRegistryCorrupt,
    tv::kErrorRegistryIoFailed,
    tv::kErrorKeyDeleted,
    tv::kErrorIoDevice,
    tv::kErrorResourceDataNotFound,
    tv::kErrorResourceTypeNotFound,
    tv::kErrorResourceNameNotFound,
    tv::kErrorResourceLangNotFound,
    tv::kErrorCantResolveFilename,
};

// ---- insert substitution ----------------------------------------------------------------------

TEST(SystemErrorInserts, ReplacesNumberedInserts) {
    EXPECT_EQ(FormatMessageInserts("%1 ist kaputt", {"a.dll"}), "a.dll ist kaputt");
    EXPECT_EQ(FormatMessageInserts("Pfad: %1", {"/x"}), "Pfad: /x");  // insert at the very end
    EXPECT_EQ(FormatMessageInserts("%2-%1", {"a", "b"}), "b-a");
    EXPECT_EQ(FormatMessageInserts("%1%1", {"ab"}), "abab");
    EXPECT_EQ(FormatMessageInserts("", {"a"}), "");
}

TEST(SystemErrorInserts, ReadsTwoDigitsGreedily) {
    // "%12" is insert 12; with one insert it stays as written rather than "a2".
    EXPECT_EQ(FormatMessageInserts("x%12y", {"a"}), "x%12y");
    std::initializer_list<std::string_view> twelve = {"1", "2", "3", "4",  "5",  "6",
                                                      "7", "8", "9", "10", "11", "zwoelf"};
    EXPECT_EQ(FormatMessageInserts("%12", twelve), "zwoelf");
    // A third digit is plain text after insert 12.
    EXPECT_EQ(FormatMessageInserts("%123", twelve), "zwoelf3");
    // "!fmt!" separates an insert from a following digit.
    EXPECT_EQ(FormatMessageInserts("%1!s!2", {"a"}), "a2");
    EXPECT_EQ(FormatMessageInserts("%2!s!", {"a"}), "%2!s!");
}

TEST(SystemErrorInserts, MissingInsertsStayAsWritten) {
    EXPECT_EQ(FormatMessageInserts("%1 und %2", {"a"}), "a und %2");
    EXPECT_EQ(FormatMessageInserts("%1", {}), "%1");
    EXPECT_EQ(FormatMessageInserts("%99", {"a"}), "%99");
}

TEST(SystemErrorInserts, Escapes) {
    EXPECT_EQ(FormatMessageInserts("100%% sicher", {}), "100% sicher");
    EXPECT_EQ(FormatMessageInserts("%%1", {"a"}), "%1");  // "%%" is consumed first
    EXPECT_EQ(FormatMessageInserts("a%nb%tc%rd", {}), "a\nb\tc\rd");
    EXPECT_EQ(FormatMessageInserts("a% b%.c%!", {}), "a b.c!");
    EXPECT_EQ(FormatMessageInserts("Ende%0 danach", {}), "Ende");
    EXPECT_EQ(FormatMessageInserts("%x und %", {}), "%x und %");  // unknown and trailing "%"
}

TEST(SystemErrorInserts, InsertedTextIsNotScannedAgain) {
    EXPECT_EQ(FormatMessageInserts("%1", {"%2%n%%"}), "%2%n%%");
    EXPECT_EQ(FormatMessageInserts("%1 %2", {"%2", "b"}), "%2 b");
}

// ---- texts of error codes ---------------------------------------------------------------------

TEST(SystemErrorText, NoTextForSuccessAndUnknownCodes) {
    for (const uint32_t code : {0u, 7u, 9999u, 0x80070002u, 0xFFFFFFFFu}) {
        const CSystemErrorText text(code);
        EXPECT_EQ(text.GetText(), nullptr) << code;
        EXPECT_EQ(text.GetString(), "") << code;
        EXPECT_EQ(tv::ErrorMessageForPath(code, "/a.dll"), "") << code;
    }
}

TEST(SystemErrorText, EveryProgramCodeHasAWellFormedText) {
    for (const uint32_t code : kAllCodes) {
        const CSystemErrorText text(code);
        ASSERT_NE(text.GetText(), nullptr) << code;
        const std::string s = text.GetText();
        EXPECT_FALSE(s.empty()) << code;
        EXPECT_TRUE(tv::IsValidUtf8(s)) << code;
        EXPECT_NE(s.back(), '\n') << code;
        // The only markers are "%1" inserts; anything else would show up literally.
        for (std::size_t i = s.find('%'); i != std::string::npos; i = s.find('%', i + 1)) {
            EXPECT_EQ(s.compare(i, 2, "%1"), 0) << code << ": " << s;
        }
    }
}

TEST(SystemErrorText, ErrnoCodesAllHaveTexts) {
    for (const int error :
         {ENOENT, ENOTDIR, EACCES, EPERM,        EROFS,   EISDIR, ENOMEM, EMFILE,
          ENFILE, EBUSY,   EAGAIN, ENAMETOOLONG, ELOOP,   ENOSPC, EEXIST, ENOTEMPTY,
          EFBIG,  EINVAL,  EBADF,  ENXIO,        ENOTSUP, EIO,    EPIPE}) {
        EXPECT_NE(CSystemErrorText(tv::ErrnoToErrorCode(error)).GetText(), nullptr) << error;
    }
}

TEST(SystemErrorText, FormatTextsNameThePath) {
    EXPECT_NE(tv::SystemMessageText(tv::kErrorBadExeFormat).find("%1"), std::string_view::npos);
    const auto message = tv::ErrorMessageForPath(tv::kErrorBadExeFormat, "/tmp/x 100%.dll");
    EXPECT_NE(message.find("/tmp/x 100%.dll"), std::string::npos) << message;
    EXPECT_EQ(message.find("%1"), std::string::npos) << message;
    // A text without an insert is shown as it is.
    EXPECT_EQ(tv::ErrorMessageForPath(tv::kErrorFileNotFound, "/a"),
              tv::SystemMessageText(tv::kErrorFileNotFound));
}

TEST(SystemErrorText, ModuleLoadMessageAlwaysHasText) {
    EXPECT_EQ(tv::ModuleLoadErrorMessage(tv::kErrorResourceDataNotFound, "/m/a.dll"),
              tv::ErrorMessageForPath(tv::kErrorResourceDataNotFound, "/m/a.dll"));
    EXPECT_EQ(tv::ModuleLoadErrorMessage(0, "/m/a.dll"),
              "Modul /m/a.dll kann nicht geladen werden.");
    EXPECT_EQ(tv::ModuleLoadErrorMessage(424242, "/m/a.dll"),
              "Modul /m/a.dll kann nicht geladen werden.");
    // A text without an insert still names the module.
    EXPECT_EQ(tv::ModuleLoadErrorMessage(tv::kErrorFileNotFound, "/m/a.dll"),
              std::string(tv::SystemMessageText(tv::kErrorFileNotFound)) + "\n/m/a.dll");
}

TEST(SystemErrorText, ShellCommandMessagePutsTheNameOnItsOwnLine) {
    const std::string text(tv::SystemMessageText(tv::kErrorFileNotFound));
    EXPECT_EQ(tv::ShellCommandErrorMessage(tv::kErrorFileNotFound, "a.exe"), text + "\n[a.exe]");
    EXPECT_EQ(tv::ShellCommandErrorMessage(tv::kErrorFileNotFound, ""), text);
    EXPECT_EQ(tv::ShellCommandErrorMessage(0, "a.exe"), "[a.exe]");
    EXPECT_EQ(tv::ShellCommandErrorMessage(0, ""), "");
    // A format text names the item instead of showing its marker.
    const auto bad = tv::ShellCommandErrorMessage(tv::kErrorBadExeFormat, "b.exe");
    EXPECT_EQ(bad.find("%1"), std::string::npos) << bad;
}

// ---- framework exceptions ---------------------------------------------------------------------

TEST(SystemErrorText, FromExceptions) {
    EXPECT_EQ(CSystemErrorText(static_cast<const tv::CException*>(nullptr)).GetText(), nullptr);
    const tv::CException plain;
    EXPECT_EQ(CSystemErrorText(&plain).GetText(), nullptr);

    const CFileException denied(CFileException::accessDenied, tv::kErrorAccessDenied, "/x/a.rc");
    const CSystemErrorText deniedText(&denied);
    ASSERT_NE(deniedText.GetText(), nullptr);
    EXPECT_STREQ(deniedText.GetText(), "Der Zugriff auf /x/a.rc wurde verweigert.");

    const tv::CMemoryException memory;
    const tv::CResourceException resource;
    EXPECT_NE(CSystemErrorText(&memory).GetText(), nullptr);
    EXPECT_NE(CSystemErrorText(&resource).GetText(), nullptr);
}

TEST(SystemErrorText, DialogLoadMessageAddsTheExceptionText) {
    const std::string base(tv::LoadString(1003));
    EXPECT_EQ(tv::DialogLoadErrorMessage(nullptr), base);
    const tv::CException plain;
    EXPECT_EQ(tv::DialogLoadErrorMessage(&plain), base);
    const tv::CResourceException resource;
    std::string detail;
    ASSERT_TRUE(resource.GetErrorMessage(detail));
    EXPECT_EQ(tv::DialogLoadErrorMessage(&resource), base + "\n" + detail);
}

TEST(FileException, EveryCauseNamesTheFile) {
    for (int cause = 0; cause < CFileException::kCauseCount; ++cause) {
        const CFileException e(static_cast<CFileException::Cause>(cause), 0, "/daten/\xC3\xA4.rc");
        std::string message;
        ASSERT_TRUE(e.GetErrorMessage(message)) << cause;
        EXPECT_NE(message.find("/daten/\xC3\xA4.rc"), std::string::npos) << message;
        EXPECT_EQ(message.find("%1"), std::string::npos) << message;
        EXPECT_TRUE(tv::IsValidUtf8(message)) << cause;
    }
}

TEST(FileException, OddCausesAndNamesStillGiveAMessage) {
    std::string generic;
    ASSERT_TRUE(CFileException(CFileException::generic, 0, "f").GetErrorMessage(generic));
    std::string forged;
    ASSERT_TRUE(
        CFileException(static_cast<CFileException::Cause>(99), 0, "f").GetErrorMessage(forged));
    EXPECT_EQ(forged, generic);
    ASSERT_TRUE(
        CFileException(static_cast<CFileException::Cause>(-1), 0, "f").GetErrorMessage(forged));
    EXPECT_EQ(forged, generic);

    std::string unnamed;
    ASSERT_TRUE(CFileException(CFileException::diskFull).GetErrorMessage(unnamed));
    EXPECT_EQ(unnamed.find("%1"), std::string::npos) << unnamed;
    EXPECT_EQ(unnamed.find("  "), std::string::npos) << unnamed;
}

TEST(FileException, MapsCodesToCauses) {
    EXPECT_EQ(CFileException::OsErrorToCause(0), CFileException::none);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorFileNotFound), CFileException::fileNotFound);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorPathNotFound), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorFilenameTooLong), CFileException::badPath);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorAccessDenied), CFileException::accessDenied);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorSharingViolation),
              CFileException::sharingViolation);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorLockViolation),
              CFileException::lockViolation);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorDiskFull), CFileException::diskFull);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorHandleEof), CFileException::endOfFile);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorIoDevice), CFileException::hardIO);
    EXPECT_EQ(CFileException::OsErrorToCause(tv::kErrorNotEnoughMemory), CFileException::generic);
    EXPECT_EQ(CFileException::OsErrorToCause(123456), CFileException::generic);

    EXPECT_EQ(CFileException::ErrnoToCause(0), CFileException::none);
    EXPECT_EQ(CFileException::ErrnoToCause(ENOENT), CFileException::fileNotFound);
    EXPECT_EQ(CFileException::ErrnoToCause(ENOTDIR), CFileException::badPath);
    EXPECT_EQ(CFileException::ErrnoToCause(EACCES), CFileException::accessDenied);
    EXPECT_EQ(CFileException::ErrnoToCause(EROFS), CFileException::accessDenied);
    EXPECT_EQ(CFileException::ErrnoToCause(EMFILE), CFileException::tooManyOpenFiles);
    EXPECT_EQ(CFileException::ErrnoToCause(ENOSPC), CFileException::diskFull);
    EXPECT_EQ(CFileException::ErrnoToCause(ESPIPE), CFileException::badSeek);
    EXPECT_EQ(CFileException::ErrnoToCause(EIO), CFileException::hardIO);
}

TEST(FileException, ThrowErrnoKeepsCauseCodeAndName) {
    try {
        CFileException::ThrowErrno(ENOSPC, "/voll/a.bin");
        FAIL() << "no exception";
    } catch (const tv::CException& e) {
        const auto* file = dynamic_cast<const CFileException*>(&e);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(file->GetCause(), CFileException::diskFull);
        EXPECT_EQ(file->GetOsError(), tv::kErrorDiskFull);
        EXPECT_EQ(file->GetFileName(), "/voll/a.bin");
        EXPECT_NE(CSystemErrorText(file->GetOsError()).GetText(), nullptr);
        EXPECT_STREQ(e.what(), "tv::CFileException");
    }
    EXPECT_THROW(CFileException::ThrowOsError(tv::kErrorAccessDenied, "a"), CFileException);
}

}  // namespace
