#include "settings/Hive.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unordered_map>
#include <utility>

#include "common/ErrorCodes.h"
#include "common/FileWriter.h"
#include "common/TextCodec.h"

namespace tv {

namespace {

constexpr std::string_view kRootName = "HKEY_CURRENT_USER";
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// ---- names -------------------------------------------------------------------------------------

// The lower-case partner of a letter that has a simple one: enough for the names people give
// settings (German umlauts, other Latin, Greek and Cyrillic letters).
char32_t FoldCase(char32_t c) noexcept {
    if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x17F) return c;  // no simple pair
        if (c == 0x178) return 0xFF;
        if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1u;
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1u) ? c + 1 : c;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// A name in a form that compares with == exactly when HiveNamesEqual does.
std::string FoldedName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size();) {
        const size_t start = i;
        const char32_t cp = NextCodePoint(name, i);
        if (cp >= kInvalidUtf8Byte) {
            out.append(name.substr(start, i - start));
        } else {
            AppendUtf8(out, FoldCase(cp));
        }
    }
    return out;
}

size_t CodePointCount(std::string_view name) noexcept {
    size_t count = 0;
    for (size_t i = 0; i < name.size(); ++count)
        (void)NextCodePoint(name, i);
    return count;
}

// A name a .reg line can carry: UTF-8 without line breaks or other control characters (a tab is
// fine inside quotes and brackets).
bool IsWritableName(std::string_view name) noexcept {
    if (!IsValidUtf8(name)) return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;
    return true;
}

bool IsValidKeyName(std::string_view name) noexcept {
    return !name.empty() && name.find('\\') == std::string_view::npos && IsWritableName(name) &&
           CodePointCount(name) <= kMaxKeyNameLength;
}

bool IsValidValueName(std::string_view name) noexcept {
    return IsWritableName(name) && CodePointCount(name) <= kMaxValueNameLength;
}

// The parts of a key path; false for an empty part ("a\\b", a leading or trailing "\"). An
// empty path has no parts: the key itself.
bool SplitKeyPath(std::string_view path, std::vector<std::string_view>& parts) {
    parts.clear();
    if (path.empty()) return true;
    size_t start = 0;
    while (true) {
        const size_t end = path.find('\\', start);
        const std::string_view part = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part.empty()) return false;
        parts.push_back(part);
        if (end == std::string_view::npos) return true;
        start = end + 1;
    }
}

// ---- the document ------------------------------------------------------------------------------

HiveKey* FindChild(HiveKey& key, std::string_view name) noexcept {
    for (auto& child : key.subkeys)
        if (HiveNamesEqual(child.name, name)) return &child;
    return nullptr;
}

HiveKey* FindKey(HiveKey& root, const std::vector<std::string_view>& parts) noexcept {
    HiveKey* key = &root;
    for (const auto part : parts) {
        key = FindChild(*key, part);
        if (!key) return nullptr;
    }
    return key;
}

HiveValue* FindValue(HiveKey& key, std::string_view name) noexcept {
    for (auto& value : key.values)
        if (HiveNamesEqual(value.name, name)) return &value;
    return nullptr;
}

// ---- parsing -----------------------------------------------------------------------------------

// Spaces, tabs and carriage returns around a line or an item do not count. (A CR can be left over
// from a file with CR CR LF line ends, which some tools produce.)
bool IsBlank(char c) noexcept { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimBlanks(std::string_view text) noexcept {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) noexcept {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// 1 to maxDigits hex digits and nothing else.
bool ParseHexNumber(std::string_view text, size_t maxDigits, uint32_t& out) noexcept {
    if (text.empty() || text.size() > maxDigits) return false;
    out = 0;
    for (const char c : text) {
        const int d = HexDigit(c);
        if (d < 0) return false;
        out = (out << 4) | static_cast<uint32_t>(d);
    }
    return true;
}

// Parses the whole file into a flat list of keys first: sibling and value look-ups go through
// hash maps, so a file with a huge number of keys or values costs linear time, not quadratic.
class CParser {
public:
    explicit CParser(std::string_view text) { SplitLines(text); }

    bool Run(HiveDocument& out, HiveParseError& error) {
        m_nodes.push_back(Node{});  // the root, which has no name of its own in the document
        size_t i = 0;
        while (i < m_lines.size() && TrimBlanks(m_lines[i]).empty())
            ++i;
        if (i == m_lines.size()) {
            out = HiveDocument{};
            return true;
        }
        if (!HiveNamesEqual(TrimBlanks(m_lines[i]), kHeader))
            return Fail(error, i, "Die erste Zeile muss „REGEDIT4“ lauten.");
        ++i;
        std::vector<std::string> pending;  // comment lines waiting for the line they belong to
        size_t current = kNoKey;           // the key of the section being read
        for (; i < m_lines.size(); ++i) {
            const std::string_view line = TrimBlanks(m_lines[i]);
            if (line.empty()) continue;
            if (line.front() == ';') {
                pending.emplace_back(line);
                continue;
            }
            if (line.front() == '[') {
                if (!KeyLine(line, i, current, pending, error)) return false;
                continue;
            }
            if (line.front() == '"' || line.front() == '@') {
                if (current == kNoKey)
                    return Fail(error, i, "Ein Wert steht vor dem ersten Schlüssel.");
                if (!ValueLine(i, current, pending, error)) return false;
                continue;
            }
            return Fail(error, i, "Die Zeile ist weder Schlüssel noch Wert noch Kommentar.");
        }
        out.tailComments = std::move(pending);
        out.root = Build(0);
        return true;
    }

private:
    static constexpr size_t kNoKey = SIZE_MAX;

    struct Node {
        std::string name;
        std::vector<HiveValue> values;  // a deleted value keeps its slot
        std::vector<bool> valueDeleted;
        std::vector<size_t> children;  // node indices, creation order
        std::vector<std::string> comments;
    };

    // The look-up key of a child or value: its owner's index and its folded name.
    static std::string IndexKey(size_t owner, std::string_view name) {
        std::string key(reinterpret_cast<const char*>(&owner), sizeof owner);
        key.append(FoldedName(name));
        return key;
    }

    void SplitLines(std::string_view text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            m_lines.push_back(line);
            start = end + 1;
        }
    }

    static bool Fail(HiveParseError& error, size_t lineIndex, std::string reason) {
        error.line = lineIndex + 1;
        error.reason = std::move(reason);
        return false;
    }

    bool KeyLine(std::string_view line, size_t lineIndex, size_t& current,
                 std::vector<std::string>& pending, HiveParseError& error) {
        // The name ends at the last "]": key names may hold "]" themselves.
        if (line.size() < 2 || line.back() != ']')
            return Fail(error, lineIndex, "Der Schlüsselname endet nicht mit „]“.");
        std::string_view inner = line.substr(1, line.size() - 2);
        const bool deletion = !inner.empty() && inner.front() == '-';
        if (deletion) inner.remove_prefix(1);
        const size_t slash = inner.find('\\');
        if (!HiveNamesEqual(inner.substr(0, slash), kRootName))
            return Fail(error, lineIndex, "Schlüssel müssen unter HKEY_CURRENT_USER liegen.");
        std::vector<std::string_view> parts;
        if (slash != std::string_view::npos &&
            (!SplitKeyPath(inner.substr(slash + 1), parts) || parts.empty()))
            return Fail(error, lineIndex, "Der Schlüsselpfad enthält einen leeren Namen.");
        if (parts.size() > kMaxKeyDepth)
            return Fail(error, lineIndex, "Der Schlüssel liegt zu tief verschachtelt.");
        for (const auto part : parts)
            if (!IsValidKeyName(part))
                return Fail(error, lineIndex, "Ein Schlüsselname ist zu lang oder ungültig.");
        if (deletion) {
            if (parts.empty())
                return Fail(error, lineIndex, "HKEY_CURRENT_USER kann nicht gelöscht werden.");
            DeleteKey(parts);
            // Values after a deletion line would have no key to go to.
            current = kNoKey;
            pending.clear();
            return true;
        }
        size_t node = 0;
        for (const auto part : parts)
            node = Child(node, part);
        auto& comments = m_nodes[node].comments;
        comments.insert(comments.end(), std::make_move_iterator(pending.begin()),
                        std::make_move_iterator(pending.end()));
        pending.clear();
        current = node;
        return true;
    }

    size_t Child(size_t parent, std::string_view name) {
        std::string key = IndexKey(parent, name);
        const auto found = m_children.find(key);
        if (found != m_children.end()) return found->second;
        const size_t index = m_nodes.size();
        m_nodes.push_back(Node{});
        m_nodes[index].name = std::string(name);
        m_nodes[parent].children.push_back(index);
        m_children.emplace(std::move(key), index);
        return index;
    }

    void DeleteKey(const std::vector<std::string_view>& parts) {
        size_t parent = 0;
        for (size_t k = 0; k + 1 < parts.size(); ++k) {
            const auto found = m_children.find(IndexKey(parent, parts[k]));
            if (found == m_children.end()) return;
            parent = found->second;
        }
        const auto found = m_children.find(IndexKey(parent, parts.back()));
        if (found == m_children.end()) return;
        const size_t node = found->second;
        m_children.erase(found);
        auto& children = m_nodes[parent].children;
        for (auto it = children.begin(); it != children.end(); ++it) {
            if (*it == node) {
                children.erase(it);
                break;
            }
        }
        // The node and its descendants stay in m_nodes and m_children, unreachable: a later line
        // with its name makes a new node, since the parent no longer maps the name to it.
    }

    // A quoted string at text[pos] ('"'), with \\ and \" unescaped; pos ends after the closing
    // quote.
    static bool Quoted(std::string_view text, size_t& pos, std::string& out) {
        out.clear();
        ++pos;
        while (pos < text.size()) {
            const char c = text[pos];
            if (c == '"') {
                ++pos;
                return true;
            }
            if (c == '\\' && pos + 1 < text.size() &&
                (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
                out.push_back(text[pos + 1]);
                pos += 2;
                continue;
            }
            out.push_back(c);
            ++pos;
        }
        return false;
    }

    bool ValueLine(size_t& lineIndex, size_t key, std::vector<std::string>& pending,
                   HiveParseError& error) {
        const size_t firstLine = lineIndex;
        const std::string_view line = TrimBlanks(m_lines[lineIndex]);
        size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (!Quoted(line, pos, name)) {
            return Fail(error, firstLine, "Der Name des Werts ist nicht abgeschlossen.");
        }
        if (!IsValidValueName(name))
            return Fail(error, firstLine, "Der Name des Werts ist zu lang oder ungültig.");
        std::string_view rest = TrimBlanks(line.substr(pos));
        if (rest.empty() || rest.front() != '=')
            return Fail(error, firstLine, "Nach dem Namen des Werts fehlt „=“.");
        rest = TrimBlanks(rest.substr(1));

        HiveValue value;
        value.name = std::move(name);
        if (rest == "-") {
            RemoveValue(key, value.name);
            pending.clear();
            return true;
        }
        if (!rest.empty() && rest.front() == '"') {
            size_t textPos = 0;
            std::string text;
            if (!Quoted(rest, textPos, text))
                return Fail(error, firstLine, "Der Text des Werts ist nicht abgeschlossen.");
            if (!TrimBlanks(rest.substr(textPos)).empty())
                return Fail(error, firstLine, "Nach dem Text des Werts folgen weitere Zeichen.");
            value.type = kRegSz;
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);
        } else if (StartsWithNoCase(rest, "dword:")) {
            uint32_t number = 0;
            if (!ParseHexNumber(TrimBlanks(rest.substr(6)), 8, number))
                return Fail(error, firstLine, "Ein dword-Wert braucht 1 bis 8 Hexadezimalziffern.");
            value.type = kRegDword;
            for (int shift = 0; shift < 32; shift += 8)
                value.data.push_back(static_cast<uint8_t>(number >> shift));
        } else if (StartsWithNoCase(rest, "hex")) {
            rest.remove_prefix(3);
            value.type = kRegBinary;
            if (!rest.empty() && rest.front() == '(') {
                const size_t close = rest.find(')');
                if (close == std::string_view::npos ||
                    !ParseHexNumber(rest.substr(1, close - 1), 8, value.type))
                    return Fail(error, firstLine, "Der Typ in „hex(…)“ ist keine Hexadezimalzahl.");
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':')
                return Fail(error, firstLine, "Nach „hex“ fehlt „:“.");
            std::string list(TrimBlanks(rest.substr(1)));
            // A list ending in "\" goes on in the next line.
            while (!list.empty() && list.back() == '\\') {
                list.pop_back();
                if (lineIndex + 1 >= m_lines.size())
                    return Fail(error, firstLine, "Die Hexadezimalliste endet mitten im Wert.");
                ++lineIndex;
                list.append(TrimBlanks(m_lines[lineIndex]));
            }
            if (!HexList(list, value.data))
                return Fail(error, firstLine, "Die Hexadezimalliste ist fehlerhaft.");
        } else {
            return Fail(error, firstLine, "Der Wert hat keine bekannte Form.");
        }
        value.comments = std::move(pending);
        pending.clear();
        SetValue(key, std::move(value));
        return true;
    }

    // "01,ab , 7f," : one or two hex digits per byte, a trailing comma allowed.
    static bool HexList(std::string_view list, std::vector<uint8_t>& out) {
        list = TrimBlanks(list);
        if (list.empty()) return true;
        if (list.back() == ',') list.remove_suffix(1);
        size_t start = 0;
        while (true) {
            const size_t comma = list.find(',', start);
            const std::string_view item = TrimBlanks(list.substr(
                start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
            uint32_t byte = 0;
            if (!ParseHexNumber(item, 2, byte)) return false;
            out.push_back(static_cast<uint8_t>(byte));
            if (comma == std::string_view::npos) return true;
            start = comma + 1;
        }
    }

    void SetValue(size_t key, HiveValue value) {
        Node& node = m_nodes[key];
        std::string index = IndexKey(key, value.name);
        const auto found = m_values.find(index);
        if (found != m_values.end()) {
            // The last definition wins but keeps the first one's place and spelling.
            HiveValue& old = node.values[found->second];
            old.type = value.type;
            old.data = std::move(value.data);
            old.comments.insert(old.comments.end(), value.comments.begin(), value.comments.end());
            return;
        }
        m_values.emplace(std::move(index), node.values.size());
        node.values.push_back(std::move(value));
        node.valueDeleted.push_back(false);
    }

    void RemoveValue(size_t key, std::string_view name) {
        const auto found = m_values.find(IndexKey(key, name));
        if (found == m_values.end()) return;
        m_nodes[key].valueDeleted[found->second] = true;
        m_values.erase(found);
    }

    // Depth is bounded by kMaxKeyDepth, so the recursion is too.
    HiveKey Build(size_t index) {
        Node& node = m_nodes[index];
        HiveKey key;
        key.name = std::move(node.name);
        key.comments = std::move(node.comments);
        for (size_t v = 0; v < node.values.size(); ++v)
            if (!node.valueDeleted[v]) key.values.push_back(std::move(node.values[v]));
        key.subkeys.reserve(node.children.size());
        for (const size_t child : node.children)
            key.subkeys.push_back(Build(child));
        return key;
    }

    std::vector<std::string_view> m_lines;
    std::vector<Node> m_nodes;
    std::unordered_map<std::string, size_t> m_children;  // IndexKey -> node index
    std::unordered_map<std::string, size_t> m_values;    // IndexKey -> slot in the owner's values
};

// ---- writing -----------------------------------------------------------------------------------

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (const char c : text) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

// REG_SZ data that reads back the same from a quoted string.
bool IsQuotableText(const std::vector<uint8_t>& data) {
    if (data.empty() || data.back() != 0) return false;
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return false;  // also an inner 0
    return IsValidUtf8(text);
}

void AppendHex(std::string& out, size_t lineStart, std::string_view prefix,
               const std::vector<uint8_t>& data) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.append(prefix);
    size_t column = out.size() - lineStart;
    for (size_t i = 0; i < data.size(); ++i) {
        const size_t width = i + 1 < data.size() ? 3 : 2;
        // Lines wrap before 80 columns, as the registry editor writes them.
        if (column + width > 77 && i > 0) {
            out.append("\\\n  ");
            column = 2;
        }
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 15]);
        if (i + 1 < data.size()) out.push_back(',');
        column += width;
    }
}

void AppendValue(std::string& out, const HiveValue& value) {
    for (const auto& comment : value.comments)
        out.append(comment).push_back('\n');
    const size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendQuoted(out, value.name);
    }
    out.push_back('=');
    if (value.type == kRegSz && IsQuotableText(value.data)) {
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size() - 1));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        char text[16];
        const uint32_t number =
            static_cast<uint32_t>(value.data[0]) | static_cast<uint32_t>(value.data[1]) << 8 |
            static_cast<uint32_t>(value.data[2]) << 16 | static_cast<uint32_t>(value.data[3]) << 24;
        std::snprintf(text, sizeof text, "dword:%08x", number);
        out.append(text);
    } else if (value.type == kRegBinary) {
        AppendHex(out, lineStart, "hex:", value.data);
    } else {
        char prefix[24];
        std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
        AppendHex(out, lineStart, prefix, value.data);
    }
    out.push_back('\n');
}

// path holds the key's full name while its section is written; children extend it in place, so
// a deep tree costs no copy of the path per level.
void AppendKey(std::string& out, const HiveKey& key, std::string& path, bool isRoot) {
    if (!isRoot || !key.values.empty() || !key.comments.empty()) {
        out.push_back('\n');
        for (const auto& comment : key.comments)
            out.append(comment).push_back('\n');
        out.append("[").append(path).append("]\n");
        for (const auto& value : key.values)
            AppendValue(out, value);
    }
    const size_t length = path.size();
    for (const auto& child : key.subkeys) {
        path.append("\\").append(child.name);
        AppendKey(out, child, path, false);
        path.resize(length);
    }
}

// ---- files -------------------------------------------------------------------------------------

// A failed file call as a registry result: the specific codes (5 access denied, 112 disk full,
// 3 path not found, ...) where there is one, otherwise 1016, the registry's own I/O failure.
uint32_t FileError(int error) noexcept {
    const uint32_t code = ErrnoToErrorCode(error);
    return code == kErrorIoDevice ? kErrorRegistryIoFailed : code;
}

// Creates the folders on the way to path's folder, private to the user as the XDG rules ask.
int MakeParentFolders(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return 0;
    const std::string folder = path.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    if (const int error = MakeParentFolders(folder)) return error;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

// Holds an exclusive flock() until destroyed (closing the descriptor releases it, also when the
// process dies).
class CFileLock {
public:
    CFileLock() = default;
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;
    ~CFileLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    // 0 or errno.
    int Lock(const std::string& path) {
        m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) return errno;
        while (::flock(m_fd, LOCK_EX) != 0)
            if (errno != EINTR) return errno;
        return 0;
    }

private:
    int m_fd = -1;
};

}  // namespace

// ---- public functions --------------------------------------------------------------------------

bool HiveNamesEqual(std::string_view a, std::string_view b) noexcept {
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size())
        if (FoldCase(NextCodePoint(a, i)) != FoldCase(NextCodePoint(b, j))) return false;
    return i == a.size() && j == b.size();
}

size_t HiveNameLength(std::string_view name) noexcept {
    size_t units = 0;
    for (size_t i = 0; i < name.size();) {
        const char32_t cp = NextCodePoint(name, i);
        units += cp > 0xFFFF && cp < kInvalidUtf8Byte ? 2 : 1;
    }
    return units;
}

bool ParseHive(std::string_view text, HiveDocument& out, HiveParseError* error) {
    HiveParseError local;
    HiveParseError& err = error ? *error : local;
    err = HiveParseError{};
    if (text.size() > kMaxHiveFileSize) {
        err.reason = "Die Datei ist zu groß für eine Einstellungsdatei.";
        return false;
    }
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    if (!IsValidUtf8(text)) {
        err.reason = "Die Datei ist nicht in UTF-8 geschrieben.";
        return false;
    }
    HiveDocument document;
    CParser parser(text);
    if (!parser.Run(document, err)) return false;
    out = std::move(document);
    return true;
}

std::string SerializeHive(const HiveDocument& document) {
    std::string out(kHeader);
    out.push_back('\n');
    std::string path(kRootName);
    AppendKey(out, document.root, path, true);
    if (!document.tailComments.empty()) {
        out.push_back('\n');
        for (const auto& comment : document.tailComments)
            out.append(comment).push_back('\n');
    }
    return out;
}

std::string CurrentUserHivePath() {
    if (const char* hive = std::getenv("TARNVIEW_HIVE"); hive && *hive) return hive;
    // The XDG rules ignore a relative XDG_CONFIG_HOME.
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/tarnview/tarnview.reg";
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    if (home.empty()) return {};
    return home + "/.config/tarnview/tarnview.reg";
}

// ---- CHive -------------------------------------------------------------------------------------

bool CHive::Stamp::operator==(const Stamp& other) const noexcept {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && mtime.tv_sec == other.mtime.tv_sec &&
           mtime.tv_nsec == other.mtime.tv_nsec && ctime.tv_sec == other.ctime.tv_sec &&
           ctime.tv_nsec == other.ctime.tv_nsec;
}

CHive::Stamp CHive::MakeStamp(const struct stat& st) noexcept {
    Stamp stamp;
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtime = st.st_mtim;
    stamp.ctime = st.st_ctim;
    return stamp;
}

CHive::CHive(std::string path) : m_path(std::move(path)) {}

uint32_t CHive::Load(bool force) {
    const auto noFile = [this]() -> uint32_t {
        // No file yet: an empty hive, created by the first write.
        m_document = HiveDocument{};
        m_stamp = Stamp{};
        m_loaded = true;
        m_loadError = 0;
        m_parseError = HiveParseError{};
        return 0;
    };
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) return errno == ENOENT ? noFile() : FileError(errno);
    Stamp stamp = MakeStamp(st);
    if (!force && m_loaded && stamp == m_stamp) return m_loadError;
    // A folder or device in the hive's place is refused as Windows refuses to open a folder.
    if (!S_ISREG(st.st_mode)) return kErrorAccessDenied;

    // read(), not a mapping: a file that someone truncates while we read must not fault.
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? noFile() : FileError(errno);
    if (::fstat(fd, &st) == 0) stamp = MakeStamp(st);
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            return FileError(error);
        }
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > kMaxHiveFileSize) break;  // the parser refuses it
    }
    ::close(fd);

    m_stamp = stamp;
    m_loaded = true;
    HiveDocument document;
    if (ParseHive(text, document, &m_parseError)) {
        m_document = std::move(document);
        m_loadError = 0;
    } else {
        m_document = HiveDocument{};
        m_loadError = kErrorBadDatabase;
    }
    return m_loadError;
}

template <typename Change>
uint32_t CHive::Modify(Change&& change) {
    const std::string target = WriteTargetOf(m_path);
    if (const int error = MakeParentFolders(target)) return FileError(error);
    CFileLock lock;
    if (const int error = lock.Lock(target + ".lock")) return FileError(error);
    // Under the lock the file is always read again: a stamp can miss a rewrite when an inode
    // number is reused within the file system's time granularity, and a lost update is worse
    // than a read.
    if (const uint32_t code = Load(true)) return code;
    HiveDocument copy = m_document;
    bool changed = false;
    const uint32_t code = change(copy, changed);
    if (code != 0 || !changed) return code;
    if (const uint32_t error = WriteFile(target, SerializeHive(copy))) return error;
    m_document = std::move(copy);
    // Still under the lock, so the file on disk is the one just written.
    struct stat st {};
    if (::stat(m_path.c_str(), &st) == 0) {
        m_stamp = MakeStamp(st);
    } else {
        m_loaded = false;
    }
    return 0;
}

uint32_t CHive::WriteFile(const std::string& target, const std::string& text) {
    // A new hive is private to the user; an existing one keeps the permissions the user gave it.
    const uint32_t code = WriteFileAtomically(target, text.data(), text.size(), 0600);
    return code == kErrorIoDevice ? kErrorRegistryIoFailed : code;
}

uint32_t CHive::OpenKey(std::string_view base, std::string_view sub, bool create) {
    std::vector<std::string_view> baseParts;
    std::vector<std::string_view> subParts;
    if (!SplitKeyPath(base, baseParts) || !SplitKeyPath(sub, subParts)) return kErrorBadKey;
    if (baseParts.size() + subParts.size() > kMaxKeyDepth) return kErrorBadKey;
    if (const uint32_t code = Load(false)) return code;
    HiveKey* key = FindKey(m_document.root, baseParts);
    if (!key) return kErrorKeyDeleted;
    size_t found = 0;
    while (found < subParts.size()) {
        HiveKey* child = FindChild(*key, subParts[found]);
        if (!child) break;
        key = child;
        ++found;
    }
    if (found == subParts.size()) return 0;
    if (!create) return kErrorFileNotFound;
    for (size_t k = found; k < subParts.size(); ++k)
        if (!IsValidKeyName(subParts[k])) return kErrorBadKey;
    return Modify([&](HiveDocument& document, bool& changed) -> uint32_t {
        HiveKey* at = FindKey(document.root, baseParts);
        if (!at) return kErrorKeyDeleted;
        for (const auto part : subParts) {
            HiveKey* child = FindChild(*at, part);
            if (!child) {
                at->subkeys.push_back(HiveKey{});
                child = &at->subkeys.back();
                child->name = std::string(part);
                changed = true;
            }
            at = child;
        }
        return 0;
    });
}

uint32_t CHive::QueryValue(std::string_view key, std::string_view name, uint32_t& type,
                           std::vector<uint8_t>& data) {
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(key, parts)) return kErrorBadKey;
    if (const uint32_t code = Load(false)) return code;
    HiveKey* at = FindKey(m_document.root, parts);
    if (!at) return kErrorKeyDeleted;
    const HiveValue* value = FindValue(*at, name);
    if (!value) return kErrorFileNotFound;
    type = value->type;
    data = value->data;
    return 0;
}

uint32_t CHive::SetValue(std::string_view key, std::string_view name, uint32_t type,
                         std::span<const uint8_t> data) {
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(key, parts)) return kErrorBadKey;
    if (!IsValidValueName(name)) return kErrorInvalidParameter;
    if (const uint32_t code = Load(false)) return code;
    if (HiveKey* at = FindKey(m_document.root, parts); at) {
        // Writing what is there already leaves the file alone.
        const HiveValue* value = FindValue(*at, name);
        if (value && value->type == type && value->data.size() == data.size() &&
            std::equal(data.begin(), data.end(), value->data.begin()))
            return 0;
    }
    return Modify([&](HiveDocument& document, bool& changed) -> uint32_t {
        HiveKey* at = FindKey(document.root, parts);
        if (!at) return kErrorKeyDeleted;
        HiveValue* value = FindValue(*at, name);
        if (!value) {
            at->values.push_back(HiveValue{});
            value = &at->values.back();
            value->name = std::string(name);
        }
        value->type = type;
        value->data.assign(data.begin(), data.end());
        changed = true;
        return 0;
    });
}

uint32_t CHive::EnumValueName(std::string_view key, size_t index, std::string& name) {
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(key, parts)) return kErrorBadKey;
    if (const uint32_t code = Load(false)) return code;
    const HiveKey* at = FindKey(m_document.root, parts);
    if (!at) return kErrorKeyDeleted;
    if (index >= at->values.size()) return kErrorNoMoreItems;
    name = at->values[index].name;
    return 0;
}

uint32_t CHive::EnumSubKeyName(std::string_view key, size_t index, std::string& name) {
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(key, parts)) return kErrorBadKey;
    if (const uint32_t code = Load(false)) return code;
    const HiveKey* at = FindKey(m_document.root, parts);
    if (!at) return kErrorKeyDeleted;
    if (index >= at->subkeys.size()) return kErrorNoMoreItems;
    name = at->subkeys[index].name;
    return 0;
}

uint32_t CHive::GetValueCount(std::string_view key, size_t& count) {
    std::vector<std::string_view> parts;
    if (!SplitKeyPath(key, parts)) return kErrorBadKey;
    if (const uint32_t code = Load(false)) return code;
    const HiveKey* at = FindKey(m_document.root, parts);
    if (!at) return kErrorKeyDeleted;
    count = at->values.size();
    return 0;
}

uint32_t CHive::DeleteKey(std::string_view base, std::string_view sub) {
    std::vector<std::string_view> baseParts;
    std::vector<std::string_view> subParts;
    if (!SplitKeyPath(base, baseParts) || !SplitKeyPath(sub, subParts) || subParts.empty())
        return kErrorBadKey;
    return Modify([&](HiveDocument& document, bool& changed) -> uint32_t {
        HiveKey* at = FindKey(document.root, baseParts);
        if (!at) return kErrorKeyDeleted;
        for (size_t k = 0; k + 1 < subParts.size(); ++k) {
            at = FindChild(*at, subParts[k]);
            if (!at) return kErrorFileNotFound;
        }
        for (auto it = at->subkeys.begin(); it != at->subkeys.end(); ++it) {
            if (!HiveNamesEqual(it->name, subParts.back())) continue;
            // As RegDeleteKey: only a key without subkeys goes; DeleteTree empties it first.
            if (!it->subkeys.empty()) return kErrorAccessDenied;
            at->subkeys.erase(it);
            changed = true;
            return 0;
        }
        return kErrorFileNotFound;
    });
}

}  // namespace tv
