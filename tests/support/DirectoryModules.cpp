#include "support/DirectoryModules.h"

#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

namespace tvtest {

Blob Pe64Directories() {
    Blob s;
    // Delay import descriptor (RVA form), then the terminator.
    s.U32(0x00, 1);
    s.U32(0x04, kBase + 0x100);
    s.U32(0x08, kBase + 0x180);
    s.U32(0x0C, kBase + 0x190);
    s.U32(0x10, kBase + 0x1B0);
    s.Str(0x100, "USER32.dll");
    s.U16(0x120, 0x42);
    s.Str(0x122, "MessageBoxW");
    s.U64(0x1B0, kBase + 0x120);
    s.U64(0x1B8, (uint64_t{1} << 63) | 7);
    // Two debug entries: CodeView, then POGO.
    s.U32(0x204, 0x5F5E1000);
    s.U32(0x20C, 2);
    s.U32(0x210, 35);
    s.U32(0x214, kBase + 0x240);
    s.U32(0x218, kRaw + 0x240);
    s.U32(0x20C + 28, 13);
    s.Str(0x240, "RSDS");
    for (uint8_t i = 0; i < 16; ++i)
        s.b[0x244 + i] = i;
    s.U32(0x254, 3);
    s.Str(0x258, "C:\\b\\x.pdb");
    // TLS and two callbacks.
    s.U64(0x300, 0x140002400);
    s.U64(0x308, 0x140002410);
    s.U64(0x310, 0x140002420);
    s.U64(0x318, 0x140002340);
    s.U32(0x324, 0x00300000);
    s.U64(0x340, 0x140001000);
    s.U64(0x348, 0x140001010);
    // Load configuration up to GuardFlags.
    s.U32(0x380, 148);
    s.U64(0x380 + 88, 0x140003000);
    s.U64(0x380 + 128, 0x140002500);
    s.U64(0x380 + 136, 5);
    s.U32(0x380 + 144, 0x10500);
    // Two relocation blocks.
    s.U32(0x420, 0x1000);
    s.U32(0x424, 16);
    s.U16(0x428, 0xA000);
    s.U16(0x42A, 0xA008);
    s.U16(0x42C, 0xA010);
    s.U32(0x430, 0x2000);
    s.U32(0x434, 12);
    s.U16(0x438, 0x3004);
    s.U16(0x43A, 0xA000);
    // CLR header and metadata root.
    s.U32(0x460, 72);
    s.U16(0x464, 2);
    s.U16(0x466, 5);
    s.U32(0x468, kBase + 0x4A0);
    s.U32(0x46C, 0x40);
    s.U32(0x470, 9);
    s.U32(0x474, 0x06000001);
    s.U32(0x4A0, 0x424A5342);
    s.U16(0x4A4, 1);
    s.U16(0x4A6, 1);
    s.U32(0x4AC, 12);
    s.Str(0x4B0, "v4.0.30319");
    return s;
}

PeBuilder WithDirectories(PeBuilder builder, const Blob& s) {
    tvtest::SectionDesc section;
    section.name = ".rdata";
    section.characteristics = 0x40000040;
    section.data = s.b;
    section.virtualAddress = kBase;
    section.pointerToRawData = kRaw;
    builder.AddSection(section)
        .DataDirectory(13, kBase, 64)
        .DataDirectory(6, kBase + 0x200, 56)
        .DataDirectory(9, kBase + 0x300, 40)
        .DataDirectory(10, kBase + 0x380, 148)
        .DataDirectory(5, kBase + 0x420, 28)
        .DataDirectory(14, kBase + 0x460, 72);
    return builder;
}

std::vector<uint8_t> MakeSignedData() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 42);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Tarnview Test"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>("Prüfer"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_set_pubkey(cert, key);
    X509_sign(cert, key, EVP_sha256());
    BIO* data = BIO_new_mem_buf("module bytes", -1);
    PKCS7* p7 = PKCS7_sign(cert, key, nullptr, data, PKCS7_BINARY);
    std::vector<uint8_t> der;
    if (p7 != nullptr) {
        unsigned char* out = nullptr;
        const int n = i2d_PKCS7(p7, &out);
        if (n > 0) der.assign(out, out + n);
        OPENSSL_free(out);
    }
    PKCS7_free(p7);
    BIO_free(data);
    X509_free(cert);
    EVP_PKEY_free(key);
    return der;
}

void AppendCertificate(std::vector<uint8_t>& table, uint16_t type,
                       const std::vector<uint8_t>& body) {
    const size_t at = table.size();
    table.resize(at + 8);
    tvtest::Patch32(table, at, static_cast<uint32_t>(8 + body.size()));
    tvtest::Patch16(table, at + 4, 0x0200);
    tvtest::Patch16(table, at + 6, type);
    table.insert(table.end(), body.begin(), body.end());
    table.resize((table.size() + 7) / 8 * 8, 0);
}

std::vector<uint8_t> SignedModule(const std::vector<uint8_t>& table, uint32_t size) {
    auto builder = PeBuilder::Pe32().AddSection(".text", 0x60000020, {0xC3});
    const size_t start = builder.Layout().fileSize;
    builder.Overlay(table).DataDirectory(4, static_cast<uint32_t>(start), size);
    return builder.Build();
}

}  // namespace tvtest
