#include "module/pkcs7/OpenSslPkcs7Decoder.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <climits>
#include <memory>

namespace tv {

namespace {

struct Pkcs7Free {
    void operator()(PKCS7* p) const noexcept { PKCS7_free(p); }
};
struct BioFree {
    void operator()(BIO* b) const noexcept { BIO_free(b); }
};

// One line, RFC 2253 order and escaping, with UTF-8 kept as it is rather than escaped.
std::string NameText(const X509_NAME* name) {
    if (name == nullptr) return "?";
    std::unique_ptr<BIO, BioFree> bio(BIO_new(BIO_s_mem()));
    if (!bio) return "?";
    const unsigned long flags = XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB;
    if (X509_NAME_print_ex(bio.get(), name, 0, flags) < 0) return "?";
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    if (length <= 0 || data == nullptr) return std::string();
    return std::string(data, static_cast<size_t>(length));
}

std::string DigestName(PKCS7_SIGNER_INFO* info) {
    X509_ALGOR* digest = nullptr;
    PKCS7_SIGNER_INFO_get0_algs(info, nullptr, &digest, nullptr);
    if (digest == nullptr) return "?";
    const ASN1_OBJECT* object = nullptr;
    X509_ALGOR_get0(&object, nullptr, nullptr, digest);
    const int nid = OBJ_obj2nid(object);
    if (nid != NID_undef) return OBJ_nid2sn(nid);
    char text[128];
    const int n = OBJ_obj2txt(text, sizeof text, object, 1);
    return n > 0 ? std::string(text) : "?";
}

}  // namespace

Pkcs7Summary COpenSslPkcs7Decoder::Decode(CByteView der) const {
    Pkcs7Summary out;
    if (der.Empty() || der.Size() > static_cast<size_t>(LONG_MAX)) {
        out.error = "keine Daten";
        return out;
    }
    const unsigned char* cursor = der.Data();
    std::unique_ptr<PKCS7, Pkcs7Free> p7(
        d2i_PKCS7(nullptr, &cursor, static_cast<long>(der.Size())));
    // The error queue is per thread; a failed parse must not leave its entries to the next user.
    ERR_clear_error();
    if (!p7) {
        out.error = "kein PKCS#7 (DER)";
        return out;
    }
    if (!PKCS7_type_is_signed(p7.get()) || p7->d.sign == nullptr) {
        out.error = "kein PKCS#7 SignedData";
        return out;
    }
    out.decoded = true;
    STACK_OF(PKCS7_SIGNER_INFO)* infos = PKCS7_get_signer_info(p7.get());
    STACK_OF(X509)* certificates = p7->d.sign->cert;
    const int count = infos ? sk_PKCS7_SIGNER_INFO_num(infos) : 0;
    for (int i = 0; i < count && i < kMaxSigners; ++i) {
        PKCS7_SIGNER_INFO* info = sk_PKCS7_SIGNER_INFO_value(infos, i);
        if (info == nullptr) continue;
        Pkcs7Signer signer;
        signer.digest = DigestName(info);
        const PKCS7_ISSUER_AND_SERIAL* id = info->issuer_and_serial;
        // The signer's certificate, found by issuer and serial among those the data carries;
        // without it only the issuer is known.
        X509* certificate = nullptr;
        if (id != nullptr && certificates != nullptr)
            certificate = X509_find_by_issuer_and_serial(certificates, id->issuer, id->serial);
        if (certificate != nullptr) {
            signer.subject = NameText(X509_get_subject_name(certificate));
            signer.issuer = NameText(X509_get_issuer_name(certificate));
        } else {
            signer.subject = "?";
            signer.issuer = NameText(id != nullptr ? id->issuer : nullptr);
        }
        out.signers.push_back(std::move(signer));
    }
    ERR_clear_error();
    return out;
}

const IPkcs7Decoder& DefaultPkcs7Decoder() noexcept {
    static const COpenSslPkcs7Decoder decoder;
    return decoder;
}

}  // namespace tv
