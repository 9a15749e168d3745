// The operating system's message for a failure, in the program's German wording, and the few
// ways callers combine it with a path or name before showing it.
//
// Codes are in the Windows numbering of common/ErrorCodes.h, whatever the platform reported.
// Texts are UTF-8 without a trailing line break. A text that is meant as a format keeps "%1"
// where the file name belongs; callers fill it with FormatMessageInserts or ErrorMessageForPath.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class CException;

// Holds the message text of one error code or one framework exception until destroyed.
class CSystemErrorText {
public:
    // No text for 0 and for codes the program has no message for.
    explicit CSystemErrorText(uint32_t code);
    // The text the exception reports about itself; none for a null pointer or an exception with
    // nothing to say. The caller keeps the exception.
    explicit CSystemErrorText(const tv::CException* exception);
    CSystemErrorText(const CSystemErrorText&) = delete;
    CSystemErrorText& operator=(const CSystemErrorText&) = delete;
    virtual ~CSystemErrorText();

    // The zero-terminated text, or nullptr when there is none.
    [[nodiscard]] const char* GetText() const noexcept;
    // A copy of the text; empty when there is none.
    [[nodiscard]] std::string GetString() const;

private:
    std::optional<std::string> m_text;
};

// The message of an error code, inserts unreplaced; empty for 0 and unknown codes.
[[nodiscard]] std::string_view SystemMessageText(uint32_t code) noexcept;

// FormatMessage-style inserts: "%1" to "%99" become insert n (one or two digits, read greedily,
// so "%12" is insert 12), optionally followed by a "!fmt!" part that is dropped; a marker whose
// insert is missing stays as written. "%%" gives "%", "%n" a line feed, "%r" a carriage return,
// "%t" a tab, "% ", "%." and "%!" the character itself, and "%0" ends the message. Inserted
// texts are not scanned again.
[[nodiscard]] std::string FormatMessageInserts(std::string_view format,
                                               std::initializer_list<std::string_view> inserts);

// The message of code with path as insert 1; empty when the code has no message.
[[nodiscard]] std::string ErrorMessageForPath(uint32_t code, std::string_view path);

// Loading a module for the headers or resources window failed: the message of the code with the
// path inserted, or, without a code or without a message for it, string 1002 naming the path.
[[nodiscard]] std::string ModuleLoadErrorMessage(uint32_t code, std::string_view path);

// A shell command (properties, explore) on an item failed: the message of the code, then the
// item's name in square brackets on a line of its own when the name is not empty.
[[nodiscard]] std::string ShellCommandErrorMessage(uint32_t code, std::string_view displayName);

// Building or running a dialog preview raised an exception: string 1003, then a line feed and
// the exception's own message when it has one.
[[nodiscard]] std::string DialogLoadErrorMessage(const CException* exception);

}  // namespace tv
