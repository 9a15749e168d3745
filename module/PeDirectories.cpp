#include "module/PeDirectories.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace tv {

namespace {

struct Named32 {
    uint32_t value;
    std::string_view name;
};

// The alignment field (0x00F00000) is not a flag and is named apart.
constexpr Named32 kSectionFlags[] = {
    {0x00000008, "IMAGE_SCN_TYPE_NO_PAD"},
    {0x00000020, "IMAGE_SCN_CNT_CODE"},
    {0x00000040, "IMAGE_SCN_CNT_INITIALIZED_DATA"},
    {0x00000080, "IMAGE_SCN_CNT_UNINITIALIZED_DATA"},
    {0x00000100, "IMAGE_SCN_LNK_OTHER"},
    {0x00000200, "IMAGE_SCN_LNK_INFO"},
    {0x00000800, "IMAGE_SCN_LNK_REMOVE"},
    {0x00001000, "IMAGE_SCN_LNK_COMDAT"},
    {0x00004000, "IMAGE_SCN_NO_DEFER_SPEC_EXC"},
    {0x00008000, "IMAGE_SCN_GPREL"},
    {0x00020000, "IMAGE_SCN_MEM_PURGEABLE"},
    {0x00040000, "IMAGE_SCN_MEM_LOCKED"},
    {0x00080000, "IMAGE_SCN_MEM_PRELOAD"},
    {0x01000000, "IMAGE_SCN_LNK_NRELOC_OVFL"},
    {0x02000000, "IMAGE_SCN_MEM_DISCARDABLE"},
    {0x04000000, "IMAGE_SCN_MEM_NOT_CACHED"},
    {0x08000000, "IMAGE_SCN_MEM_NOT_PAGED"},
    {0x10000000, "IMAGE_SCN_MEM_SHARED"},
    {0x20000000, "IMAGE_SCN_MEM_EXECUTE"},
    {0x40000000, "IMAGE_SCN_MEM_READ"},
    {0x80000000, "IMAGE_SCN_MEM_WRITE"},
};

constexpr Named32 kDebugTypes[] = {
    {0, "IMAGE_DEBUG_TYPE_UNKNOWN"},
    {1, "IMAGE_DEBUG_TYPE_COFF"},
    {2, "IMAGE_DEBUG_TYPE_CODEVIEW"},
    {3, "IMAGE_DEBUG_TYPE_FPO"},
    {4, "IMAGE_DEBUG_TYPE_MISC"},
    {5, "IMAGE_DEBUG_TYPE_EXCEPTION"},
    {6, "IMAGE_DEBUG_TYPE_FIXUP"},
    {7, "IMAGE_DEBUG_TYPE_OMAP_TO_SRC"},
    {8, "IMAGE_DEBUG_TYPE_OMAP_FROM_SRC"},
    {9, "IMAGE_DEBUG_TYPE_BORLAND"},
    {10, "IMAGE_DEBUG_TYPE_RESERVED10"},
    {11, "IMAGE_DEBUG_TYPE_CLSID"},
    {12, "IMAGE_DEBUG_TYPE_VC_FEATURE"},
    {13, "IMAGE_DEBUG_TYPE_POGO"},
    {14, "IMAGE_DEBUG_TYPE_ILTCG"},
    {15, "IMAGE_DEBUG_TYPE_MPX"},
    {16, "IMAGE_DEBUG_TYPE_REPRO"},
    {18, "IMAGE_DEBUG_TYPE_SPGO"},
    {20, "IMAGE_DEBUG_TYPE_EX_DLLCHARACTERISTICS"},
};

// 5, 7, 8 and 9 mean different things on different machines; the format names them by number.
constexpr std::array<std::string_view, 16> kRelocationTypes = {
    "IMAGE_REL_BASED_ABSOLUTE",
    "IMAGE_REL_BASED_HIGH",
    "IMAGE_REL_BASED_LOW",
    "IMAGE_REL_BASED_HIGHLOW",
    "IMAGE_REL_BASED_HIGHADJ",
    "IMAGE_REL_BASED_MACHINE_SPECIFIC_5",
    "IMAGE_REL_BASED_RESERVED",
    "IMAGE_REL_BASED_MACHINE_SPECIFIC_7",
    "IMAGE_REL_BASED_MACHINE_SPECIFIC_8",
    "IMAGE_REL_BASED_MACHINE_SPECIFIC_9",
    "IMAGE_REL_BASED_DIR64",
    "IMAGE_REL_BASED_UNKNOWN",
    "IMAGE_REL_BASED_UNKNOWN",
    "IMAGE_REL_BASED_UNKNOWN",
    "IMAGE_REL_BASED_UNKNOWN",
    "IMAGE_REL_BASED_UNKNOWN",
};

constexpr Named32 kComImageFlags[] = {
    {0x00000001, "COMIMAGE_FLAGS_ILONLY"},
    {0x00000002, "COMIMAGE_FLAGS_32BITREQUIRED"},
    {0x00000004, "COMIMAGE_FLAGS_IL_LIBRARY"},
    {0x00000008, "COMIMAGE_FLAGS_STRONGNAMESIGNED"},
    {0x00000010, "COMIMAGE_FLAGS_NATIVE_ENTRYPOINT"},
    {0x00010000, "COMIMAGE_FLAGS_TRACKDEBUGDATA"},
    {0x00020000, "COMIMAGE_FLAGS_32BITPREFERRED"},
};

constexpr Named32 kCertificateTypes[] = {
    {1, "WIN_CERT_TYPE_X509"},
    {2, "WIN_CERT_TYPE_PKCS_SIGNED_DATA"},
    {3, "WIN_CERT_TYPE_RESERVED_1"},
    {4, "WIN_CERT_TYPE_TS_STACK_SIGNED"},
};

template <size_t N>
std::string_view Find(const Named32 (&table)[N], uint32_t value, std::string_view fallback) {
    for (const auto& entry : table)
        if (entry.value == value) return entry.name;
    return fallback;
}

}  // namespace

double ShannonEntropy(CByteView bytes) noexcept {
    if (bytes.Empty()) return 0.0;
    std::array<uint64_t, 256> counts{};
    const uint8_t* data = bytes.Data();
    for (size_t i = 0; i < bytes.Size(); ++i)
        ++counts[data[i]];
    const double total = static_cast<double>(bytes.Size());
    double entropy = 0.0;
    for (const uint64_t count : counts) {
        if (count == 0) continue;
        const double p = static_cast<double>(count) / total;
        entropy -= p * std::log2(p);
    }
    // A single repeated byte gives -0.0, which would print with a sign.
    return entropy <= 0.0 ? 0.0 : entropy;
}

namespace {

std::string PrintableName(CByteView nameBytes, size_t limit) {
    std::string out;
    for (size_t i = 0; i < nameBytes.Size() && i < limit; ++i) {
        const uint8_t b = nameBytes.U8(i).value_or(0);
        if (b == 0) break;
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            out += static_cast<char>(b);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", b);
            out += escaped;
        }
    }
    return out;
}

constexpr uint64_t kSymbolSize = 18;

}  // namespace

std::string SectionNameText(CByteView nameBytes) { return PrintableName(nameBytes, 8); }

std::string LongSectionNameText(CByteView file, CByteView nameBytes, uint32_t symbolTableOffset,
                                uint32_t symbolCount) {
    if (symbolTableOffset == 0 || nameBytes.U8(0).value_or(0) != '/') return {};
    // At most seven decimal digits follow the slash, so the offset stays below 10^7.
    uint64_t offset = 0;
    size_t digits = 0;
    for (size_t i = 1; i < 8; ++i) {
        const uint8_t b = nameBytes.U8(i).value_or(0);
        if (b == 0) break;
        if (b < '0' || b > '9') return {};
        offset = offset * 10 + (b - '0');
        ++digits;
    }
    if (digits == 0) return {};
    const uint64_t table = uint64_t{symbolTableOffset} + uint64_t{symbolCount} * kSymbolSize;
    const auto tableSize = file.U32(table);
    // The table's size counts its own four bytes, so a name starts at offset 4 or later.
    if (!tableSize || offset < 4 || offset >= *tableSize) return {};
    const CByteView strings = file.SubClamped(table, *tableSize);
    if (offset >= strings.Size()) return {};
    const CByteView name = strings.SubClamped(offset, strings.Size() - offset);
    if (name.U8(0).value_or(0) == 0) return {};
    return PrintableName(name, kMaxLongSectionName);
}

std::vector<std::string> SectionFlagNames(uint32_t characteristics) {
    std::vector<std::string> names;
    for (const auto& flag : kSectionFlags) {
        if (flag.value > 0x00080000) break;
        if (characteristics & flag.value) names.emplace_back(flag.name);
    }
    // 1 means one byte, 14 means 8192 bytes; 15 is not defined.
    const uint32_t align = (characteristics >> 20) & 0xF;
    if (align >= 1 && align <= 14)
        names.push_back("IMAGE_SCN_ALIGN_" + std::to_string(1u << (align - 1)) + "BYTES");
    for (const auto& flag : kSectionFlags) {
        if (flag.value <= 0x00080000) continue;
        if (characteristics & flag.value) names.emplace_back(flag.name);
    }
    return names;
}

std::string_view DebugTypeName(uint32_t type) noexcept {
    return Find(kDebugTypes, type, "IMAGE_DEBUG_TYPE_UNKNOWN");
}

std::string_view RelocationTypeName(uint32_t type) noexcept { return kRelocationTypes[type & 0xF]; }

std::vector<std::string_view> ComImageFlagNames(uint32_t flags) {
    std::vector<std::string_view> names;
    for (const auto& flag : kComImageFlags)
        if (flags & flag.value) names.push_back(flag.name);
    return names;
}

std::string_view CertificateTypeName(uint16_t type) noexcept {
    return Find(kCertificateTypes, type, "WIN_CERT_TYPE_UNKNOWN");
}

std::string GuidText(CByteView b) {
    if (b.Size() < 16) return std::string();
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  b.U32(0).value_or(0), b.U16(4).value_or(0), b.U16(6).value_or(0),
                  b.U8(8).value_or(0), b.U8(9).value_or(0), b.U8(10).value_or(0),
                  b.U8(11).value_or(0), b.U8(12).value_or(0), b.U8(13).value_or(0),
                  b.U8(14).value_or(0), b.U8(15).value_or(0));
    return text;
}

}  // namespace tv
