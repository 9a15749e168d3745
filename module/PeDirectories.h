// Facts about the data directories past exports and imports (sections, delay imports, debug, TLS,
// load configuration, base relocations, CLR header, certificates) that the full headers report
// shows: names of the format's values, the entropy of a section's bytes, and the interface that
// decodes a signature's PKCS#7 bytes. Reading the directories themselves stays with the report,
// which walks them through CPeFile's bounded views.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteView.h"

namespace tv {

// The loader refuses a module with more sections than this; the report lists no more either.
inline constexpr size_t kMaxListedSections = 96;

// Shannon entropy of bytes in bits per byte, 0 to 8; 0 for no bytes.
[[nodiscard]] double ShannonEntropy(CByteView bytes) noexcept;
// A section table's eight name bytes as shown: up to the first zero, printable ASCII kept,
// every other byte as \xNN, so a name can neither break a line nor hide bytes.
[[nodiscard]] std::string SectionNameText(CByteView nameBytes);
// The long name GNU linkers give a section whose name does not fit in eight bytes: the table
// holds "/n", n being an offset into the COFF string table that follows the symbol table
// (symbolTableOffset, symbolCount entries of 18 bytes). Shown like SectionNameText, at most
// kMaxLongSectionName bytes; empty when the name is no such reference or does not lead to a
// string inside the file.
inline constexpr size_t kMaxLongSectionName = 256;
[[nodiscard]] std::string LongSectionNameText(CByteView file, CByteView nameBytes,
                                              uint32_t symbolTableOffset, uint32_t symbolCount);
// One name per set flag of a section's Characteristics, lowest bit first, with the alignment
// field (bits 20-23) as one IMAGE_SCN_ALIGN_nBYTES name; bits the format leaves unnamed are not
// listed.
[[nodiscard]] std::vector<std::string> SectionFlagNames(uint32_t characteristics);
// "IMAGE_DEBUG_TYPE_..." or "IMAGE_DEBUG_TYPE_UNKNOWN".
[[nodiscard]] std::string_view DebugTypeName(uint32_t type) noexcept;
// "IMAGE_REL_BASED_..." for a base relocation's four-bit type (machine-specific values by the
// names the format gives them first).
[[nodiscard]] std::string_view RelocationTypeName(uint32_t type) noexcept;
// COMIMAGE_FLAGS_... per set bit of the CLR header's Flags.
[[nodiscard]] std::vector<std::string_view> ComImageFlagNames(uint32_t flags);
// "WIN_CERT_TYPE_..." or "WIN_CERT_TYPE_UNKNOWN".
[[nodiscard]] std::string_view CertificateTypeName(uint16_t type) noexcept;
// A GUID's sixteen bytes as stored (Data1-3 little-endian) in the form {xxxxxxxx-xxxx-xxxx-
// xxxx-xxxxxxxxxxxx}, upper-case hex; empty when fewer than sixteen bytes are given.
[[nodiscard]] std::string GuidText(CByteView bytes);

// What a PKCS#7 SignedData says about who signed it. Nothing here is verified: the names are
// what the signer's certificate claims.
struct Pkcs7Signer {
    std::string subject;  // one line, UTF-8
    std::string issuer;
    std::string digest;  // the digest algorithm's name, e.g. "sha256"
};

struct Pkcs7Summary {
    bool decoded = false;
    std::string error;  // why not, when decoded is false
    std::vector<Pkcs7Signer> signers;
};

// Decodes the PKCS#7 bytes of a WIN_CERT_TYPE_PKCS_SIGNED_DATA entry. The core knows only this
// interface, so it stays free of a crypto library; the windows and the command line pass one in.
class IPkcs7Decoder {
public:
    virtual ~IPkcs7Decoder() = default;
    [[nodiscard]] virtual Pkcs7Summary Decode(CByteView der) const = 0;
};

}  // namespace tv
