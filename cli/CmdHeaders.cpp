// tarnview-cli headers [--full] [--json] FILE: the headers window's tree as indented text, or
// as one JSON document with the same lines as nested nodes and the facts behind them typed.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "cli/CliCommand.h"
#include "cli/JsonOutput.h"
#include "common/SystemErrorText.h"
#include "common/TextCodec.h"
#include "module/HeadersReport.h"
#include "module/ModuleImage.h"
#include "module/ModuleSearch.h"
#include "module/pkcs7/OpenSslPkcs7Decoder.h"

using tv::CModuleImage;
using tv::cli::Json;

namespace {

Json NamedValue(uint16_t value, std::string_view name) {
    Json out = Json::object();
    out["value"] = value;
    out["name"] = name;
    return out;
}

Json Characteristics(uint16_t value) {
    Json out = Json::object();
    out["value"] = value;
    out["flags"] = tv::CharacteristicsFlagNames(value);
    return out;
}

Json Stamp(uint32_t value) { return tv::cli::ValueText(value, tv::StampText(value)); }

Json ExportsJson(const std::vector<tv::ReportedExport>& exports) {
    Json list = Json::array();
    for (const tv::ReportedExport& e : exports) {
        Json item = Json::object();
        item["ordinal"] = e.ordinal;
        item["address"] = e.address;
        item["name"] = e.names.empty() ? Json() : Json(e.names.front());
        item["names"] = e.names;
        item["forwarder"] = e.forwarded ? Json(e.forwarder) : Json();
        list.push_back(std::move(item));
    }
    return list;
}

Json ImportsJson(const std::vector<tv::ReportedImport>& imports, bool full) {
    Json list = Json::array();
    for (const tv::ReportedImport& i : imports) {
        Json item = Json::object();
        item["name"] = i.name;
        item["module"] = i.moduleName.empty() ? Json() : Json(i.moduleName);
        if (full) {
            const tv::ImportDescriptor& d = i.descriptor;
            item["OriginalFirstThunk"] = d.OriginalFirstThunk;
            item["FirstThunk"] = d.FirstThunk;
            item["ForwarderChain"] = d.ForwarderChain;
            item["TimeDateStamp"] = Stamp(d.TimeDateStamp);
        }
        list.push_back(std::move(item));
    }
    return list;
}

Json LoadedImageJson(const tv::LOADED_IMAGE& li) {
    Json out = Json::object();
    out["hFile"] = li.hFile;
    out["MappedAddress"] = li.MappedAddress;
    out["FileHeader"] = li.FileHeader;
    out["LastRvaSection"] = li.LastRvaSection;
    out["Sections"] = li.Sections;
    out["NumberOfSections"] = li.NumberOfSections;
    out["Characteristics"] = li.Characteristics;
    out["fSystemImage"] = li.fSystemImage;
    out["fDOSImage"] = li.fDOSImage;
    out["SizeOfImage"] = li.SizeOfImage;
    out["Links"] = Json{{"Blink", li.Links.Blink}, {"Flink", li.Links.Flink}};
    return out;
}

Json DosHeaderJson(const tv::DosHeader& d) {
    Json out = Json::object();
    out["e_magic"] = d.e_magic;
    // The report stops after e_magic when it is not "MZ"; so does this.
    if (d.e_magic != tv::kDosMagic) return out;
    out["e_cp"] = d.e_cp;
    out["e_cblp"] = d.e_cblp;
    out["e_crlc"] = d.e_crlc;
    out["e_cparhdr"] = d.e_cparhdr;
    out["e_minalloc"] = d.e_minalloc;
    out["e_maxalloc"] = d.e_maxalloc;
    out["e_csum"] = d.e_csum;
    out["e_ss"] = d.e_ss;
    out["e_sp"] = d.e_sp;
    out["e_ip"] = d.e_ip;
    out["e_cs"] = d.e_cs;
    out["e_lfarlc"] = d.e_lfarlc;
    out["e_res"] = d.e_res;
    out["e_ovno"] = d.e_ovno;
    out["e_oemid"] = d.e_oemid;
    out["e_oeminfo"] = d.e_oeminfo;
    out["e_res2"] = d.e_res2;
    out["e_lfanew"] = d.e_lfanew;
    return out;
}

Json OptionalHeaderJson(const tv::OptionalHeader& o) {
    Json out = Json::object();
    out["layout"] = o.Is64() ? "IMAGE_OPTIONAL_HEADER64" : "IMAGE_OPTIONAL_HEADER32";
    out["Magic"] = o.Magic;
    out["MajorLinkerVersion"] = o.MajorLinkerVersion;
    out["MinorLinkerVersion"] = o.MinorLinkerVersion;
    out["SizeOfCode"] = o.SizeOfCode;
    out["SizeOfInitializedData"] = o.SizeOfInitializedData;
    out["SizeOfUninitializedData"] = o.SizeOfUninitializedData;
    out["AddressOfEntryPoint"] = o.AddressOfEntryPoint;
    out["BaseOfCode"] = o.BaseOfCode;
    if (!o.Is64()) out["BaseOfData"] = o.BaseOfData;
    out["ImageBase"] = o.ImageBase;
    out["SectionAlignment"] = o.SectionAlignment;
    out["FileAlignment"] = o.FileAlignment;
    out["MajorOperatingSystemVersion"] = o.MajorOperatingSystemVersion;
    out["MinorOperatingSystemVersion"] = o.MinorOperatingSystemVersion;
    out["MajorImageVersion"] = o.MajorImageVersion;
    out["MinorImageVersion"] = o.MinorImageVersion;
    out["MajorSubsystemVersion"] = o.MajorSubsystemVersion;
    out["MinorSubsystemVersion"] = o.MinorSubsystemVersion;
    out["Win32VersionValue"] = o.Win32VersionValue;
    out["SizeOfImage"] = o.SizeOfImage;
    out["SizeOfHeaders"] = o.SizeOfHeaders;
    out["CheckSum"] = o.CheckSum;
    out["Subsystem"] = NamedValue(o.Subsystem, tv::SubsystemName(o.Subsystem));
    out["DllCharacteristics"] = o.DllCharacteristics;
    out["SizeOfStackReserve"] = o.SizeOfStackReserve;
    out["SizeOfStackCommit"] = o.SizeOfStackCommit;
    out["SizeOfHeapReserve"] = o.SizeOfHeapReserve;
    out["SizeOfHeapCommit"] = o.SizeOfHeapCommit;
    out["LoaderFlags"] = o.LoaderFlags;
    out["NumberOfRvaAndSizes"] = o.NumberOfRvaAndSizes;
    return out;
}

// The export directory's Name as the report shows it.
std::string ExportNameText(const tv::CPeFile& pe, uint32_t rva) {
    if (rva == 0) return "?";
    const auto name = pe.StringAtRva(rva);
    if (!name) return "? [" + tv::HexText(rva) + "]";
    return tv::ModuleStringText(name->bytes) + (name->cut ? "\xE2\x80\xA6" : "");
}

Json ExportDirectoryJson(const CModuleImage& image, const tv::CPeFile& pe) {
    const auto directory = image.GetExportDirectory();
    if (!directory) return Json();
    const tv::ExportDirectory& d = *directory;
    Json out = Json::object();
    out["Characteristics"] = d.Characteristics;
    out["TimeDateStamp"] = Stamp(d.TimeDateStamp);
    out["MajorVersion"] = d.MajorVersion;
    out["MinorVersion"] = d.MinorVersion;
    out["Name"] = tv::cli::ValueText(d.Name, ExportNameText(pe, d.Name));
    out["Base"] = d.Base;
    out["NumberOfFunctions"] = d.NumberOfFunctions;
    out["NumberOfNames"] = d.NumberOfNames;
    return out;
}

Json DataDirectoryJson(const CModuleImage& image, size_t index) {
    const tv::DataDirectoryEntry* entry = image.GetDataDirectory(index);
    if (!entry) return Json();
    return Json{{"VirtualAddress", entry->VirtualAddress}, {"Size", entry->Size}};
}

// What the full display shows above the lists, typed.
Json FullHeadersJson(const CModuleImage& image, const tv::CPeFile& pe) {
    Json out = Json::object();
    out["LOADED_IMAGE"] = LoadedImageJson(*image.GetLoadedImage());
    out["IMAGE_DOS_HEADER"] = DosHeaderJson(pe.Dos());
    const tv::FileHeader& f = pe.File();
    Json file = Json::object();
    file["Machine"] = NamedValue(f.Machine, tv::MachineName(f.Machine));
    file["NumberOfSections"] = f.NumberOfSections;
    file["TimeDateStamp"] = Stamp(f.TimeDateStamp);
    file["NumberOfSymbols"] = f.NumberOfSymbols;
    file["SizeOfOptionalHeader"] = f.SizeOfOptionalHeader;
    file["Characteristics"] = Characteristics(f.Characteristics);
    Json nt = Json::object();
    const uint32_t signature = pe.View().U32(pe.NtHeadersOffset()).value_or(0);
    nt["Signature"] = tv::cli::ValueText(signature, tv::SignatureText(signature));
    nt["FileHeader"] = std::move(file);
    nt["OptionalHeader"] = OptionalHeaderJson(pe.Optional());
    Json directories = Json::object();
    Json exportEntry = DataDirectoryJson(image, tv::kDirExport);
    if (exportEntry.is_object() && exportEntry["VirtualAddress"] != 0)
        exportEntry["IMAGE_EXPORT_DIRECTORY"] = ExportDirectoryJson(image, pe);
    directories["export"] = std::move(exportEntry);
    directories["import"] = DataDirectoryJson(image, tv::kDirImport);
    nt["DataDirectory"] = std::move(directories);
    out["IMAGE_NT_HEADERS"] = std::move(nt);
    return out;
}

Json HeadersJson(const std::string& file, const CModuleImage& image,
                 const tv::CHeadersReport& report, const tv::CReportTree& tree, bool full) {
    Json doc = tv::cli::JsonDocument("headers");
    doc["file"] = file;
    doc["display"] = full ? "full" : "summary";
    doc["module"] = image.GetLoadedImage()->ModuleName;
    const tv::CPeFile* pe = image.GetNtHeaders();
    if (pe != nullptr) {
        const uint16_t magic = pe->Dos().e_magic;
        doc["dos_magic"] = magic;
        const uint32_t signature = pe->View().U32(pe->NtHeadersOffset()).value_or(0);
        doc["signature"] = tv::cli::ValueText(signature, tv::SignatureText(signature));
        doc["machine"] = NamedValue(pe->File().Machine, tv::MachineName(pe->File().Machine));
        doc["subsystem"] =
            NamedValue(pe->Optional().Subsystem, tv::SubsystemName(pe->Optional().Subsystem));
        doc["characteristics"] = Characteristics(pe->File().Characteristics);
    }
    doc["exports"] = ExportsJson(report.Exports());
    doc["imports"] = ImportsJson(report.Imports(), full);
    if (full && pe != nullptr) doc["headers"] = FullHeadersJson(image, *pe);
    doc["tree"] = tv::cli::ReportTreeJson(tree);
    doc["notes"] = tv::cli::NotesJson(report.Notes());
    return doc;
}

int Run(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    const bool json = tv::cli::TakeJsonFlag(args);
    bool full = false;
    std::string file;
    bool haveFile = false;
    for (const auto& arg : args) {
        if (arg == "--full") {
            full = true;
        } else if (!haveFile && (arg.empty() || arg[0] != '-' || arg == "-")) {
            file = arg;
            haveFile = true;
        } else {
            return tv::cli::UsageError("headers");
        }
    }
    if (!haveFile) return tv::cli::UsageError("headers");

    const std::string path = tv::cli::ModulePathArgument(file);

    CModuleImage image;
    if (!image.Load(path))
        return tv::cli::Fail(tv::ModuleLoadErrorMessage(image.GetErrorCode(), file));

    tv::CReportTree tree;
    tv::CHeadersReport report(image, tree);
    report.SetPkcs7Decoder(&tv::DefaultPkcs7Decoder());
    report.Fill(full ? tv::HeadersDisplay::Full : tv::HeadersDisplay::Summary);
    if (json) {
        tv::cli::PrintJson(HeadersJson(file, image, report, tree, full));
        return 0;
    }
    const std::string text = tree.Render();
    std::fwrite(text.data(), 1, text.size(), stdout);
    // The notes once more on standard error, one a line, for scripts that watch for damage.
    for (const tv::ModuleNote& note : report.Notes())
        std::fprintf(stderr, "%s\n", tv::NoteText(note).c_str());
    return 0;
}

}  // namespace

TV_CLI_COMMAND(headers, "[--full] [--json] FILE",
               "Print the module's headers, exports and imported libraries as a tree.", &Run);
