// The program's persistent settings: the extensions that make a file a module, the options of the
// module list and of the string table page, all under the product key of the current user's
// registry (on Linux, the hive file of settings/Hive.h).
//
// Nothing is cached: every call opens its key afresh, and every change is on disk when the call
// returns. Opening creates the product key and the section key when they are missing, so even a
// read may write the hive once; it never writes when they exist. Reads fall back to their defaults
// when the hive cannot be read, and GetErrorText then says why.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

class CRegistryKey;

class CSettings {
public:
    // Registry layout below HKEY_CURRENT_USER.
    static constexpr std::string_view kProductKey = "Software\\Brisling\\Sablekit\\Tarnview";
    static constexpr std::string_view kExtensionsSection = "Extensions";
    static constexpr std::string_view kViewSection = "ViewSettings";
    static constexpr std::string_view kResourcesSection = "Resources";

    // View styles (RightViewStyle), as the command ids that choose them. Any other value starts
    // the module list with large icons.
    enum : uint32_t {
        kStyleLargeIcons = 59409,
        kStyleSmallIcons = 59408,
        kStyleList = 59410,
        kStyleDetails = 59411,
        kStyleVersionDetails = 32771,
        kStyleResourceDetails = 32772,
    };
    // DoubleClickAction: 1 properties, 2 resources, 3 headers, anything else nothing.
    enum : uint32_t {
        kDoubleClickProperties = 1,
        kDoubleClickResources = 2,
        kDoubleClickHeaders = 3
    };

    CSettings() = default;
    CSettings(const CSettings&) = delete;
    CSettings& operator=(const CSettings&) = delete;
    virtual ~CSettings();

    // The company key the application gives the framework: the product key without "Software\"
    // and without its last part, "Brisling\Sablekit".
    [[nodiscard]] static std::string GetCompanyKey();
    // The extensions written on first use and by RestoreDefaultExtensions, in this order.
    [[nodiscard]] static std::vector<std::string> DefaultExtensions();

    // Opens (creating) the product key, or product key + "\" + section.
    bool OpenRoot(CRegistryKey& key);
    bool OpenSection(CRegistryKey& key, std::string_view section);

    // The value, or the default when the section cannot be opened or the value cannot be read; a
    // missing value is no error.
    uint32_t ReadDword(std::string_view section, std::string_view name, uint32_t defaultValue);
    bool WriteDword(std::string_view section, std::string_view name, uint32_t value);

    // The number of values under Extensions; -1 when the key cannot be opened or counted.
    int GetExtensionCount();
    // The name of value index under Extensions, untrimmed. False at the end of the list too.
    bool GetExtension(int index, std::string& extension);
    // Replaces the Extensions key by one empty REG_SZ value per entry, each trimmed; entries that
    // trim to nothing are left out, and a value that cannot be written is skipped.
    bool SaveExtensions(const std::vector<std::string>& extensions);
    bool RestoreDefaultExtensions();

    bool GetShowFolders() { return ReadDword(kViewSection, "ShowFolders", 1) != 0; }
    uint32_t GetRightViewStyle() { return ReadDword(kViewSection, "RightViewStyle", 1); }
    bool SetRightViewStyle(uint32_t style) {
        return WriteDword(kViewSection, "RightViewStyle", style);
    }
    bool GetFullRowSelect() { return ReadDword(kViewSection, "FullRowSelect", 1) != 0; }
    bool GetShowGridLines() { return ReadDword(kViewSection, "ShowGridLines", 1) != 0; }
    uint32_t GetDoubleClickAction() { return ReadDword(kViewSection, "DoubleClickAction", 1); }
    bool GetHexadecimalStrings() {
        return ReadDword(kResourcesSection, "HexadecimalStrings", 0) != 0;
    }
    bool SetHexadecimalStrings(bool hexadecimal) {
        return WriteDword(kResourcesSection, "HexadecimalStrings", hexadecimal ? 1 : 0);
    }
    // The raw data page shows a resource's text form instead of its dump.
    bool GetRawDataAsText() { return ReadDword(kResourcesSection, "RawDataAsText", 0) != 0; }
    bool SetRawDataAsText(bool asText) {
        return WriteDword(kResourcesSection, "RawDataAsText", asText ? 1 : 0);
    }

    // The German message of the last failure; empty after a call that succeeded.
    [[nodiscard]] std::string GetErrorText() const { return m_errorText; }

private:
    bool Fail(const CRegistryKey& key);

    std::string m_errorText;
};

// The module list's set of extensions, read as the module list starts.
struct ExtensionSet {
    std::set<std::string> extensions;  // trimmed, case kept
    // A message to show with the exclamation icon, or empty: strings 1001 and 1000, and the
    // store's error text when writing the defaults failed.
    std::string message;
};

// Reads the extension list, writing the defaults first when it is missing or empty. Entries that
// cannot be read or trim to nothing are skipped.
[[nodiscard]] ExtensionSet LoadExtensionSet(CSettings& settings);

// Whether a file name counts as a module: its text after the last "." equals one of the
// extensions exactly, case included. A name without "." never does.
[[nodiscard]] bool IsModuleFileName(std::string_view fileName,
                                    const std::set<std::string>& extensions);

}  // namespace tv
