// The PKCS#7 decoder the windows and the command line hand to the headers report: OpenSSL's
// libcrypto reads the SignedData of a module's certificate table. It lives in its own small
// library (tarnview_pkcs7) so that the core never links a crypto library.
#pragma once

#include "module/PeDirectories.h"

namespace tv {

class COpenSslPkcs7Decoder final : public IPkcs7Decoder {
public:
    // Signer infos past this many are left out; Authenticode has one.
    static constexpr int kMaxSigners = 16;

    [[nodiscard]] Pkcs7Summary Decode(CByteView der) const override;
};

// The decoder every program part uses; stateless, so one is enough.
[[nodiscard]] const IPkcs7Decoder& DefaultPkcs7Decoder() noexcept;

}  // namespace tv
