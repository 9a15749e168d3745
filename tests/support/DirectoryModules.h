// Modules with the directories the full headers report shows after the NT headers, for the core
// and window tests: every directory in one section, and a certificate table with a signature.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "support/PeBuilder.h"

namespace tvtest {

// The section every directory lives in: RVA kBase, file offset kRaw.
constexpr uint32_t kBase = 0x2000;
constexpr uint32_t kRaw = 0x400;

// Bytes of a section under construction.
struct Blob {
    std::vector<uint8_t> b = std::vector<uint8_t>(0x800, 0);
    void U16(size_t o, uint16_t v) { tvtest::Patch16(b, o, v); }
    void U32(size_t o, uint32_t v) { tvtest::Patch32(b, o, v); }
    void U64(size_t o, uint64_t v) { tvtest::Patch64(b, o, v); }
    void Str(size_t o, std::string_view s) {
        tvtest::PatchBytes(b, o, {reinterpret_cast<const uint8_t*>(s.data()), s.size()});
    }
};

// The section of a 64-bit module with delay imports, debug entries, TLS, load configuration,
// relocations and a CLR header, each where its data directory says.
Blob Pe64Directories();
// builder with the section of s at kBase and data directories 5, 6, 9, 10, 13 and 14 on it.
PeBuilder WithDirectories(PeBuilder builder, const Blob& s);
// A PKCS#7 SignedData over a few bytes, signed with a fresh P-256 key and a self-made
// certificate "CN=Prüfer,O=Tarnview Test"; DER.
std::vector<uint8_t> MakeSignedData();
// Appends one WIN_CERTIFICATE (revision 2.0) with body, padded to 8 bytes.
void AppendCertificate(std::vector<uint8_t>& table, uint16_t type,
                       const std::vector<uint8_t>& body);
// A small PE32 module with table as its certificate table, data directory 4 saying size.
std::vector<uint8_t> SignedModule(const std::vector<uint8_t>& table, uint32_t size);

}  // namespace tvtest
