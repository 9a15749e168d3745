#include "module/LanguageNames.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace tv {

namespace {

struct LanguageEntry {
    uint16_t id;
    std::string_view name;
};

// Sorted by identifier for a binary search.
constexpr std::array kLanguages = {
    LanguageEntry{0x0000, "Sprachneutral"},
    LanguageEntry{0x007F, "Invariante Sprache"},
    LanguageEntry{0x0400, "Standardsprache des Benutzers"},
    LanguageEntry{0x0401, "Arabisch (Saudi-Arabien)"},
    LanguageEntry{0x0402, "Bulgarisch (Bulgarien)"},
    LanguageEntry{0x0403, "Katalanisch (Spanien)"},
    LanguageEntry{0x0404, "Chinesisch (Taiwan)"},
    LanguageEntry{0x0405, "Tschechisch (Tschechien)"},
    LanguageEntry{0x0406, "Dänisch (Dänemark)"},
    LanguageEntry{0x0407, "Deutsch (Deutschland)"},
    LanguageEntry{0x0408, "Griechisch (Griechenland)"},
    LanguageEntry{0x0409, "Englisch (USA)"},
    LanguageEntry{0x040A, "Spanisch (Spanien, traditionelle Sortierung)"},
    LanguageEntry{0x040B, "Finnisch (Finnland)"},
    LanguageEntry{0x040C, "Französisch (Frankreich)"},
    LanguageEntry{0x040D, "Hebräisch (Israel)"},
    LanguageEntry{0x040E, "Ungarisch (Ungarn)"},
    LanguageEntry{0x040F, "Isländisch (Island)"},
    LanguageEntry{0x0410, "Italienisch (Italien)"},
    LanguageEntry{0x0411, "Japanisch (Japan)"},
    LanguageEntry{0x0412, "Koreanisch (Korea)"},
    LanguageEntry{0x0413, "Niederländisch (Niederlande)"},
    LanguageEntry{0x0414, "Norwegisch, Bokmål (Norwegen)"},
    LanguageEntry{0x0415, "Polnisch (Polen)"},
    LanguageEntry{0x0416, "Portugiesisch (Brasilien)"},
    LanguageEntry{0x0417, "Rätoromanisch (Schweiz)"},
    LanguageEntry{0x0418, "Rumänisch (Rumänien)"},
    LanguageEntry{0x0419, "Russisch (Russland)"},
    LanguageEntry{0x041A, "Kroatisch (Kroatien)"},
    LanguageEntry{0x041B, "Slowakisch (Slowakei)"},
    LanguageEntry{0x041C, "Albanisch (Albanien)"},
    LanguageEntry{0x041D, "Schwedisch (Schweden)"},
    LanguageEntry{0x041E, "Thailändisch (Thailand)"},
    LanguageEntry{0x041F, "Türkisch (Türkei)"},
    LanguageEntry{0x0420, "Urdu (Pakistan)"},
    LanguageEntry{0x0421, "Indonesisch (Indonesien)"},
    LanguageEntry{0x0422, "Ukrainisch (Ukraine)"},
    LanguageEntry{0x0423, "Belarussisch (Belarus)"},
    LanguageEntry{0x0424, "Slowenisch (Slowenien)"},
    LanguageEntry{0x0425, "Estnisch (Estland)"},
    LanguageEntry{0x0426, "Lettisch (Lettland)"},
    LanguageEntry{0x0427, "Litauisch (Litauen)"},
    LanguageEntry{0x0428, "Tadschikisch (Tadschikistan)"},
    LanguageEntry{0x0429, "Persisch (Iran)"},
    LanguageEntry{0x042A, "Vietnamesisch (Vietnam)"},
    LanguageEntry{0x042B, "Armenisch (Armenien)"},
    LanguageEntry{0x042C, "Aserbaidschanisch (lateinisch, Aserbaidschan)"},
    LanguageEntry{0x042D, "Baskisch (Spanien)"},
    LanguageEntry{0x042E, "Sorbisch (Deutschland)"},
    LanguageEntry{0x042F, "Mazedonisch (Nordmazedonien)"},
    LanguageEntry{0x0436, "Afrikaans (Südafrika)"},
    LanguageEntry{0x0437, "Georgisch (Georgien)"},
    LanguageEntry{0x0438, "Färöisch (Färöer)"},
    LanguageEntry{0x0439, "Hindi (Indien)"},
    LanguageEntry{0x043A, "Maltesisch (Malta)"},
    LanguageEntry{0x043E, "Malaiisch (Malaysia)"},
    LanguageEntry{0x043F, "Kasachisch (Kasachstan)"},
    LanguageEntry{0x0440, "Kirgisisch (Kirgisistan)"},
    LanguageEntry{0x0441, "Suaheli (Kenia)"},
    LanguageEntry{0x0443, "Usbekisch (lateinisch, Usbekistan)"},
    LanguageEntry{0x0444, "Tatarisch (Russland)"},
    LanguageEntry{0x0445, "Bengalisch (Indien)"},
    LanguageEntry{0x0446, "Pandschabi (Indien)"},
    LanguageEntry{0x0447, "Gujarati (Indien)"},
    LanguageEntry{0x0449, "Tamilisch (Indien)"},
    LanguageEntry{0x044A, "Telugu (Indien)"},
    LanguageEntry{0x044B, "Kannada (Indien)"},
    LanguageEntry{0x044E, "Marathi (Indien)"},
    LanguageEntry{0x0450, "Mongolisch (kyrillisch, Mongolei)"},
    LanguageEntry{0x0452, "Walisisch (Großbritannien)"},
    LanguageEntry{0x0456, "Galicisch (Spanien)"},
    LanguageEntry{0x0462, "Friesisch (Niederlande)"},
    LanguageEntry{0x046E, "Luxemburgisch (Luxemburg)"},
    LanguageEntry{0x0800, "Standardsprache des Systems"},
    LanguageEntry{0x0801, "Arabisch (Irak)"},
    LanguageEntry{0x0804, "Chinesisch (Volksrepublik China)"},
    LanguageEntry{0x0807, "Deutsch (Schweiz)"},
    LanguageEntry{0x0809, "Englisch (Großbritannien)"},
    LanguageEntry{0x080A, "Spanisch (Mexiko)"},
    LanguageEntry{0x080C, "Französisch (Belgien)"},
    LanguageEntry{0x0810, "Italienisch (Schweiz)"},
    LanguageEntry{0x0813, "Niederländisch (Belgien)"},
    LanguageEntry{0x0814, "Norwegisch, Nynorsk (Norwegen)"},
    LanguageEntry{0x0816, "Portugiesisch (Portugal)"},
    LanguageEntry{0x081A, "Serbisch (lateinisch)"},
    LanguageEntry{0x081D, "Schwedisch (Finnland)"},
    LanguageEntry{0x082C, "Aserbaidschanisch (kyrillisch, Aserbaidschan)"},
    LanguageEntry{0x083C, "Irisch (Irland)"},
    LanguageEntry{0x083E, "Malaiisch (Brunei)"},
    LanguageEntry{0x0843, "Usbekisch (kyrillisch, Usbekistan)"},
    LanguageEntry{0x0C01, "Arabisch (Ägypten)"},
    LanguageEntry{0x0C04, "Chinesisch (Hongkong)"},
    LanguageEntry{0x0C07, "Deutsch (Österreich)"},
    LanguageEntry{0x0C09, "Englisch (Australien)"},
    LanguageEntry{0x0C0A, "Spanisch (Spanien, internationale Sortierung)"},
    LanguageEntry{0x0C0C, "Französisch (Kanada)"},
    LanguageEntry{0x0C1A, "Serbisch (kyrillisch)"},
    LanguageEntry{0x1001, "Arabisch (Libyen)"},
    LanguageEntry{0x1004, "Chinesisch (Singapur)"},
    LanguageEntry{0x1007, "Deutsch (Luxemburg)"},
    LanguageEntry{0x1009, "Englisch (Kanada)"},
    LanguageEntry{0x100A, "Spanisch (Guatemala)"},
    LanguageEntry{0x100C, "Französisch (Schweiz)"},
    LanguageEntry{0x101A, "Kroatisch (Bosnien und Herzegowina)"},
    LanguageEntry{0x1401, "Arabisch (Algerien)"},
    LanguageEntry{0x1404, "Chinesisch (Macau)"},
    LanguageEntry{0x1407, "Deutsch (Liechtenstein)"},
    LanguageEntry{0x1409, "Englisch (Neuseeland)"},
    LanguageEntry{0x140A, "Spanisch (Costa Rica)"},
    LanguageEntry{0x140C, "Französisch (Luxemburg)"},
    LanguageEntry{0x141A, "Bosnisch (lateinisch, Bosnien und Herzegowina)"},
    LanguageEntry{0x1801, "Arabisch (Marokko)"},
    LanguageEntry{0x1809, "Englisch (Irland)"},
    LanguageEntry{0x180A, "Spanisch (Panama)"},
    LanguageEntry{0x180C, "Französisch (Monaco)"},
    LanguageEntry{0x1C01, "Arabisch (Tunesien)"},
    LanguageEntry{0x1C09, "Englisch (Südafrika)"},
    LanguageEntry{0x1C0A, "Spanisch (Dominikanische Republik)"},
    LanguageEntry{0x2001, "Arabisch (Oman)"},
    LanguageEntry{0x2009, "Englisch (Jamaika)"},
    LanguageEntry{0x200A, "Spanisch (Venezuela)"},
    LanguageEntry{0x2401, "Arabisch (Jemen)"},
    LanguageEntry{0x2409, "Englisch (Karibik)"},
    LanguageEntry{0x240A, "Spanisch (Kolumbien)"},
    LanguageEntry{0x2801, "Arabisch (Syrien)"},
    LanguageEntry{0x2809, "Englisch (Belize)"},
    LanguageEntry{0x280A, "Spanisch (Peru)"},
    LanguageEntry{0x2C01, "Arabisch (Jordanien)"},
    LanguageEntry{0x2C09, "Englisch (Trinidad und Tobago)"},
    LanguageEntry{0x2C0A, "Spanisch (Argentinien)"},
    LanguageEntry{0x3001, "Arabisch (Libanon)"},
    LanguageEntry{0x3009, "Englisch (Simbabwe)"},
    LanguageEntry{0x300A, "Spanisch (Ecuador)"},
    LanguageEntry{0x3401, "Arabisch (Kuwait)"},
    LanguageEntry{0x3409, "Englisch (Philippinen)"},
    LanguageEntry{0x340A, "Spanisch (Chile)"},
    LanguageEntry{0x3801, "Arabisch (Vereinigte Arabische Emirate)"},
    LanguageEntry{0x380A, "Spanisch (Uruguay)"},
    LanguageEntry{0x3C01, "Arabisch (Bahrain)"},
    LanguageEntry{0x3C0A, "Spanisch (Paraguay)"},
    LanguageEntry{0x4001, "Arabisch (Katar)"},
    LanguageEntry{0x4009, "Englisch (Indien)"},
    LanguageEntry{0x400A, "Spanisch (Bolivien)"},
    LanguageEntry{0x4409, "Englisch (Malaysia)"},
    LanguageEntry{0x440A, "Spanisch (El Salvador)"},
    LanguageEntry{0x4809, "Englisch (Singapur)"},
    LanguageEntry{0x480A, "Spanisch (Honduras)"},
    LanguageEntry{0x4C0A, "Spanisch (Nicaragua)"},
    LanguageEntry{0x500A, "Spanisch (Puerto Rico)"},
};

static_assert(std::is_sorted(kLanguages.begin(), kLanguages.end(),
                             [](const LanguageEntry& a, const LanguageEntry& b) {
                                 return a.id < b.id;
                             }) &&
                  std::adjacent_find(kLanguages.begin(), kLanguages.end(),
                                     [](const LanguageEntry& a, const LanguageEntry& b) {
                                         return a.id == b.id;
                                     }) == kLanguages.end(),
              "language table must be sorted by identifier, without duplicates");

}  // namespace

std::string_view FindLanguageName(uint16_t language) noexcept {
    const auto at =
        std::lower_bound(kLanguages.begin(), kLanguages.end(), language,
                         [](const LanguageEntry& entry, uint16_t id) { return entry.id < id; });
    return at != kLanguages.end() && at->id == language ? at->name : std::string_view();
}

std::string LanguageName(uint16_t language) {
    if (const std::string_view name = FindLanguageName(language); !name.empty())
        return std::string(name);
    char text[24];
    std::snprintf(text, sizeof text, "Sprache 0x%04x", static_cast<unsigned>(language));
    return text;
}

}  // namespace tv
