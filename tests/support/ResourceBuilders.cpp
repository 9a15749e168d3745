#include "support/ResourceBuilders.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "common/ByteView.h"
#include "common/TextCodec.h"

namespace tvtest {

namespace {

uint8_t Lo8(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }

uint16_t CheckedU16(size_t value, const char* what) {
    if (value > 0xFFFF) throw std::length_error(std::string(what) + " does not fit in a WORD");
    return static_cast<uint16_t>(value);
}

uint32_t CheckedU32(size_t value, const char* what) {
    if (value > 0xFFFFFFFFu) throw std::length_error(std::string(what) + " does not fit a DWORD");
    return static_cast<uint32_t>(value);
}

size_t PixelCount(int32_t width, int32_t height) {
    if (width < 0 || height < 0) throw std::invalid_argument("negative bitmap size");
    return static_cast<size_t>(width) * static_cast<size_t>(height);
}

}  // namespace

// ---- text and raw bytes -----------------------------------------------------------------------

Text16::Text16(const char* utf8) : m_units(tv::Utf8ToUtf16(utf8 ? utf8 : "")) {}
Text16::Text16(const std::string& utf8) : m_units(tv::Utf8ToUtf16(utf8)) {}
Text16::Text16(std::string_view utf8) : m_units(tv::Utf8ToUtf16(utf8)) {}
Text16::Text16(const char16_t* units) : m_units(units ? units : u"") {}
Text16::Text16(std::u16string units) : m_units(std::move(units)) {}

std::vector<uint8_t> Utf16Bytes(const Text16& text, bool terminated) {
    ResourceWriter writer;
    if (terminated) {
        writer.Utf16Z(text);
    } else {
        for (char16_t unit : text.Units())
            writer.U16(unit);
    }
    return writer.Take();
}

ResourceWriter& ResourceWriter::U8(uint8_t value) {
    m_bytes.push_back(value);
    return *this;
}

ResourceWriter& ResourceWriter::U16(uint16_t value) {
    m_bytes.push_back(Lo8(value));
    m_bytes.push_back(Lo8(static_cast<uint32_t>(value) >> 8));
    return *this;
}

ResourceWriter& ResourceWriter::U32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        m_bytes.push_back(Lo8(value >> shift));
    return *this;
}

ResourceWriter& ResourceWriter::I16(int16_t value) { return U16(static_cast<uint16_t>(value)); }
ResourceWriter& ResourceWriter::I32(int32_t value) { return U32(static_cast<uint32_t>(value)); }

ResourceWriter& ResourceWriter::U32BE(uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        m_bytes.push_back(Lo8(value >> shift));
    return *this;
}

ResourceWriter& ResourceWriter::Bytes(const std::vector<uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

ResourceWriter& ResourceWriter::Zeros(size_t count) {
    m_bytes.insert(m_bytes.end(), count, 0);
    return *this;
}

ResourceWriter& ResourceWriter::Utf16Z(const Text16& text) {
    for (char16_t unit : text.Units())
        U16(unit);
    return U16(0);
}

ResourceWriter& ResourceWriter::Align(size_t alignment) {
    while (alignment != 0 && m_bytes.size() % alignment != 0)
        m_bytes.push_back(0);
    return *this;
}

void ResourceWriter::PutU16(size_t offset, uint16_t value) {
    m_bytes.at(offset) = Lo8(value);
    m_bytes.at(offset + 1) = Lo8(static_cast<uint32_t>(value) >> 8);
}

void ResourceWriter::PutU32(size_t offset, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        m_bytes.at(offset + i) = Lo8(value >> (8 * i));
}

NameOrId NameOrId::Ordinal(uint16_t id) {
    NameOrId result;
    result.m_kind = Kind::Ordinal;
    result.m_ordinal = id;
    return result;
}

void NameOrId::WriteTo(ResourceWriter& writer) const {
    switch (m_kind) {
        case Kind::None:
            writer.U16(0);
            break;
        case Kind::Ordinal:
            writer.U16(0xFFFF).U16(m_ordinal);
            break;
        case Kind::Text:
            writer.Utf16Z(m_text);
            break;
    }
}

// ---- version resource -------------------------------------------------------------------------

std::vector<uint8_t> FixedFileInfo::Bytes() const {
    ResourceWriter w;
    for (uint32_t v :
         {signature, strucVersion, fileVersionMS, fileVersionLS, productVersionMS, productVersionLS,
          fileFlagsMask, fileFlags, fileOS, fileType, fileSubtype, fileDateMS, fileDateLS}) {
        w.U32(v);
    }
    return w.Take();
}

VersionBlock VersionBlock::Text(const Text16& key, const Text16& text, ValueUnits units) {
    VersionBlock block;
    block.key = key;
    block.type = 1;
    block.value = Utf16Bytes(text, true);
    const size_t count = text.Units().size();
    switch (units) {
        case ValueUnits::Characters:
            block.valueLength = CheckedU16(count + 1, "value length");
            break;
        case ValueUnits::CharactersWithoutTerminator:
            block.valueLength = CheckedU16(count, "value length");
            break;
        case ValueUnits::Bytes:
            block.valueLength = CheckedU16(block.value.size(), "value length");
            break;
    }
    return block;
}

VersionBlock VersionBlock::Node(const Text16& key, std::vector<VersionBlock> children) {
    VersionBlock block;
    block.key = key;
    block.type = 1;
    block.children = std::move(children);
    return block;
}

VersionBlock VersionBlock::Binary(const Text16& key, std::vector<uint8_t> bytes) {
    VersionBlock block;
    block.key = key;
    block.type = 0;
    block.valueLength = CheckedU16(bytes.size(), "value length");
    block.value = std::move(bytes);
    return block;
}

void VersionBlock::WriteTo(ResourceWriter& writer) const {
    const size_t start = writer.Size();
    writer.U16(0).U16(valueLength).U16(type).Utf16Z(key);
    if (alignValue) writer.Align(4);
    writer.Bytes(value).Zeros(extraPadding);
    for (const VersionBlock& child : children) {
        if (alignChildren) writer.Align(4);
        child.WriteTo(writer);
    }
    if (padEnd) writer.Align(4);
    const int64_t length = static_cast<int64_t>(writer.Size() - start) + lengthAdjust;
    if (length < 0 || length > 0xFFFF) throw std::length_error("version block length");
    writer.PutU16(start, lengthField.value_or(static_cast<uint16_t>(length)));
}

std::vector<uint8_t> VersionBlock::Build() const {
    ResourceWriter writer;
    WriteTo(writer);
    return writer.Take();
}

std::string StringTableKey(uint16_t language, uint16_t codePage) {
    char text[9];
    std::snprintf(text, sizeof text, "%04x%04x", static_cast<unsigned>(language),
                  static_cast<unsigned>(codePage));
    return text;
}

VersionInfoBuilder& VersionInfoBuilder::Fixed(const FixedFileInfo& info) {
    m_fixed = info;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::FileVersion(uint16_t a, uint16_t b, uint16_t c,
                                                    uint16_t d) {
    if (!m_fixed) m_fixed = FixedFileInfo{};
    m_fixed->fileVersionMS = VersionWords(a, b);
    m_fixed->fileVersionLS = VersionWords(c, d);
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::ProductVersion(uint16_t a, uint16_t b, uint16_t c,
                                                       uint16_t d) {
    if (!m_fixed) m_fixed = FixedFileInfo{};
    m_fixed->productVersionMS = VersionWords(a, b);
    m_fixed->productVersionLS = VersionWords(c, d);
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::NoFixedInfo() {
    m_fixed.reset();
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::StringTable(const Text16& key) {
    m_tables.push_back(Table{key, {}});
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::StringTable(uint16_t language, uint16_t codePage) {
    return StringTable(StringTableKey(language, codePage));
}

VersionInfoBuilder& VersionInfoBuilder::Value(const Text16& name, const Text16& text) {
    if (m_tables.empty()) throw std::logic_error("Value before StringTable");
    m_tables.back().values.emplace_back(name, text);
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::MissingValue(const Text16& name) {
    if (m_tables.empty()) throw std::logic_error("MissingValue before StringTable");
    m_tables.back().values.emplace_back(name, std::nullopt);
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::Translation(uint16_t language, uint16_t codePage) {
    m_translations.emplace_back(language, codePage);
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::VarFileInfoFirst(bool first) {
    m_varFirst = first;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::ValueLengthIn(ValueUnits units) {
    m_units = units;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::TextTypeFlag(uint16_t type) {
    m_textType = type;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::NoPadding(bool none) {
    m_noPadding = none;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::ExtraPadding(size_t bytes) {
    m_extraPadding = bytes;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::PadEnds(bool pad) {
    m_padEnds = pad;
    return *this;
}

VersionInfoBuilder& VersionInfoBuilder::ChildOverrunsParent(uint16_t excess) {
    m_overrun = excess;
    return *this;
}

VersionBlock VersionInfoBuilder::Tree() const {
    VersionBlock root = m_fixed ? VersionBlock::Binary("VS_VERSION_INFO", m_fixed->Bytes())
                                : VersionBlock::Node("VS_VERSION_INFO");
    root.type = 0;

    std::optional<VersionBlock> stringInfo;
    if (!m_tables.empty()) {
        stringInfo = VersionBlock::Node("StringFileInfo");
        for (const Table& table : m_tables) {
            VersionBlock tableBlock = VersionBlock::Node(table.key);
            for (const auto& [name, text] : table.values) {
                VersionBlock value =
                    text ? VersionBlock::Text(name, *text, m_units) : VersionBlock::Node(name);
                value.type = m_textType;
                value.extraPadding = m_extraPadding;
                tableBlock.children.push_back(std::move(value));
            }
            stringInfo->children.push_back(std::move(tableBlock));
        }
        if (m_overrun != 0) {
            std::vector<VersionBlock>& values = stringInfo->children.back().children;
            if (values.empty()) throw std::logic_error("ChildOverrunsParent needs a value");
            values.back().lengthAdjust = m_overrun;
        }
    }

    std::optional<VersionBlock> varInfo;
    if (!m_translations.empty()) {
        ResourceWriter pairs;
        for (const auto& [language, codePage] : m_translations)
            pairs.U16(language).U16(codePage);
        VersionBlock var = VersionBlock::Binary("Translation", pairs.Take());
        var.extraPadding = m_extraPadding;
        varInfo = VersionBlock::Node("VarFileInfo", {std::move(var)});
    }

    if (m_varFirst && varInfo) root.children.push_back(*varInfo);
    if (stringInfo) root.children.push_back(*stringInfo);
    if (!m_varFirst && varInfo) root.children.push_back(*varInfo);

    // Layout switches apply to every block of the tree.
    auto apply = [this](auto& self, VersionBlock& block) -> void {
        block.alignValue = !m_noPadding;
        block.alignChildren = !m_noPadding;
        block.padEnd = m_padEnds;
        for (VersionBlock& child : block.children)
            self(self, child);
    };
    apply(apply, root);
    return root;
}

std::vector<uint8_t> VersionInfoBuilder::Build() const { return Tree().Build(); }

// ---- string tables ----------------------------------------------------------------------------

std::vector<uint8_t> StringBlock(const std::vector<std::optional<Text16>>& strings) {
    ResourceWriter writer;
    const size_t slots = std::max<size_t>(strings.size(), 16);
    for (size_t i = 0; i < slots; ++i) {
        if (i >= strings.size() || !strings[i]) {
            writer.U16(0);
            continue;
        }
        const std::u16string& units = strings[i]->Units();
        writer.U16(CheckedU16(units.size(), "string length"));
        for (char16_t unit : units)
            writer.U16(unit);
    }
    return writer.Take();
}

std::map<uint32_t, std::vector<uint8_t>> StringTableBlocks(
    const std::map<uint32_t, Text16>& strings) {
    std::map<uint32_t, std::vector<std::optional<Text16>>> slots;
    for (const auto& [id, text] : strings) {
        auto& block = slots[StringBlockId(id)];
        block.resize(16);
        block[StringBlockIndex(id)] = text;
    }
    std::map<uint32_t, std::vector<uint8_t>> blocks;
    for (const auto& [blockId, block] : slots)
        blocks[blockId] = StringBlock(block);
    return blocks;
}

// ---- RLE --------------------------------------------------------------------------------------

RleStream& RleStream::Run(uint8_t count, uint8_t value) {
    m_bytes.push_back(count);
    m_bytes.push_back(value);
    return *this;
}

RleStream& RleStream::Literal(const std::vector<uint8_t>& indices) {
    // Counts 0 to 2 after the escape byte mean end of line, end of bitmap and delta.
    if (indices.size() < 3 || indices.size() > 255)
        throw std::invalid_argument("absolute run needs 3 to 255 pixels");
    m_bytes.push_back(0);
    m_bytes.push_back(static_cast<uint8_t>(indices.size()));
    size_t written = 0;
    if (m_fourBit) {
        for (size_t i = 0; i < indices.size(); i += 2) {
            const uint32_t high = indices[i] & 0x0Fu;
            const uint32_t low = i + 1 < indices.size() ? indices[i + 1] & 0x0Fu : 0u;
            m_bytes.push_back(Lo8(high << 4 | low));
            ++written;
        }
    } else {
        m_bytes.insert(m_bytes.end(), indices.begin(), indices.end());
        written = indices.size();
    }
    if (written % 2 != 0) m_bytes.push_back(0);
    return *this;
}

RleStream& RleStream::EndOfLine() { return Run(0, 0); }
RleStream& RleStream::EndOfBitmap() { return Run(0, 1); }

RleStream& RleStream::Delta(uint8_t right, uint8_t up) {
    Run(0, 2);
    m_bytes.push_back(right);
    m_bytes.push_back(up);
    return *this;
}

RleStream& RleStream::Raw(const std::vector<uint8_t>& bytes) {
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    return *this;
}

namespace {

std::vector<uint8_t> EncodeRle(const std::vector<uint8_t>& indices, int32_t width, int32_t height,
                               bool fourBit) {
    const size_t w = static_cast<size_t>(width);
    if (indices.size() != PixelCount(width, height))
        throw std::invalid_argument("RLE raster size does not match width * height");
    RleStream stream(fourBit);
    for (int32_t stored = 0; stored < height; ++stored) {
        const size_t row = static_cast<size_t>(height - 1 - stored) * w;
        size_t x = 0;
        while (x < w) {
            size_t run = 1;
            while (x + run < w && run < 255 && indices[row + x + run] == indices[row + x])
                ++run;
            if (run >= 2) {
                const uint32_t v = indices[row + x] & (fourBit ? 0x0Fu : 0xFFu);
                stream.Run(static_cast<uint8_t>(run), Lo8(fourBit ? v << 4 | v : v));
                x += run;
                continue;
            }
            // Gather pixels up to the next pair of equal neighbours.
            size_t end = x + 1;
            while (end < w && end - x < 255 &&
                   !(end + 1 < w && indices[row + end] == indices[row + end + 1])) {
                ++end;
            }
            if (end - x >= 3) {
                stream.Literal(
                    std::vector<uint8_t>(indices.begin() + static_cast<ptrdiff_t>(row + x),
                                         indices.begin() + static_cast<ptrdiff_t>(row + end)));
            } else {
                for (size_t i = x; i < end; ++i) {
                    const uint32_t v = indices[row + i] & (fourBit ? 0x0Fu : 0xFFu);
                    stream.Run(1, Lo8(fourBit ? v << 4 : v));
                }
            }
            x = end;
        }
        if (stored + 1 < height) stream.EndOfLine();
    }
    stream.EndOfBitmap();
    return stream.Bytes();
}

}  // namespace

std::vector<uint8_t> EncodeRle8(const std::vector<uint8_t>& indices, int32_t width,
                                int32_t height) {
    return EncodeRle(indices, width, height, false);
}

std::vector<uint8_t> EncodeRle4(const std::vector<uint8_t>& indices, int32_t width,
                                int32_t height) {
    return EncodeRle(indices, width, height, true);
}

// ---- DIB --------------------------------------------------------------------------------------

Dib::Dib(int32_t width, int32_t height, uint16_t bitCount)
    : m_width(width), m_height(height), m_bitCount(bitCount) {
    if (width < 0 || height < 0) throw std::invalid_argument("give a positive height; see TopDown");
}

Dib& Dib::Palette(std::vector<uint32_t> rgb) {
    m_palette = std::move(rgb);
    return *this;
}

Dib& Dib::Indices(std::vector<uint8_t> indices) {
    if (indices.size() != PixelCount(m_width, m_height))
        throw std::invalid_argument("index count does not match width * height");
    m_indices = std::move(indices);
    return *this;
}

Dib& Dib::Colors(std::vector<uint32_t> argb) {
    if (argb.size() != PixelCount(m_width, m_height))
        throw std::invalid_argument("colour count does not match width * height");
    m_colors = std::move(argb);
    return *this;
}

Dib& Dib::TopDown(bool topDown) {
    m_topDown = topDown;
    return *this;
}

Dib& Dib::Bitfields(uint32_t red, uint32_t green, uint32_t blue) {
    m_masks = std::array<uint32_t, 3>{red, green, blue};
    return *this;
}

Dib& Dib::Rle(std::optional<std::vector<uint8_t>> stream) {
    m_rle = true;
    m_rleStream = std::move(stream);
    return *this;
}

Dib& Dib::CoreHeader(bool core) {
    m_core = core;
    return *this;
}

Dib& Dib::AndMask(std::vector<uint8_t> mask) {
    if (!mask.empty() && mask.size() != PixelCount(m_width, m_height))
        throw std::invalid_argument("mask size does not match width * height");
    m_andMask = std::move(mask);
    return *this;
}

Dib& Dib::Bits(std::vector<uint8_t> bits) {
    m_bits = std::move(bits);
    return *this;
}

Dib& Dib::Force(const DibFields& fields) {
    auto take = [](auto& target, const auto& source) {
        if (source) target = source;
    };
    take(m_fields.headerSize, fields.headerSize);
    take(m_fields.width, fields.width);
    take(m_fields.height, fields.height);
    take(m_fields.planes, fields.planes);
    take(m_fields.bitCount, fields.bitCount);
    take(m_fields.compression, fields.compression);
    take(m_fields.sizeImage, fields.sizeImage);
    take(m_fields.xPelsPerMeter, fields.xPelsPerMeter);
    take(m_fields.yPelsPerMeter, fields.yPelsPerMeter);
    take(m_fields.clrUsed, fields.clrUsed);
    take(m_fields.clrImportant, fields.clrImportant);
    return *this;
}

size_t Dib::Stride(int32_t width, uint32_t bitCount) {
    if (width < 0) throw std::invalid_argument("negative width");
    return (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
}

std::vector<uint32_t> Dib::EffectivePalette() const {
    if (m_palette) return *m_palette;
    if (m_bitCount > 8) return {};
    // A grey ramp, so that every index of the depth has an entry.
    const uint32_t entries = 1u << m_bitCount;
    std::vector<uint32_t> ramp;
    for (uint32_t i = 0; i < entries; ++i) {
        const uint32_t grey = entries == 1 ? 0 : i * 255 / (entries - 1);
        ramp.push_back(grey << 16 | grey << 8 | grey);
    }
    return ramp;
}

std::vector<uint8_t> Dib::PixelBytes() const {
    if (m_bits) return *m_bits;
    if (m_rle) {
        if (m_rleStream) return *m_rleStream;
        std::vector<uint8_t> indices = m_indices;
        if (indices.empty()) indices.assign(PixelCount(m_width, m_height), 0);
        return m_bitCount == 4 ? EncodeRle4(indices, m_width, m_height)
                               : EncodeRle8(indices, m_width, m_height);
    }

    const size_t stride = Stride(m_width, m_bitCount);
    const size_t w = static_cast<size_t>(m_width);
    const size_t h = static_cast<size_t>(m_height);
    std::vector<uint8_t> out(stride * h, 0);
    for (size_t stored = 0; stored < h; ++stored) {
        const size_t y = m_topDown ? stored : h - 1 - stored;
        uint8_t* row = out.data() + stored * stride;
        for (size_t x = 0; x < w; ++x) {
            if (m_bitCount <= 8) {
                // Packed most significant bits first, for any depth up to 8 (odd ones included).
                const uint32_t index = m_indices.empty() ? 0u : m_indices[y * w + x];
                const size_t bit = x * m_bitCount;
                for (uint32_t b = 0; b < m_bitCount; ++b) {
                    if ((index >> (m_bitCount - 1 - b)) & 1u) {
                        const size_t at = bit + b;
                        row[at / 8] = Lo8(row[at / 8] | (0x80u >> (at % 8)));
                    }
                }
                continue;
            }
            const uint32_t argb = m_colors.empty() ? 0u : m_colors[y * w + x];
            const uint32_t r = argb >> 16 & 0xFF;
            const uint32_t g = argb >> 8 & 0xFF;
            const uint32_t b = argb & 0xFF;
            auto scale = [](uint32_t component, uint32_t mask) -> uint32_t {
                if (mask == 0) return 0;
                const int shift = std::countr_zero(mask);
                const int bits = std::popcount(mask);
                const uint32_t value =
                    bits <= 8 ? component >> (8 - bits) : component << (bits - 8);
                return (value << shift) & mask;
            };
            if (m_bitCount == 16) {
                const auto masks = m_masks.value_or(std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x1F});
                const uint32_t v = scale(r, masks[0]) | scale(g, masks[1]) | scale(b, masks[2]);
                row[x * 2] = Lo8(v);
                row[x * 2 + 1] = Lo8(v >> 8);
            } else if (m_bitCount == 24) {
                row[x * 3] = Lo8(b);
                row[x * 3 + 1] = Lo8(g);
                row[x * 3 + 2] = Lo8(r);
            } else if (m_bitCount == 32) {
                const uint32_t v = m_masks ? scale(r, (*m_masks)[0]) | scale(g, (*m_masks)[1]) |
                                                 scale(b, (*m_masks)[2])
                                           : argb;
                for (size_t i = 0; i < 4; ++i)
                    row[x * 4 + i] = Lo8(v >> (8 * i));
            }
        }
    }
    return out;
}

std::vector<uint8_t> Dib::MaskBytes() const {
    if (!m_andMask) return {};
    const size_t stride = Stride(m_width, 1);
    const size_t w = static_cast<size_t>(m_width);
    const size_t h = static_cast<size_t>(m_height);
    std::vector<uint8_t> out(stride * h, 0);
    if (m_andMask->empty()) return out;
    for (size_t stored = 0; stored < h; ++stored) {
        const size_t y = m_topDown ? stored : h - 1 - stored;
        for (size_t x = 0; x < w; ++x) {
            if ((*m_andMask)[y * w + x] != 0) {
                uint8_t& byte = out[stored * stride + x / 8];
                byte = Lo8(byte | (0x80u >> (x % 8)));
            }
        }
    }
    return out;
}

size_t Dib::BitsOffset() const {
    const size_t header = m_core ? kBitmapCoreHeaderSize : kBitmapInfoHeaderSize;
    const size_t masks = !m_core && m_masks ? 12 : 0;
    return header + masks + EffectivePalette().size() * (m_core ? 3 : 4);
}

std::vector<uint8_t> Dib::Build() const {
    const std::vector<uint32_t> palette = EffectivePalette();
    const std::vector<uint8_t> pixels = PixelBytes();
    const std::vector<uint8_t> mask = MaskBytes();
    // Icons and cursors count the AND mask in the height.
    const int32_t height = m_andMask ? m_height * 2 : m_height;
    const DibFields& f = m_fields;

    ResourceWriter w;
    if (m_core) {
        w.U32(f.headerSize.value_or(kBitmapCoreHeaderSize));
        w.U16(static_cast<uint16_t>(f.width.value_or(m_width)));
        w.U16(static_cast<uint16_t>(f.height.value_or(height)));
        w.U16(f.planes.value_or(1));
        w.U16(f.bitCount.value_or(m_bitCount));
        for (uint32_t rgb : palette)
            w.U8(Lo8(rgb)).U8(Lo8(rgb >> 8)).U8(Lo8(rgb >> 16));
    } else {
        uint32_t compression = kBiRgb;
        if (m_rle) compression = m_bitCount == 4 ? kBiRle4 : kBiRle8;
        if (m_masks) compression = kBiBitfields;
        const bool fullTable = m_bitCount <= 8 && palette.size() == (size_t{1} << m_bitCount);
        const uint32_t clrUsed = fullTable ? 0 : CheckedU32(palette.size(), "palette size");
        w.U32(f.headerSize.value_or(kBitmapInfoHeaderSize));
        w.I32(f.width.value_or(m_width));
        w.I32(f.height.value_or(m_topDown ? -height : height));
        w.U16(f.planes.value_or(1));
        w.U16(f.bitCount.value_or(m_bitCount));
        w.U32(f.compression.value_or(compression));
        w.U32(f.sizeImage.value_or(CheckedU32(pixels.size() + mask.size(), "image size")));
        w.I32(f.xPelsPerMeter.value_or(0));
        w.I32(f.yPelsPerMeter.value_or(0));
        w.U32(f.clrUsed.value_or(clrUsed));
        w.U32(f.clrImportant.value_or(0));
        if (m_masks) {
            for (uint32_t m : *m_masks)
                w.U32(m);
        }
        for (uint32_t rgb : palette)
            w.U8(Lo8(rgb)).U8(Lo8(rgb >> 8)).U8(Lo8(rgb >> 16)).U8(0);
    }
    w.Bytes(pixels).Bytes(mask);
    return w.Take();
}

std::vector<uint8_t> BmpFile(const Dib& dib) {
    const std::vector<uint8_t> bytes = dib.Build();
    ResourceWriter w;
    w.U8('B').U8('M');
    w.U32(CheckedU32(kBitmapFileHeaderSize + bytes.size(), "file size"));
    w.U16(0).U16(0);
    w.U32(CheckedU32(kBitmapFileHeaderSize + dib.BitsOffset(), "pixel offset"));
    w.Bytes(bytes);
    return w.Take();
}

// ---- icons and cursors ------------------------------------------------------------------------

Dib IconImage(int32_t width, int32_t height, uint16_t bitCount) {
    Dib image(width, height, bitCount);
    image.AndMask();
    return image;
}

std::vector<uint8_t> CursorImage(uint16_t hotspotX, uint16_t hotspotY, const Dib& image) {
    return CursorImage(hotspotX, hotspotY, image.Build());
}

std::vector<uint8_t> CursorImage(uint16_t hotspotX, uint16_t hotspotY,
                                 const std::vector<uint8_t>& image) {
    ResourceWriter w;
    w.U16(hotspotX).U16(hotspotY).Bytes(image);
    return w.Take();
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Adler32(const uint8_t* data, size_t size) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

std::vector<uint8_t> PngChunk(std::string_view type, const std::vector<uint8_t>& data) {
    if (type.size() != 4) throw std::invalid_argument("PNG chunk types have four letters");
    ResourceWriter w;
    w.U32BE(CheckedU32(data.size(), "chunk size"));
    for (char c : type)
        w.U8(static_cast<uint8_t>(c));
    w.Bytes(data);
    w.U32BE(Crc32(w.Data().data() + 4, w.Size() - 4));
    return w.Take();
}

std::vector<uint8_t> PngImage(uint32_t width, uint32_t height, const std::vector<uint32_t>& argb) {
    if (argb.size() != static_cast<size_t>(width) * height)
        throw std::invalid_argument("pixel count does not match width * height");

    std::vector<uint8_t> raw;  // each row: filter type 0, then R, G, B, A
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t p = argb[static_cast<size_t>(y) * width + x];
            for (int shift : {16, 8, 0, 24})
                raw.push_back(Lo8(p >> shift));
        }
    }

    // zlib header 78 01 (deflate, 32K window, no dictionary; 0x7801 is a multiple of 31), then
    // stored blocks of at most 65535 bytes.
    ResourceWriter z;
    z.U8(0x78).U8(0x01);
    size_t done = 0;
    do {
        const size_t part = std::min<size_t>(raw.size() - done, 0xFFFF);
        const bool last = done + part == raw.size();
        z.U8(last ? 1 : 0);
        z.U16(static_cast<uint16_t>(part)).U16(static_cast<uint16_t>(~part & 0xFFFF));
        z.Bytes(std::vector<uint8_t>(raw.begin() + static_cast<ptrdiff_t>(done),
                                     raw.begin() + static_cast<ptrdiff_t>(done + part)));
        done += part;
    } while (done < raw.size());
    z.U32BE(Adler32(raw.data(), raw.size()));

    ResourceWriter ihdr;
    ihdr.U32BE(width).U32BE(height).U8(8).U8(6).U8(0).U8(0).U8(0);

    ResourceWriter png;
    png.Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    png.Bytes(PngChunk("IHDR", ihdr.Data()));
    png.Bytes(PngChunk("IDAT", z.Data()));
    png.Bytes(PngChunk("IEND", {}));
    return png.Take();
}

namespace {

// What a group or file entry records about an image, read from our own output.
struct ImageFacts {
    uint32_t width = 0;
    uint32_t height = 0;  // the picture's height, without the AND mask
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t colorCount = 0;
};

ImageFacts ReadImageFacts(tv::CByteView view) {
    ImageFacts facts;
    static constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (view.Size() >= 33 && std::equal(kPngSignature, kPngSignature + 8, view.Data())) {
        auto be32 = [&](uint64_t at) {
            uint32_t v = 0;
            for (uint64_t i = 0; i < 4; ++i)
                v = v << 8 | view.U8(at + i).value_or(0);
            return v;
        };
        facts.width = be32(16);
        facts.height = be32(20);
        facts.bitCount = 32;
        return facts;
    }
    const uint32_t headerSize = view.U32(0).value_or(0);
    if (headerSize == kBitmapCoreHeaderSize) {
        facts.width = view.U16(4).value_or(0);
        facts.height = view.U16(6).value_or(0) / 2u;
        facts.planes = view.U16(8).value_or(0);
        facts.bitCount = view.U16(10).value_or(0);
    } else {
        facts.width = view.U32(4).value_or(0);
        // Top-down images carry a negative height.
        const int64_t height = static_cast<int32_t>(view.U32(8).value_or(0));
        facts.height = static_cast<uint32_t>(std::llabs(height) / 2);
        facts.planes = view.U16(12).value_or(0);
        facts.bitCount = view.U16(14).value_or(0);
        facts.colorCount = view.U32(32).value_or(0);
    }
    if (facts.colorCount == 0 && facts.bitCount < 8) facts.colorCount = 1u << facts.bitCount;
    return facts;
}

// Byte-sized entry fields hold 256 as 0.
uint8_t ByteDimension(uint32_t value) { return value >= 256 ? 0 : static_cast<uint8_t>(value); }

tv::CByteView ViewOf(const std::vector<uint8_t>& bytes) {
    return tv::CByteView(bytes.data(), bytes.size());
}

std::vector<uint8_t> IconDirectory(const std::vector<IconFileEntry>& entries,
                                   const GroupDirFields& fields, uint16_t type) {
    ResourceWriter w;
    w.U16(fields.reserved.value_or(0));
    w.U16(fields.type.value_or(type));
    w.U16(fields.count.value_or(CheckedU16(entries.size(), "entry count")));
    size_t offset = 6 + 16 * entries.size();
    for (const IconFileEntry& e : entries) {
        w.U8(e.width).U8(e.height).U8(e.colorCount).U8(e.reserved);
        w.U16(e.planesOrHotspotX).U16(e.bitCountOrHotspotY);
        w.U32(e.bytesInRes.value_or(CheckedU32(e.image.size(), "image size")));
        w.U32(e.imageOffset.value_or(CheckedU32(offset, "image offset")));
        offset += e.image.size();
    }
    for (const IconFileEntry& e : entries)
        w.Bytes(e.image);
    return w.Take();
}

}  // namespace

GroupIconEntry IconEntryFor(const std::vector<uint8_t>& iconPayload, uint16_t id) {
    const ImageFacts facts = ReadImageFacts(ViewOf(iconPayload));
    GroupIconEntry entry;
    entry.width = ByteDimension(facts.width);
    entry.height = ByteDimension(facts.height);
    entry.colorCount = ByteDimension(facts.colorCount);
    entry.planes = facts.planes;
    entry.bitCount = facts.bitCount;
    entry.bytesInRes = CheckedU32(iconPayload.size(), "icon size");
    entry.id = id;
    return entry;
}

GroupCursorEntry CursorEntryFor(const std::vector<uint8_t>& cursorPayload, uint16_t id) {
    const ImageFacts facts = ReadImageFacts(ViewOf(cursorPayload).Tail(4));
    GroupCursorEntry entry;
    entry.width = CheckedU16(facts.width, "cursor width");
    entry.height = CheckedU16(facts.height * 2, "cursor height");
    entry.planes = facts.planes;
    entry.bitCount = facts.bitCount;
    entry.bytesInRes = CheckedU32(cursorPayload.size(), "cursor size");
    entry.id = id;
    return entry;
}

std::vector<uint8_t> GroupIcon(const std::vector<GroupIconEntry>& entries,
                               const GroupDirFields& fields) {
    ResourceWriter w;
    w.U16(fields.reserved.value_or(0));
    w.U16(fields.type.value_or(1));
    w.U16(fields.count.value_or(CheckedU16(entries.size(), "entry count")));
    for (const GroupIconEntry& e : entries) {
        w.U8(e.width).U8(e.height).U8(e.colorCount).U8(e.reserved);
        w.U16(e.planes).U16(e.bitCount).U32(e.bytesInRes).U16(e.id);
    }
    return w.Take();
}

std::vector<uint8_t> GroupCursor(const std::vector<GroupCursorEntry>& entries,
                                 const GroupDirFields& fields) {
    ResourceWriter w;
    w.U16(fields.reserved.value_or(0));
    w.U16(fields.type.value_or(2));
    w.U16(fields.count.value_or(CheckedU16(entries.size(), "entry count")));
    for (const GroupCursorEntry& e : entries) {
        w.U16(e.width).U16(e.height).U16(e.planes).U16(e.bitCount).U32(e.bytesInRes).U16(e.id);
    }
    return w.Take();
}

IconFileEntry IcoEntryFor(const std::vector<uint8_t>& iconPayload) {
    const GroupIconEntry group = IconEntryFor(iconPayload, 0);
    IconFileEntry entry;
    entry.width = group.width;
    entry.height = group.height;
    entry.colorCount = group.colorCount;
    entry.planesOrHotspotX = group.planes;
    entry.bitCountOrHotspotY = group.bitCount;
    entry.image = iconPayload;
    return entry;
}

IconFileEntry CurEntryFor(const std::vector<uint8_t>& cursorPayload) {
    const tv::CByteView view = ViewOf(cursorPayload);
    if (view.Size() < 4) throw std::invalid_argument("cursor payload without hotspot");
    const ImageFacts facts = ReadImageFacts(view.Tail(4));
    IconFileEntry entry;
    entry.width = ByteDimension(facts.width);
    entry.height = ByteDimension(facts.height);
    entry.colorCount = ByteDimension(facts.colorCount);
    entry.planesOrHotspotX = view.U16(0).value_or(0);
    entry.bitCountOrHotspotY = view.U16(2).value_or(0);
    entry.image.assign(cursorPayload.begin() + 4, cursorPayload.end());
    return entry;
}

std::vector<uint8_t> IcoFile(const std::vector<IconFileEntry>& entries,
                             const GroupDirFields& fields) {
    return IconDirectory(entries, fields, 1);
}

std::vector<uint8_t> CurFile(const std::vector<IconFileEntry>& entries,
                             const GroupDirFields& fields) {
    return IconDirectory(entries, fields, 2);
}

// ---- dialog templates -------------------------------------------------------------------------

DialogItem Control(uint16_t classAtom, uint32_t id, NameOrId title, int16_t x, int16_t y,
                   int16_t cx, int16_t cy, uint32_t style) {
    DialogItem item;
    item.style = style;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    item.windowClass = NameOrId::Ordinal(classAtom);
    item.title = std::move(title);
    return item;
}

DialogTemplate& DialogTemplate::Style(uint32_t style) {
    m_style = style;
    return *this;
}

DialogTemplate& DialogTemplate::ExStyle(uint32_t exStyle) {
    m_exStyle = exStyle;
    return *this;
}

DialogTemplate& DialogTemplate::HelpId(uint32_t helpId) {
    m_helpId = helpId;
    return *this;
}

DialogTemplate& DialogTemplate::Rect(int16_t x, int16_t y, int16_t cx, int16_t cy) {
    m_x = x;
    m_y = y;
    m_cx = cx;
    m_cy = cy;
    return *this;
}

DialogTemplate& DialogTemplate::Menu(NameOrId menu) {
    m_menu = std::move(menu);
    return *this;
}

DialogTemplate& DialogTemplate::WindowClass(NameOrId windowClass) {
    m_class = std::move(windowClass);
    return *this;
}

DialogTemplate& DialogTemplate::Title(NameOrId title) {
    m_title = std::move(title);
    return *this;
}

DialogTemplate& DialogTemplate::Font(uint16_t pointSize, const Text16& face, uint16_t weight,
                                     uint8_t italic, uint8_t charset) {
    m_style |= kDsSetFont;
    m_pointSize = pointSize;
    m_face = face;
    m_weight = weight;
    m_italic = italic;
    m_charset = charset;
    return *this;
}

DialogTemplate& DialogTemplate::Add(DialogItem item) {
    m_items.push_back(std::move(item));
    return *this;
}

DialogTemplate& DialogTemplate::Force(const DialogFields& fields) {
    if (fields.style) m_fields.style = fields.style;
    if (fields.itemCount) m_fields.itemCount = fields.itemCount;
    if (fields.dlgVer) m_fields.dlgVer = fields.dlgVer;
    if (fields.signature) m_fields.signature = fields.signature;
    return *this;
}

std::vector<uint8_t> DialogTemplate::BuildWithOffsets(std::vector<size_t>* offsets) const {
    ResourceWriter w;
    const uint32_t style = m_fields.style.value_or(m_style);
    const uint16_t count = m_fields.itemCount.value_or(CheckedU16(m_items.size(), "item count"));
    if (m_extended) {
        w.U16(m_fields.dlgVer.value_or(1)).U16(m_fields.signature.value_or(0xFFFF));
        w.U32(m_helpId).U32(m_exStyle).U32(style).U16(count);
    } else {
        w.U32(style).U32(m_exStyle).U16(count);
    }
    w.I16(m_x).I16(m_y).I16(m_cx).I16(m_cy);
    m_menu.WriteTo(w);
    m_class.WriteTo(w);
    m_title.WriteTo(w);
    if (m_style & kDsSetFont) {
        w.U16(m_pointSize);
        if (m_extended) w.U16(m_weight).U8(m_italic).U8(m_charset);
        w.Utf16Z(m_face);
    }

    for (const DialogItem& item : m_items) {
        w.Align(4);
        if (offsets) offsets->push_back(w.Size());
        if (m_extended) {
            w.U32(item.helpId).U32(item.exStyle).U32(item.style);
        } else {
            w.U32(item.style).U32(item.exStyle);
        }
        w.I16(item.x).I16(item.y).I16(item.cx).I16(item.cy);
        if (m_extended) {
            w.U32(item.id);
        } else {
            w.U16(static_cast<uint16_t>(item.id & 0xFFFF));
        }
        item.windowClass.WriteTo(w);
        item.title.WriteTo(w);
        w.U16(item.creationDataSizeField.value_or(
            CheckedU16(item.creationData.size(), "creation data size")));
        w.Bytes(item.creationData);
    }
    return w.Take();
}

std::vector<uint8_t> DialogTemplate::Build() const { return BuildWithOffsets(nullptr); }

std::vector<size_t> DialogTemplate::ItemOffsets() const {
    std::vector<size_t> offsets;
    (void)BuildWithOffsets(&offsets);
    return offsets;
}

// ---- menus, accelerators, toolbars ------------------------------------------------------------

MenuItem MenuItem::Command(const Text16& text, uint32_t id, uint16_t flags) {
    MenuItem item;
    item.text = text;
    item.id = id;
    item.flags = flags;
    return item;
}

MenuItem MenuItem::Popup(const Text16& text, std::vector<MenuItem> children, uint16_t flags) {
    MenuItem item;
    item.text = text;
    item.flags = flags;
    item.popup = true;
    item.children = std::move(children);
    return item;
}

MenuItem MenuItem::Separator() {
    MenuItem item;
    item.type = kMftSeparator;
    return item;
}

namespace {

void WriteMenuItems(ResourceWriter& w, const std::vector<MenuItem>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        uint16_t flags = item.flags;
        if (item.popup) flags |= kMfPopup;
        if (i + 1 == items.size()) flags |= kMfEnd;
        w.U16(item.flagsField.value_or(flags));
        if (!item.popup) w.U16(static_cast<uint16_t>(item.id & 0xFFFF));
        w.Utf16Z(item.text);
        if (item.popup) WriteMenuItems(w, item.children);
    }
}

void WriteMenuExItems(ResourceWriter& w, const std::vector<MenuItem>& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        uint16_t flags = 0;
        if (item.popup) flags |= kMenuExPopup;
        if (i + 1 == items.size()) flags |= kMfEnd;
        w.Align(4);
        w.U32(item.type).U32(item.state).U32(item.id);
        w.U16(item.flagsField.value_or(flags));
        w.Utf16Z(item.text);
        if (item.popup) {
            w.Align(4);
            w.U32(item.helpId);
            WriteMenuExItems(w, item.children);
        }
    }
}

}  // namespace

std::vector<uint8_t> MenuTemplate(const std::vector<MenuItem>& items) {
    ResourceWriter w;
    w.U16(0).U16(0);
    WriteMenuItems(w, items);
    return w.Take();
}

std::vector<uint8_t> MenuExTemplate(const std::vector<MenuItem>& items, uint32_t helpId) {
    ResourceWriter w;
    w.U16(1).U16(4).U32(helpId);
    WriteMenuExItems(w, items);
    return w.Take();
}

std::vector<uint8_t> Accelerators(const std::vector<AccelEntry>& entries, bool markLast) {
    ResourceWriter w;
    for (size_t i = 0; i < entries.size(); ++i) {
        const AccelEntry& e = entries[i];
        const bool last = markLast && i + 1 == entries.size();
        w.U16(static_cast<uint16_t>(e.flags | (last ? kAccelLast : 0)));
        w.U16(e.key).U16(e.command).U16(e.padding);
    }
    return w.Take();
}

std::vector<uint8_t> ToolbarResource(uint16_t width, uint16_t height,
                                     const std::vector<uint16_t>& ids,
                                     const ToolbarFields& fields) {
    ResourceWriter w;
    w.U16(fields.version.value_or(1)).U16(width).U16(height);
    w.U16(fields.count.value_or(CheckedU16(ids.size(), "item count")));
    for (uint16_t id : ids)
        w.U16(id);
    return w.Take();
}

}  // namespace tvtest
