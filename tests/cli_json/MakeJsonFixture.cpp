// Writes the module the --json tests read beside the CLI fixture: a PE32+ DLL whose exports,
// imports and resources hold what a JSON encoder trips over or a script has to tell apart: an
// export by ordinal only, a forwarder, an 8-bit name that is not UTF-8, a library name that is
// neither UTF-8 nor printable as it is, resource names beyond ASCII and one with an unpaired
// surrogate, strings with escapes, and a version resource with two translations.
#include <fstream>
#include <iostream>

#include "support/PeBuilder.h"
#include "support/ResourceBuilders.h"

using namespace tvtest;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_json_fixture OUT\n";
        return 2;
    }
    const auto version = VersionInfoBuilder()
                             .FileVersion(1, 2, 3, 4)
                             .ProductVersion(5, 6, 7, 8)
                             .StringTable(0x0409, 1200)
                             .Value("FileDescription", "JSON fixture")
                             .Value("CompanyName", "Tarnview \"Test\"")
                             .StringTable(0x0407, 1252)
                             .Value("FileDescription", "JSON-Testmodul")
                             .Translation(0x0409, 1200)
                             .Translation(0x0407, 1252)
                             .Build();
    const auto bytes =
        PeBuilder::Pe32Plus()
            .Dll()
            .TimeDateStamp(0x5F000000)
            .AddSection(".text", pe::kTextSection, {0xC3})
            .ExportDllName("json.dll")
            .Export(1, "Alpha", 0x1000)
            .Export(2, "", 0x1000)  // by ordinal only
            .Export(3, "Caf\xE9", 0x1000)
            .ExportForwarder(4, "Fwd", "NTDLL.RtlOther")
            .AddImport("KERNEL32.dll", {"GetTickCount", ImportFunction::ByOrdinal(7)})
            .AddImport("lib\xFF\x01.dll", {"Odd"})
            .AddResource(6, 1, 0x0409,
                         StringBlock({"Quote \" and \\", "Tab\tand\nline", "Euro \xE2\x82\xAC"}))
            .AddResource(u"MYTYPE", u"\u03A9mega", 0x0409, {1, 2, 3, 4})
            .AddResource(u"MYTYPE", std::u16string(u"bad\xD800"), 0x0409, {5})
            .AddResource(16, 1, 0x0409, version)
            .Build();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
