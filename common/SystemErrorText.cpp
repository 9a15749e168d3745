#include "common/SystemErrorText.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/ErrorCodes.h"
#include "common/Exception.h"
#include "res/StringTable.h"

namespace tv {

namespace {

struct Message {
    uint32_t code;
    std::string_view text;
};

// Sorted by code; looked up by binary search. Only the texts that name the file they are about
// carry "%1": they are the ones the module windows use as a format with the module path. Texts
// that can also reach the shell-command and registry messages stay without inserts, because
// those show the text as it is.
constexpr Message kMessages[] = {
    {kErrorInvalidFunction, "Diese Funktion ist hier nicht zulässig."},
    {kErrorFileNotFound, "Die Datei wurde nicht gefunden."},
    {kErrorPathNotFound, "Der Pfad existiert nicht, oder einer seiner Ordner fehlt."},
    {kErrorTooManyOpenFiles, "Es sind zu viele Dateien gleichzeitig geöffnet."},
    {kErrorAccessDenied, "Für diesen Zugriff fehlt die Berechtigung."},
    {kErrorInvalidHandle, "Die Datei oder das Objekt ist nicht (mehr) geöffnet."},
    {kErrorNotEnoughMemory, "Für diesen Vorgang reicht der freie Arbeitsspeicher nicht aus."},
    {kErrorBadFormat, "%1 hat ein Format, das sich nicht als Modul laden lässt."},
    {kErrorInvalidData, "Die Daten sind fehlerhaft oder unvollständig."},
    {kErrorOutOfMemory, "Der Arbeitsspeicher ist erschöpft; der Vorgang wurde abgebrochen."},
    {kErrorNotReady, "Das Gerät oder Laufwerk ist nicht verfügbar."},
    {kErrorWriteFault, "Beim Schreiben auf das Gerät ist ein Fehler aufgetreten."},
    {kErrorReadFault, "Beim Lesen vom Gerät ist ein Fehler aufgetreten."},
    {kErrorSharingViolation, "Die Datei ist von einem anderen Programm belegt."},
    {kErrorLockViolation, "Ein Teil der Datei ist von einem anderen Programm gesperrt."},
    {kErrorHandleEof, "Es wurde über das Ende der Datei hinaus gelesen."},
    {kErrorNotSupported, "Dieser Vorgang wird auf diesem System nicht unterstützt."},
    {kErrorFileExists, "Eine Datei mit diesem Namen gibt es bereits."},
    {kErrorInvalidParameter, "Einer der übergebenen Werte ist ungültig."},
    {kErrorDiskFull, "Der Datenträger ist voll."},
    {kErrorInvalidName,
     "Der Datei- oder Ordnername ist falsch aufgebaut oder enthält unzulässige Zeichen."},
    {kErrorDirNotEmpty, "Der Ordner enthält noch Dateien oder Unterordner."},
    {kErrorAlreadyExists, "Das Objekt kann nicht angelegt werden, weil es schon existiert."},
    {kErrorBadExeFormat, "%1 ist kein gültiges Windows-Modul im PE/COFF-Format."},
    {kErrorFilenameTooLong, "Der Name oder der Pfad der Datei ist zu lang."},
    {kErrorFileTooLarge, "Die Datei ist größer, als das Dateisystem oder das Programm zulässt."},
    {kErrorMoreData, "Es liegen mehr Daten vor, als der Puffer aufnehmen kann."},
    {kErrorNoMoreItems, "Es folgen keine weiteren Einträge."},
    {kErrorDirectory, "Der Name bezeichnet keinen gültigen Ordner."},
    {kErrorFileInvalid, "Die geöffnete Datei wurde von außen verändert und ist nicht mehr gültig."},
    {kErrorBadDatabase, "Die Registrierungsdatenbank mit den Einstellungen ist beschädigt."},
    {kErrorBadKey, "Der Registrierungsschlüssel ist ungültig."},
    {kErrorCantOpenKey, "Ein Registrierungsschlüssel lässt sich nicht öffnen."},
    {kErrorCantReadKey, "Ein Registrierungsschlüssel lässt sich nicht lesen."},
    {kErrorCantWriteKey, "In einen Registrierungsschlüssel kann nicht geschrieben werden."},
    {kErrorRegistryCorrupt,
     "Eine Datei mit Registrierungsdaten ist beschädigt und kann nicht gelesen werden."},
    {kErrorRegistryIoFailed,
     "Die Registrierung konnte wegen eines Ein- oder Ausgabefehlers nicht gelesen oder "
     "gespeichert werden."},
    {kErrorKeyDeleted,
     "Der Registrierungsschlüssel wurde gelöscht und kann nicht mehr verwendet werden."},
    {kErrorIoDevice, "Ein Ein- oder Ausgabefehler des Geräts hat den Vorgang verhindert."},
    {kErrorResourceDataNotFound, "%1 enthält keinen Ressourcenabschnitt."},
    {kErrorResourceTypeNotFound, "Ein Ressourcentyp dieses Namens ist im Modul nicht vorhanden."},
    {kErrorResourceNameNotFound, "Eine Ressource dieses Namens ist im Modul nicht vorhanden."},
    {kErrorResourceLangNotFound, "Die Ressource ist in dieser Sprache nicht vorhanden."},
    {kErrorCantResolveFilename,
     "Der Dateiname lässt sich nicht auflösen: Symbolische Verknüpfungen sind zu tief "
     "verschachtelt oder bilden eine Schleife."},
};

constexpr bool IsSortedAndUnique() {
    for (std::size_t i = 1; i < std::size(kMessages); ++i) {
        if (kMessages[i - 1].code >= kMessages[i].code) return false;
    }
    return true;
}
static_assert(IsSortedAndUnique(), "kMessages must be sorted by code without duplicates");

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view SystemMessageText(uint32_t code) noexcept {
    if (code == kErrorSuccess) return {};
    const auto* end = std::end(kMessages);
    const auto* it = std::lower_bound(std::begin(kMessages), end, code,
                                      [](const Message& m, uint32_t key) { return m.code < key; });
    return it != end && it->code == code ? it->text : std::string_view();
}

std::string FormatMessageInserts(std::string_view format,
                                 std::initializer_list<std::string_view> inserts) {
    std::string out;
    out.reserve(format.size());
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out += c;  // a lone "%" at the very end stays
            ++i;
            continue;
        }
        const char next = format[i + 1];
        if (next == '0') break;
        if (IsDigit(next)) {
            // One or two digits: "%12" is insert 12, never insert 1 followed by "2".
            std::size_t end = i + 2;
            std::size_t number = static_cast<std::size_t>(next - '0');
            if (end < format.size() && IsDigit(format[end])) {
                number = number * 10 + static_cast<std::size_t>(format[end] - '0');
                ++end;
            }
            // An optional "!fmt!" printf part; inserts are texts, so only the text is used.
            if (end < format.size() && format[end] == '!') {
                const auto close = format.find('!', end + 1);
                if (close != std::string_view::npos) end = close + 1;
            }
            if (number <= inserts.size()) {
                out += std::data(inserts)[number - 1];
            } else {
                out += format.substr(i, end - i);
            }
            i = end;
            continue;
        }
        switch (next) {
            case '%':
            case ' ':
            case '.':
            case '!':
                out += next;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                // Not an escape FormatMessage knows: keep both characters.
                out += c;
                out += next;
                break;
        }
        i += 2;
    }
    return out;
}

std::string ErrorMessageForPath(uint32_t code, std::string_view path) {
    const auto text = SystemMessageText(code);
    if (text.empty()) return {};
    return FormatMessageInserts(text, {path});
}

std::string ModuleLoadErrorMessage(uint32_t code, std::string_view path) {
    auto message = ErrorMessageForPath(code, path);
    if (message.empty()) return FormatStringResource(1002, {path});
    // Texts without an insert ("Die Datei wurde nicht gefunden.") would not say which module
    // failed; the path then follows on a line of its own.
    if (SystemMessageText(code).find("%1") == std::string_view::npos && !path.empty()) {
        message += '\n';
        message += path;
    }
    return message;
}

std::string ShellCommandErrorMessage(uint32_t code, std::string_view displayName) {
    // A text meant as a format names the item in place of its insert instead of showing "%1".
    std::string message = ErrorMessageForPath(code, displayName);
    if (displayName.empty()) return message;
    // The system's own texts end in a line break, so the bracketed name stands on a line of its
    // own; ours carry no trailing break, so it is added here.
    if (!message.empty()) message += '\n';
    message += '[';
    message += displayName;
    message += ']';
    return message;
}

std::string DialogLoadErrorMessage(const CException* exception) {
    std::string message(LoadString(1003));
    const CSystemErrorText text(exception);
    if (const char* detail = text.GetText()) {
        message += '\n';
        message += detail;
    }
    return message;
}

CSystemErrorText::CSystemErrorText(uint32_t code) {
    const auto text = tv::SystemMessageText(code);
    if (!text.empty()) m_text.emplace(text);
}

CSystemErrorText::CSystemErrorText(const tv::CException* exception) {
    if (exception == nullptr) return;
    std::string text;
    if (exception->GetErrorMessage(text) && !text.empty()) m_text = std::move(text);
}

CSystemErrorText::~CSystemErrorText() = default;

const char* CSystemErrorText::GetText() const noexcept {
    return m_text ? m_text->c_str() : nullptr;
}

std::string CSystemErrorText::GetString() const { return m_text.value_or(std::string()); }

}  // namespace tv
