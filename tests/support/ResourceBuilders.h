// Builders for the payloads of Windows resources (version blocks, string tables, bitmaps, icons,
// cursors, dialog templates, menus, accelerators, toolbars), made in memory so that parser tests
// need no committed binaries. The PE builder places the resulting byte vectors in a module.
//
// Every builder writes the layout the resource compiler produces by default. Odd layouts that real
// files carry have options of their own; any header field can also be forced to an arbitrary value
// (a `...Fields` struct of optionals, passed to `Force` or filled in directly) without changing
// the layout that follows, which is how damaged variants are made.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvtest {

// ---- text and raw bytes -----------------------------------------------------------------------

// A text as the UTF-16 units a resource stores. Given as UTF-8 for ordinary texts, or as raw units
// where single units matter (lone surrogates, embedded zeros).
class Text16 {
public:
    Text16() = default;
    Text16(const char* utf8);  // NOLINT: implicit on purpose, texts are written inline
    Text16(const std::string& utf8);
    Text16(std::string_view utf8);
    Text16(const char16_t* units);
    Text16(std::u16string units);

    [[nodiscard]] const std::u16string& Units() const noexcept { return m_units; }
    [[nodiscard]] bool Empty() const noexcept { return m_units.empty(); }

private:
    std::u16string m_units;
};

// The UTF-16LE bytes of a text, with a zero unit appended when terminated.
[[nodiscard]] std::vector<uint8_t> Utf16Bytes(const Text16& text, bool terminated = false);

// Little-endian byte writer the builders share; alignment counts from the start of its output,
// which is where a resource's data begins.
class ResourceWriter {
public:
    ResourceWriter& U8(uint8_t value);
    ResourceWriter& U16(uint16_t value);
    ResourceWriter& U32(uint32_t value);
    ResourceWriter& I16(int16_t value);
    ResourceWriter& I32(int32_t value);
    ResourceWriter& U32BE(uint32_t value);
    ResourceWriter& Bytes(const std::vector<uint8_t>& bytes);
    ResourceWriter& Zeros(size_t count);
    // The units of text followed by a zero unit.
    ResourceWriter& Utf16Z(const Text16& text);
    // Zero bytes up to the next multiple of alignment.
    ResourceWriter& Align(size_t alignment);
    void PutU16(size_t offset, uint16_t value);
    void PutU32(size_t offset, uint32_t value);

    [[nodiscard]] size_t Size() const noexcept { return m_bytes.size(); }
    [[nodiscard]] const std::vector<uint8_t>& Data() const noexcept { return m_bytes; }
    [[nodiscard]] std::vector<uint8_t> Take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

// The "sz_Or_Ord" field of dialog and menu templates: absent (one zero unit), an ordinal (0xFFFF
// and the number) or a zero-terminated text.
class NameOrId {
public:
    NameOrId() = default;
    NameOrId(const char* utf8) : m_text(utf8), m_kind(Kind::Text) {}  // NOLINT: implicit on purpose
    NameOrId(const std::string& utf8) : m_text(utf8), m_kind(Kind::Text) {}
    NameOrId(const char16_t* units) : m_text(units), m_kind(Kind::Text) {}
    NameOrId(std::u16string units) : m_text(std::move(units)), m_kind(Kind::Text) {}
    [[nodiscard]] static NameOrId None() { return {}; }
    [[nodiscard]] static NameOrId Ordinal(uint16_t id);

    void WriteTo(ResourceWriter& writer) const;

private:
    enum class Kind { None, Ordinal, Text };
    Text16 m_text;
    uint16_t m_ordinal = 0;
    Kind m_kind = Kind::None;
};

// ---- version resource (VS_VERSIONINFO) ---------------------------------------------------------

inline constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr size_t kFixedFileInfoSize = 52;

[[nodiscard]] constexpr uint32_t VersionWords(uint16_t high, uint16_t low) noexcept {
    return static_cast<uint32_t>(high) << 16 | low;
}

// VS_FIXEDFILEINFO, thirteen DWORDs in this order.
struct FixedFileInfo {
    uint32_t signature = kFixedFileInfoSignature;
    uint32_t strucVersion = 0x00010000;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0x3F;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0x40004;  // VOS_NT_WINDOWS32
    uint32_t fileType = 1;      // VFT_APP
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;

    [[nodiscard]] std::vector<uint8_t> Bytes() const;
};

// How a String block's wValueLength counts its text. The resource compiler counts UTF-16 units
// with the terminator; other writers leave the terminator out or count bytes.
enum class ValueUnits { Characters, CharactersWithoutTerminator, Bytes };

// One block of the version tree: wLength, wValueLength, wType, zero-terminated key, padding to 4,
// value, padding to 4, children. Built with any layout the fields describe.
struct VersionBlock {
    Text16 key;
    uint16_t type = 1;  // 1 text, 0 binary
    std::vector<uint8_t> value;
    uint16_t valueLength = 0;
    std::vector<VersionBlock> children;

    bool alignValue = true;     // pad after the key so the value starts on 4
    bool alignChildren = true;  // pad before each child so it starts on 4
    size_t extraPadding = 0;    // zero bytes after the value, counted in wLength
    bool padEnd = false;        // round wLength up to 4, counting the final padding
    int32_t lengthAdjust = 0;   // added to the computed wLength (a child that overruns)
    std::optional<uint16_t> lengthField = {};  // written instead of wLength

    // A String value: text plus terminator, wValueLength counted as units says.
    [[nodiscard]] static VersionBlock Text(const Text16& key, const Text16& text,
                                           ValueUnits units = ValueUnits::Characters);
    // A value-less block (StringFileInfo, a StringTable, VarFileInfo, a missing String value).
    [[nodiscard]] static VersionBlock Node(const Text16& key,
                                           std::vector<VersionBlock> children = {});
    // A binary value (the Translation Var, the root's fixed info), wValueLength in bytes.
    [[nodiscard]] static VersionBlock Binary(const Text16& key, std::vector<uint8_t> bytes);

    void WriteTo(ResourceWriter& writer) const;
    [[nodiscard]] std::vector<uint8_t> Build() const;
};

// "040704b0" for German with code page 1200: the key of a StringTable.
[[nodiscard]] std::string StringTableKey(uint16_t language, uint16_t codePage);

class VersionInfoBuilder {
public:
    VersionInfoBuilder& Fixed(const FixedFileInfo& info);
    VersionInfoBuilder& FileVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d);
    VersionInfoBuilder& ProductVersion(uint16_t a, uint16_t b, uint16_t c, uint16_t d);
    // The root's wValueLength becomes 0 and no VS_FIXEDFILEINFO is written.
    VersionInfoBuilder& NoFixedInfo();

    // Starts a StringTable; the following Value calls fill it. The key is written as given.
    VersionInfoBuilder& StringTable(const Text16& key);
    VersionInfoBuilder& StringTable(uint16_t language, uint16_t codePage);
    VersionInfoBuilder& Value(const Text16& name, const Text16& text);
    // A String with wValueLength 0 and no value bytes.
    VersionInfoBuilder& MissingValue(const Text16& name);
    VersionInfoBuilder& Translation(uint16_t language, uint16_t codePage);

    // Variants found in real files.
    VersionInfoBuilder& VarFileInfoFirst(bool first = true);
    VersionInfoBuilder& ValueLengthIn(ValueUnits units);
    VersionInfoBuilder& TextTypeFlag(uint16_t type);  // wType of every String block
    VersionInfoBuilder& NoPadding(bool none = true);
    VersionInfoBuilder& ExtraPadding(size_t bytes);  // after every String and Var value
    VersionInfoBuilder& PadEnds(bool pad = true);    // every wLength rounded up to 4
    // The last String of the last table claims `excess` bytes more than it has, reaching past the
    // end of its StringTable (and StringFileInfo).
    VersionInfoBuilder& ChildOverrunsParent(uint16_t excess = 64);

    // The tree before serialising, for edits no option covers.
    [[nodiscard]] VersionBlock Tree() const;
    [[nodiscard]] std::vector<uint8_t> Build() const;

private:
    struct Table {
        Text16 key;
        std::vector<std::pair<Text16, std::optional<Text16>>> values;
    };
    std::optional<FixedFileInfo> m_fixed = FixedFileInfo{};
    std::vector<Table> m_tables;
    std::vector<std::pair<uint16_t, uint16_t>> m_translations;
    bool m_varFirst = false;
    ValueUnits m_units = ValueUnits::Characters;
    uint16_t m_textType = 1;
    bool m_noPadding = false;
    size_t m_extraPadding = 0;
    bool m_padEnds = false;
    uint16_t m_overrun = 0;
};

// ---- string tables (RT_STRING) -----------------------------------------------------------------

// Strings 16 * (block - 1) to 16 * block - 1 live in block `block`.
[[nodiscard]] constexpr uint32_t StringBlockId(uint32_t stringId) noexcept {
    return stringId / 16 + 1;
}
[[nodiscard]] constexpr uint32_t StringBlockIndex(uint32_t stringId) noexcept {
    return stringId % 16;
}
[[nodiscard]] constexpr uint32_t StringIdOf(uint32_t blockId, uint32_t index) noexcept {
    return (blockId - 1) * 16 + index;
}

// One block: each slot a UTF-16 unit count and that many units, no terminator; a missing or
// empty slot is a count of 0. Fewer than 16 slots are filled up with missing ones; more are all
// written (trailing data after the block).
[[nodiscard]] std::vector<uint8_t> StringBlock(const std::vector<std::optional<Text16>>& strings);
// All blocks needed for the given string ids, keyed by block id.
[[nodiscard]] std::map<uint32_t, std::vector<uint8_t>> StringTableBlocks(
    const std::map<uint32_t, Text16>& strings);

// ---- device-independent bitmaps (RT_BITMAP) ----------------------------------------------------

inline constexpr uint32_t kBiRgb = 0;
inline constexpr uint32_t kBiRle8 = 1;
inline constexpr uint32_t kBiRle4 = 2;
inline constexpr uint32_t kBiBitfields = 3;
inline constexpr size_t kBitmapInfoHeaderSize = 40;
inline constexpr size_t kBitmapCoreHeaderSize = 12;
inline constexpr size_t kBitmapFileHeaderSize = 14;

// Values written instead of the computed header fields; the layout does not change.
struct DibFields {
    std::optional<uint32_t> headerSize = {};
    std::optional<int32_t> width = {};
    std::optional<int32_t> height = {};
    std::optional<uint16_t> planes = {};
    std::optional<uint16_t> bitCount = {};
    std::optional<uint32_t> compression = {};
    std::optional<uint32_t> sizeImage = {};
    std::optional<int32_t> xPelsPerMeter = {};
    std::optional<int32_t> yPelsPerMeter = {};
    std::optional<uint32_t> clrUsed = {};
    std::optional<uint32_t> clrImportant = {};
};

// A hand-made BI_RLE8 or BI_RLE4 stream.
class RleStream {
public:
    explicit RleStream(bool fourBit = false) : m_fourBit(fourBit) {}
    // Encoded mode: count pixels of value (RLE4: the byte's two nibbles alternate).
    RleStream& Run(uint8_t count, uint8_t value);
    // Absolute mode: 3 to 255 pixels given as palette indices, padded to a 16-bit boundary.
    RleStream& Literal(const std::vector<uint8_t>& indices);
    RleStream& EndOfLine();
    RleStream& EndOfBitmap();
    RleStream& Delta(uint8_t right, uint8_t up);
    RleStream& Raw(const std::vector<uint8_t>& bytes);
    [[nodiscard]] const std::vector<uint8_t>& Bytes() const noexcept { return m_bytes; }

private:
    bool m_fourBit;
    std::vector<uint8_t> m_bytes;
};

// Encodes a raster of palette indices (top row first, width * height) bottom-up, as RLE bitmaps
// are stored: runs of two or more in encoded mode, stretches of three or more different pixels
// in absolute mode, end-of-line after each row but the last, end-of-bitmap at the end.
[[nodiscard]] std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& indices, int32_t width,
                                              int32_t height);
[[nodiscard]] std::vector<uint8_t> EncodeRle4(const std::vector<uint8_t>& indices, int32_t width,
                                              int32_t height);

// A DIB as RT_BITMAP stores it: BITMAPINFOHEADER (or BITMAPCOREHEADER), the BI_BITFIELDS masks,
// the colour table, the pixels. Pixel input is always given top row first; the builder stores
// rows bottom-up unless TopDown is set.
class Dib {
public:
    Dib(int32_t width, int32_t height, uint16_t bitCount);

    // Colour table as 0x00RRGGBB values. Without one, depths up to 8 get a grey ramp of
    // 2^bitCount entries. biClrUsed is 0 for a full table, the entry count otherwise.
    Dib& Palette(std::vector<uint32_t> rgb);
    // Palette indices for depths up to 8, width * height of them.
    Dib& Indices(std::vector<uint8_t> indices);
    // 0xAARRGGBB values for 16, 24 and 32 bits: 16 bits as 5-5-5 (or the bitfield masks),
    // 24 as B, G, R, 32 as B, G, R, A (or the masks).
    Dib& Colors(std::vector<uint32_t> argb);
    Dib& TopDown(bool topDown = true);
    Dib& Bitfields(uint32_t red, uint32_t green, uint32_t blue);
    // BI_RLE8 (8 bits) or BI_RLE4 (4 bits): the pixel data is this stream, or, without one, the
    // indices run through EncodeRle8 / EncodeRle4.
    Dib& Rle(std::optional<std::vector<uint8_t>> stream = std::nullopt);
    // BITMAPCOREHEADER with an RGBTRIPLE colour table.
    Dib& CoreHeader(bool core = true);
    // Icon and cursor form: the header's height is doubled and a 1-bit AND mask (width * height
    // values, 1 = transparent, top row first; all opaque when empty) follows the pixels.
    Dib& AndMask(std::vector<uint8_t> mask = {});
    // Pixel data written as given, replacing whatever the raster would give.
    Dib& Bits(std::vector<uint8_t> bits);
    Dib& Force(const DibFields& fields);

    [[nodiscard]] std::vector<uint8_t> Build() const;
    // Offset of the pixel data inside Build()'s output.
    [[nodiscard]] size_t BitsOffset() const;
    [[nodiscard]] int32_t Width() const noexcept { return m_width; }
    [[nodiscard]] int32_t Height() const noexcept { return m_height; }
    [[nodiscard]] uint16_t BitCount() const noexcept { return m_bitCount; }

    // Bytes per row: rows are padded to 4 bytes.
    [[nodiscard]] static size_t Stride(int32_t width, uint32_t bitCount);

private:
    [[nodiscard]] std::vector<uint8_t> PixelBytes() const;
    [[nodiscard]] std::vector<uint8_t> MaskBytes() const;
    [[nodiscard]] std::vector<uint32_t> EffectivePalette() const;

    int32_t m_width;
    int32_t m_height;
    uint16_t m_bitCount;
    std::optional<std::vector<uint32_t>> m_palette;
    std::vector<uint8_t> m_indices;
    std::vector<uint32_t> m_colors;
    bool m_topDown = false;
    std::optional<std::array<uint32_t, 3>> m_masks;
    bool m_rle = false;
    std::optional<std::vector<uint8_t>> m_rleStream;
    bool m_core = false;
    std::optional<std::vector<uint8_t>> m_andMask;
    std::optional<std::vector<uint8_t>> m_bits;
    DibFields m_fields;
};

// A .bmp file: BITMAPFILEHEADER ("BM", file size, pixel offset) followed by the DIB.
[[nodiscard]] std::vector<uint8_t> BmpFile(const Dib& dib);

// ---- icons and cursors -------------------------------------------------------------------------

// An RT_ICON image in DIB form (1, 4, 8, 24 or 32 bits; 32 carries alpha in the fourth byte),
// all opaque until AndMask says otherwise. Chain Palette/Indices/Colors/AndMask as for any Dib.
// The PNG form of an RT_ICON is PngImage's output stored as it is.
[[nodiscard]] Dib IconImage(int32_t width, int32_t height, uint16_t bitCount);
// An RT_CURSOR payload: hotspot x and y as WORDs, then the image (a Dib in AndMask form).
[[nodiscard]] std::vector<uint8_t> CursorImage(uint16_t hotspotX, uint16_t hotspotY,
                                               const Dib& image);
[[nodiscard]] std::vector<uint8_t> CursorImage(uint16_t hotspotX, uint16_t hotspotY,
                                               const std::vector<uint8_t>& image);

// A minimal RGBA PNG (colour type 6, 8 bits): one IDAT with a zlib stream of stored deflate
// blocks, so no compressor is needed. Pixels are 0xAARRGGBB, top row first.
[[nodiscard]] std::vector<uint8_t> PngImage(uint32_t width, uint32_t height,
                                            const std::vector<uint32_t>& argb);
// One chunk: big-endian length, type, data, CRC-32 of type and data.
[[nodiscard]] std::vector<uint8_t> PngChunk(std::string_view type,
                                            const std::vector<uint8_t>& data);
[[nodiscard]] uint32_t Crc32(const uint8_t* data, size_t size);
[[nodiscard]] uint32_t Adler32(const uint8_t* data, size_t size);

// GRPICONDIRENTRY (14 bytes).
struct GroupIconEntry {
    uint8_t width = 0;  // 0 means 256
    uint8_t height = 0;
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t bytesInRes = 0;
    uint16_t id = 0;
};
// GRPCURSORDIRENTRY (14 bytes); the height counts XOR and AND mask, as in the DIB header.
struct GroupCursorEntry {
    uint16_t width = 0;
    uint16_t height = 0;
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t bytesInRes = 0;
    uint16_t id = 0;
};
struct GroupDirFields {
    std::optional<uint16_t> reserved = {};
    std::optional<uint16_t> type = {};
    std::optional<uint16_t> count = {};
};

// The entry the resource compiler writes for an RT_ICON payload (DIB or PNG) stored as id.
[[nodiscard]] GroupIconEntry IconEntryFor(const std::vector<uint8_t>& iconPayload, uint16_t id);
// The entry for an RT_CURSOR payload (hotspot and DIB); its byte count includes the hotspot.
[[nodiscard]] GroupCursorEntry CursorEntryFor(const std::vector<uint8_t>& cursorPayload,
                                              uint16_t id);
// RT_GROUP_ICON: reserved 0, type 1, count, entries.
[[nodiscard]] std::vector<uint8_t> GroupIcon(const std::vector<GroupIconEntry>& entries,
                                             const GroupDirFields& fields = {});
// RT_GROUP_CURSOR: reserved 0, type 2, count, entries.
[[nodiscard]] std::vector<uint8_t> GroupCursor(const std::vector<GroupCursorEntry>& entries,
                                               const GroupDirFields& fields = {});

// One ICONDIRENTRY of an .ico or .cur file (16 bytes) and its image.
struct IconFileEntry {
    uint8_t width = 0;
    uint8_t height = 0;  // the image's own height, not doubled
    uint8_t colorCount = 0;
    uint8_t reserved = 0;
    uint16_t planesOrHotspotX = 1;             // .ico: planes; .cur: hotspot x
    uint16_t bitCountOrHotspotY = 0;           // .ico: bits per pixel; .cur: hotspot y
    std::optional<uint32_t> bytesInRes = {};   // default: the image's size
    std::optional<uint32_t> imageOffset = {};  // default: images packed after the directory
    std::vector<uint8_t> image;
};
[[nodiscard]] IconFileEntry IcoEntryFor(const std::vector<uint8_t>& iconPayload);
// The hotspot moves from the payload's first four bytes into the entry.
[[nodiscard]] IconFileEntry CurEntryFor(const std::vector<uint8_t>& cursorPayload);
[[nodiscard]] std::vector<uint8_t> IcoFile(const std::vector<IconFileEntry>& entries,
                                           const GroupDirFields& fields = {});
[[nodiscard]] std::vector<uint8_t> CurFile(const std::vector<IconFileEntry>& entries,
                                           const GroupDirFields& fields = {});

// ---- dialog templates (RT_DIALOG) --------------------------------------------------------------

inline constexpr uint16_t kButtonAtom = 0x80;
inline constexpr uint16_t kEditAtom = 0x81;
inline constexpr uint16_t kStaticAtom = 0x82;
inline constexpr uint16_t kListBoxAtom = 0x83;
inline constexpr uint16_t kScrollBarAtom = 0x84;
inline constexpr uint16_t kComboBoxAtom = 0x85;
inline constexpr uint32_t kDsSetFont = 0x40;
inline constexpr uint32_t kDsShellFont = 0x48;  // DS_SETFONT | DS_FIXEDSYS
inline constexpr uint32_t kWsChildVisible = 0x50000000;

// DLGITEMTEMPLATE or DLGITEMTEMPLATEEX, depending on the template it is added to.
struct DialogItem {
    uint32_t style = kWsChildVisible;
    uint32_t exStyle = 0;
    uint32_t helpId = 0;  // extended form only
    int16_t x = 0;
    int16_t y = 0;
    int16_t cx = 0;
    int16_t cy = 0;
    uint32_t id = 0;  // the classic form writes the low 16 bits
    NameOrId windowClass = NameOrId::Ordinal(kStaticAtom);
    NameOrId title;
    // Written after a WORD holding its size in bytes (the size word itself not counted).
    std::vector<uint8_t> creationData;
    std::optional<uint16_t> creationDataSizeField = {};
};

[[nodiscard]] DialogItem Control(uint16_t classAtom, uint32_t id, NameOrId title, int16_t x,
                                 int16_t y, int16_t cx, int16_t cy,
                                 uint32_t style = kWsChildVisible);

struct DialogFields {
    std::optional<uint32_t> style = {};  // written; the layout follows the builder's style
    std::optional<uint16_t> itemCount = {};
    std::optional<uint16_t> dlgVer = {};
    std::optional<uint16_t> signature = {};
};

// DLGTEMPLATE or, when extended, DLGTEMPLATEEX with its items; each item starts on a DWORD
// boundary. The font block is written when the style has DS_SETFONT (DS_SHELLFONT includes it);
// Font adds that flag, and a template with the flag but no Font gets 8 pt "MS Shell Dlg".
class DialogTemplate {
public:
    explicit DialogTemplate(bool extended = false) : m_extended(extended) {}
    [[nodiscard]] static DialogTemplate Extended() { return DialogTemplate(true); }

    DialogTemplate& Style(uint32_t style);
    DialogTemplate& ExStyle(uint32_t exStyle);
    DialogTemplate& HelpId(uint32_t helpId);  // extended form only
    DialogTemplate& Rect(int16_t x, int16_t y, int16_t cx, int16_t cy);
    DialogTemplate& Menu(NameOrId menu);
    DialogTemplate& WindowClass(NameOrId windowClass);
    DialogTemplate& Title(NameOrId title);
    DialogTemplate& Font(uint16_t pointSize, const Text16& face, uint16_t weight = 400,
                         uint8_t italic = 0, uint8_t charset = 1);
    DialogTemplate& Add(DialogItem item);
    DialogTemplate& Force(const DialogFields& fields);

    [[nodiscard]] std::vector<uint8_t> Build() const;
    // Offsets of the items inside Build()'s output.
    [[nodiscard]] std::vector<size_t> ItemOffsets() const;

private:
    std::vector<uint8_t> BuildWithOffsets(std::vector<size_t>* offsets) const;

    bool m_extended;
    uint32_t m_style = 0x80C80000 | kDsSetFont;  // WS_POPUP | WS_CAPTION | WS_SYSMENU
    uint32_t m_exStyle = 0;
    uint32_t m_helpId = 0;
    int16_t m_x = 0;
    int16_t m_y = 0;
    int16_t m_cx = 100;
    int16_t m_cy = 50;
    NameOrId m_menu;
    NameOrId m_class;
    NameOrId m_title;
    uint16_t m_pointSize = 8;
    Text16 m_face = "MS Shell Dlg";
    uint16_t m_weight = 400;
    uint8_t m_italic = 0;
    uint8_t m_charset = 1;
    std::vector<DialogItem> m_items;
    DialogFields m_fields;
};

// ---- menus, accelerators, toolbars -------------------------------------------------------------

inline constexpr uint16_t kMfGrayed = 0x01;
inline constexpr uint16_t kMfChecked = 0x08;
inline constexpr uint16_t kMfPopup = 0x10;
inline constexpr uint16_t kMfEnd = 0x80;
inline constexpr uint32_t kMftSeparator = 0x800;
inline constexpr uint16_t kMenuExPopup = 0x01;

// An item of a menu template. MF_POPUP and MF_END (in the extended form 0x01 and 0x80) are set
// by the builder: on popups, and on the last item of each level.
struct MenuItem {
    Text16 text;
    uint32_t id = 0;
    uint16_t flags = 0;  // MF_GRAYED, MF_CHECKED, ...
    bool popup = false;
    std::vector<MenuItem> children;
    // Extended form.
    uint32_t type = 0;  // MFT_*
    uint32_t state = 0;
    uint32_t helpId = 0;
    std::optional<uint16_t> flagsField = {};  // written instead of the computed flags

    [[nodiscard]] static MenuItem Command(const Text16& text, uint32_t id, uint16_t flags = 0);
    [[nodiscard]] static MenuItem Popup(const Text16& text, std::vector<MenuItem> children,
                                        uint16_t flags = 0);
    // Classic form: flags 0, id 0, empty text, as the resource compiler writes it.
    [[nodiscard]] static MenuItem Separator();
};

// MENUITEMTEMPLATEHEADER (version 0, offset 0) and the items: flags, id (not for popups), text.
[[nodiscard]] std::vector<uint8_t> MenuTemplate(const std::vector<MenuItem>& items);
// MENUEX_TEMPLATE_HEADER (version 1, offset 4, help id) and DWORD-aligned MENUEX items.
[[nodiscard]] std::vector<uint8_t> MenuExTemplate(const std::vector<MenuItem>& items,
                                                  uint32_t helpId = 0);

inline constexpr uint16_t kFVirtKey = 0x01;
inline constexpr uint16_t kFNoInvert = 0x02;
inline constexpr uint16_t kFShift = 0x04;
inline constexpr uint16_t kFControl = 0x08;
inline constexpr uint16_t kFAlt = 0x10;
inline constexpr uint16_t kAccelLast = 0x80;

// ACCELTABLEENTRY: flags, key, command, padding; 8 bytes.
struct AccelEntry {
    uint16_t flags = 0;
    uint16_t key = 0;
    uint16_t command = 0;
    uint16_t padding = 0;
};
// The table; the last entry gets 0x80 unless markLast is false.
[[nodiscard]] std::vector<uint8_t> Accelerators(const std::vector<AccelEntry>& entries,
                                                bool markLast = true);

inline constexpr uint16_t kRtToolbar = 241;

struct ToolbarFields {
    std::optional<uint16_t> version = {};
    std::optional<uint16_t> count = {};
};
// RT_TOOLBAR: version 1, button width and height, count, one WORD per item (0 = separator).
[[nodiscard]] std::vector<uint8_t> ToolbarResource(uint16_t width, uint16_t height,
                                                   const std::vector<uint16_t>& ids,
                                                   const ToolbarFields& fields = {});

}  // namespace tvtest
