// Any bytes as the PKCS#7 of a certificate table entry, through the decoder the headers window
// and tarnview-cli use, and the same bytes as the entry of a module's certificate table through
// the full report. Besides not crashing, every text must be valid UTF-8 without line breaks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/ByteView.h"
#include "common/TextCodec.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/pkcs7/OpenSslPkcs7Decoder.h"
#include "support/PeBuilder.h"

namespace {

void CheckLine(const std::string& text) {
    if (!tv::IsValidUtf8(text) || text.find('\n') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const tv::CByteView der(data, size);
    const tv::Pkcs7Summary summary = tv::DefaultPkcs7Decoder().Decode(der);
    if (summary.decoded == !summary.error.empty()) std::abort();
    if (summary.signers.size() > tv::COpenSslPkcs7Decoder::kMaxSigners) std::abort();

    // The same bytes as a WIN_CERT_TYPE_PKCS_SIGNED_DATA entry of a small module.
    static const std::vector<uint8_t> module =
        tvtest::PeBuilder::Pe32().AddSection(".text", 0x60000020, {0xC3}).Build();
    std::vector<uint8_t> bytes = module;
    const size_t start = bytes.size();
    bytes.resize(start + 8);
    tvtest::Patch32(bytes, start, static_cast<uint32_t>(8 + size));
    tvtest::Patch16(bytes, start + 4, 0x0200);
    tvtest::Patch16(bytes, start + 6, 2);
    bytes.insert(bytes.end(), data, data + size);
    const tvtest::PeLayout layout = tvtest::PeBuilder::Pe32().Layout();
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(4), static_cast<uint32_t>(start));
    tvtest::Patch32(bytes, layout.DataDirectoryEntry(4) + 4, static_cast<uint32_t>(8 + size));

    tv::CModuleImage image;
    if (!image.LoadFromMemory(tv::CByteView(bytes.data(), bytes.size()), "fuzz.dll")) std::abort();
    tv::CReportTree tree;
    tv::CHeadersReport report(image, tree);
    report.SetPkcs7Decoder(&tv::DefaultPkcs7Decoder());
    if (!report.Fill(tv::HeadersDisplay::Full)) std::abort();
    for (tv::ReportNode n = 1; n <= tree.Size(); ++n)
        CheckLine(tree.At(n).text);
    return 0;
}
