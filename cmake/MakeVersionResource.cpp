// Build-time tool: writes the program's own version resource (VS_VERSIONINFO) as a byte array into
// a C++ source of the core library, where CVersionInfo::Load("") reads it like any module's.
//
//   tarnview_version_resource OUT.cpp FILEVERSION PRODUCTVERSION LANGUAGE CODEPAGE KEY=VALUE...
//
// The versions are "a.b.c.d", LANGUAGE and CODEPAGE numbers (0x0407, 1200), each KEY=VALUE one
// string of the single string table, in UTF-8. The layout is the resource compiler's: blocks
// padded to 4 bytes before the value and before each child, text lengths in characters with the
// terminator.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

[[noreturn]] void Die(const std::string& message) {
    std::fprintf(stderr, "tarnview_version_resource: %s\n", message.c_str());
    std::exit(1);
}

std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t n = c < 0x80         ? 1
                         : (c >> 5) == 6  ? 2
                         : (c >> 4) == 14 ? 3
                         : (c >> 3) == 30 ? 4
                                          : 0;
        if (n == 0 || i + n > utf8.size()) Die("invalid UTF-8 in \"" + utf8 + "\"");
        char32_t cp = n == 1 ? c : c & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            const auto cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) Die("invalid UTF-8 in \"" + utf8 + "\"");
            cp = cp << 6 | (cont & 0x3F);
        }
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

class Writer {
public:
    void U16(uint32_t v) {
        m_bytes.push_back(static_cast<uint8_t>(v & 0xFF));
        m_bytes.push_back(static_cast<uint8_t>(v >> 8 & 0xFF));
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Text(const std::u16string& text) {
        for (char16_t unit : text)
            U16(unit);
        U16(0);
    }
    void Align() {
        while (m_bytes.size() % 4 != 0)
            m_bytes.push_back(0);
    }
    // Starts a block; End fills in its wLength.
    size_t Begin(const std::u16string& key, uint32_t valueLength, uint32_t type) {
        Align();
        const size_t start = m_bytes.size();
        U16(0);
        U16(valueLength);
        U16(type);
        Text(key);
        Align();
        return start;
    }
    void End(size_t start) {
        const size_t length = m_bytes.size() - start;
        if (length > 0xFFFF) Die("version resource too long");
        m_bytes[start] = static_cast<uint8_t>(length & 0xFF);
        m_bytes[start + 1] = static_cast<uint8_t>(length >> 8);
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

std::pair<uint32_t, uint32_t> ParseVersion(const std::string& text) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &rest) != 4 || a > 0xFFFF ||
        b > 0xFFFF || c > 0xFFFF || d > 0xFFFF)
        Die("version \"" + text + "\" is not a.b.c.d");
    return {a << 16 | b, c << 16 | d};
}

uint32_t ParseNumber(const std::string& text, uint32_t max) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value > max) Die("bad number \"" + text + "\"");
    return static_cast<uint32_t>(value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) Die("usage: OUT.cpp FILEVERSION PRODUCTVERSION LANGUAGE CODEPAGE KEY=VALUE...");
    const std::string outPath = argv[1];
    const auto fileVersion = ParseVersion(argv[2]);
    const auto productVersion = ParseVersion(argv[3]);
    const uint32_t language = ParseNumber(argv[4], 0xFFFF);
    const uint32_t codePage = ParseNumber(argv[5], 0xFFFF);
    std::vector<std::pair<std::u16string, std::u16string>> strings;
    for (int i = 6; i < argc; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        if (eq == std::string::npos || eq == 0) Die("\"" + arg + "\" is not KEY=VALUE");
        strings.emplace_back(Utf16(arg.substr(0, eq)), Utf16(arg.substr(eq + 1)));
    }

    Writer w;
    const size_t root = w.Begin(u"VS_VERSION_INFO", 52, 0);
    w.U32(0xFEEF04BD);  // signature
    w.U32(0x00010000);  // structure version 1.0
    w.U32(fileVersion.first);
    w.U32(fileVersion.second);
    w.U32(productVersion.first);
    w.U32(productVersion.second);
    w.U32(0x3F);  // flags mask: every VS_FF_ flag
    w.U32(0);     // flags
    w.U32(0);     // VOS_UNKNOWN: the program is not built for a Windows system
    w.U32(1);     // VFT_APP
    w.U32(0);     // subtype
    w.U32(0);     // no file date, as the resource compiler writes it
    w.U32(0);

    const size_t stringInfo = w.Begin(u"StringFileInfo", 0, 1);
    char key[16];
    std::snprintf(key, sizeof key, "%04x%04x", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    const size_t table = w.Begin(Utf16(key), 0, 1);
    for (const auto& [name, value] : strings) {
        const size_t block = w.Begin(name, static_cast<uint32_t>(value.size() + 1), 1);
        w.Text(value);
        w.End(block);
    }
    w.End(table);
    w.End(stringInfo);

    const size_t varInfo = w.Begin(u"VarFileInfo", 0, 1);
    const size_t var = w.Begin(u"Translation", 4, 0);
    w.U16(language);
    w.U16(codePage);
    w.End(var);
    w.End(varInfo);
    w.End(root);

    std::string text =
        "// Generated by the build (cmake/MakeVersionResource.cpp from cmake/OwnVersion.cmake).\n"
        "#include <cstdint>\n\n#include \"module/VersionInfo.h\"\n\nnamespace tv {\n\nnamespace "
        "{\nalignas(4) constexpr uint8_t kOwnVersion[] = {";
    const std::vector<uint8_t>& bytes = w.Bytes();
    for (size_t i = 0; i < bytes.size(); ++i) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x,", bytes[i]);
        text += i % 16 == 0 ? "\n    " : " ";
        text += hex;
    }
    text +=
        "\n};\n}  // namespace\n\nCByteView OwnVersionResource() noexcept {\n    return "
        "CByteView(kOwnVersion, sizeof kOwnVersion);\n}\n\n}  // namespace tv\n";

    // Written only when it changes, so a re-run does not rebuild the core.
    {
        std::ifstream in(outPath, std::ios::binary);
        const std::string old((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
        if (in && old == text) return 0;
    }
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) Die("cannot write " + outPath);
    return 0;
}
