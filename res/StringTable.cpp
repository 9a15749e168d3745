#include "res/StringTable.h"

#include <algorithm>
#include <iterator>

namespace tv {

namespace {

// Sorted by id without duplicates (checked below); looked up by binary search. Texts are UTF-8.
// Command prompts hold the status-bar text, a line feed and the tooltip text.
constexpr StringResource kStrings[] = {
    // Application start-up: OLE failure message and the document template's string.
    {100,
     "OLE Initialisierung fehlgeschlagen. Stellen sie sicher, dass die richtige Version der OLE "
     "Bibliotheken benutzt wird."},
    {128, "Tarnview\n\nTarnv\n\n\nTarnview.Document\nTarnv Document"},

    // Messages: settings, module loading, dialog previews, saving resources, the start path.
    {1000, "Beim Zugriff auf die Windows Registry ist ein Fehler aufgetreten."},
    {1001, "Beim Lesen der Erweiterungsliste ist ein Fehler aufgetreten."},
    {1002, "Modul %s kann nicht geladen werden."},
    {1003, "An error occurred while loading the dialog box from resource file"},
    {1004, "An error occurred while saving the string table in a external file\n%s"},
    {1005, "An error occurred while saving the bitmap in a external file\n%s"},
    {1006, "An error occurred while saving the resource in a external file\n%s"},
    {1007, "Can't set the path\n%s"},

    // Module list: column headers of the details, version and resource views.
    {2000, "Name"},
    {2001, "Größe"},
    {2002, "Modultyp"},
    {2003, "Attribute"},
    {2004, "Creation date"},
    {2005, "Geändert"},
    {2006, "Letzter Zugriff"},
    {2007, "Version"},
    {2008, "Beschreibung"},
    {2009, "Copyright"},
    {2010, "Bitmap"},
    {2011, "Dialoge"},
    {2012, "Zeiger"},
    {2013, "Symbol"},
    {2014, "Menüs"},
    {2015, "Stringtabellen"},
    {2016, "Sonstiges"},

    // Truth values, the strftime format of file times, the raw data page's default file name.
    {2017, "WAHR"},
    {2018, "FALSCH"},
    {2019, "%d.%m.%Y %H:%M:%S"},
    {2020, "Resource"},

    // Headers window, summary display.
    {2032, "Exportierte Funktionen"},
    {2033, "Importierte Bibliotheken"},
    {2034, "DOS Signatur: 0x%02x [%c%c]"},
    {2035, "Unbekannte Signatur: 0x%02x [%c%c]"},
    {2036, "NT Signatur:"},
    {2037, "Maschine:"},
    {2038, "Charakteristik"},
    {2039, "Subsystem:"},

    // Resources window: root of the tree and the display names of the resource types.
    {2048, "Modul"},
    {2049, "Accelerator"},
    {2050, "Bitmap"},
    {2051, "Dialoge"},
    {2052, "Zeiger"},
    {2053, "Symbol"},
    {2054, "Menüs"},
    {2055, "Stringtabellen"},
    {2056, "Version"},
    {2062, "Gruppensymbole"},
    {2063, "Gruppenzeiger"},
    {2064, "Animierter Zeiger"},
    {2065, "Animiertes Symbol"},
    {2066, "Zeichensatz"},
    {2067, "Zeichensatz Verzeichnis"},
    {2068, "HTML Dokument"},
    {2069, "Nachrichtentabelle"},
    {2070, "Rohdaten"},
    {2071, "Werkzeugleiste"},
    {2072, "<Unbekannt>"},

    // String table page: column headers and the count line.
    {2073, "ID"},
    {2074, "Text"},
    {2075, "%u String(s)"},
    {2076, "%s bytes (~%s Kb)"},

    // Information page: labels of the module and type statistics.
    {2077, "Modulstatistik"},
    {2078, "Anzahl Ressourcen"},
    {2079, "Ressourcetypen"},
    {2080, "Größe auf Datenträger"},
    {2081, "Ressourcetyp"},

    // Version labels: the fixed-information fields, then the string values, then the language.
    {2082, "Dateiversion (Header)"},
    {2083, "Produktversion (Header)"},
    {2084, "Dateiattribut Maske"},
    {2085, "Dateiattribute"},
    {2086, "Erforderliches Betriebssystem"},
    {2087, "Dateityp"},
    {2088, "Datei Subtyp"},
    {2089, "Datei erstellt am"},
    {2090, "Produktname"},
    {2091, "Produktversion"},
    {2092, "Interner Name"},
    {2093, "Original Dateiname"},
    {2094, "Dateibeschreibung"},
    {2095, "Dateiversion"},
    {2096, "Kommentare"},
    {2097, "Hersteller"},
    {2098, "Copyright"},
    {2099, "Warenzeichen"},
    {2100, "Private Build Nr."},
    {2101, "Spezielle Build Nr."},
    {2102, "Sprache"},

    // Save dialogs: filter pieces, joined by the pages in their own order.
    {3000, "All Files (*.*)|*.*|"},
    {3001, "Resource files (*.rc)|*.rc|"},
    {3002, "Text files (*.txt)|*.txt|"},
    {3003, "Bitmaps (*.bmp)|*.bmp|"},
    {3004, "Binary data (*.bin)|*.bin|"},

    // Main window commands: view modes, navigation, module commands, information.
    {32771, "Zeigt zu jedem Modul Versionsinformationen an.\nVersionsdetails"},
    {32772, "Zeigt zu jedem Modul Reccourceinformationen an.\nRessourcedetails"},
    {32773, "Zwischen verschiedenen Ansichten umschalten.\nAnsichten"},
    {32774, "Einstellungen ändern.\nEinstellungen"},
    {32775, "Zeigt die Eigenschaften des ausgewählten Moduls.\nEigenschaften"},
    {32776, "Zeigt die Ressourcen des ausgewählten Moduls.\nRessourcen"},
    {32777, "Zeigt die Köpfe des ausgewählten Moduls.\nKöpfe"},
    {32778, "Zeigt Informationen zur Shell.\nShell Information"},
    {32779, "Zeigt Informationen über Windows an.\nInfo über Windows"},
    {32780, "Geht zur vorherigen Seite\nZurück"},
    {32781, "Geht zur nächsten Seite\nVorwärts"},
    {32782, "Gehe zum übergeordneten Ordner\nÜbergeordneter Ordner"},
    {32785, "Teilbaum erweitern\nErweitern"},
    {32786, "Teilbaum reduzieren\nReduzieren"},

    // Headers window toolbar: the display mode switch.
    {32792, "Wechselt zwischen der Übersicht und der Anzeige aller Felder.\nVollständige Anzeige"},

    // Folder commands of the tree and the list.
    {32796, "Ausgewähltes Verzeichnis durchsuchen\nDurchsuchen"},

    // Toolbars of the resource pages; these are their own tooltips.
    {32802, "Testdialog"},
    {32805, "Save as..."},
    {32806, "Hexadecimal display"},

    // Main window: refresh.
    {32808, "Refreshes the view contents\nRefresh"},

    // Raw data page: the text form instead of the dump.
    {32809, "Zeigt die Ressource als Text oder Ressourcenskript statt als Bytes\nAls Text"},

    // Application title and the status bar's idle text.
    {57344, "Tarnview"},
    {57345, "Bereit"},

    // Standard commands of the menus and the main toolbar: open, print, edit, window, about, exit.
    {57601, "Ausgewähltes Verzeichnis öffnen\nÖffnen"},
    {57607, "Druckt den Inhalt des aktiven Fensters.\nDrucken"},
    {57634, "Kopiert die Markierung in die Zwischenablage.\nKopieren"},
    {57635, "Entfernt die Markierung und legt sie in die Zwischenablage.\nAusschneiden"},
    {57637, "Fügt den Inhalt der Zwischenablage ein.\nEinfügen"},
    {57643, "Nimmt die letzte Änderung zurück.\nRückgängig"},
    {57653, "Verschiebt die Trennlinie zwischen Ordnerbaum und Modulliste.\nFenster teilen"},
    {57664, "Zeigt Version, Hersteller und Copyright von Tarnview.\nInfo zu Tarnview"},
    {57665, "Schließt Tarnview mit allen Modulfenstern.\nBeenden"},
    {57680, "Wechselt in den nächsten Fensterbereich.\nNächster Bereich"},
    {57681, "Wechselt in den vorigen Fensterbereich.\nVoriger Bereich"},

    // Status bar indicators.
    {59137, "CAP"},
    {59138, "NUM"},
    {59139, "SCRL"},

    // Main window: showing or hiding the toolbar and the status bar.
    {59392, "Blendet die Werkzeugleiste ein oder aus.\nWerkzeugleiste ein/aus"},
    {59393, "Blendet die Statusleiste ein oder aus.\nStatusleiste ein/aus"},

    // Module list view modes.
    {59408, "Einträge als kleine Symbole darstellen.\nKleine Symbole"},
    {59409, "Einträge als große Symbole darstellen.\nGroße Symbole"},
    {59410, "Einträge als Liste darstellen.\nListe"},
    {59411, "Grundsätzliche Informationen über die Module anzeigen.\nDetails"},

    // File errors of the file classes, one per cause in cause order; %1 is the file name.
    {61856, "Bei der Datei %1 ist ein unerwarteter Fehler aufgetreten."},
    {61857, "Beim Zugriff auf %1 ist ein Fehler aufgetreten."},
    {61858, "Die Datei %1 wurde nicht gefunden."},
    {61859, "Der Pfad von %1 ist ungültig oder enthält einen Ordner, den es nicht gibt."},
    {61860, "%1 kann nicht geöffnet werden, weil zu viele Dateien offen sind."},
    {61861, "Der Zugriff auf %1 wurde verweigert."},
    {61862, "Die Datei %1 ist ungültig oder nicht geöffnet."},
    {61863, "%1 ist das aktuelle Verzeichnis und kann nicht entfernt werden."},
    {61864, "%1 kann nicht angelegt werden, weil das Verzeichnis keine weiteren Einträge fasst."},
    {61865, "Die Lese- oder Schreibposition in %1 lässt sich nicht setzen."},
    {61866, "Beim Lesen oder Schreiben von %1 hat das Gerät einen Fehler gemeldet."},
    {61867, "Auf %1 kann nicht zugegriffen werden, weil ein anderes Programm die Datei belegt."},
    {61868, "Auf %1 kann nicht zugegriffen werden, weil ein Teil der Datei gesperrt ist."},
    {61869, "%1 kann nicht geschrieben werden, weil der Datenträger voll ist."},
    {61870, "Beim Lesen von %1 wurde das Ende der Datei unerwartet erreicht."},
};

constexpr bool IsSortedAndUnique() {
    for (std::size_t i = 1; i < std::size(kStrings); ++i) {
        if (kStrings[i - 1].id >= kStrings[i].id) return false;
    }
    return true;
}
static_assert(IsSortedAndUnique(), "kStrings must be sorted by id without duplicates");

}  // namespace

std::string_view LoadString(uint32_t id) noexcept {
    const auto* end = std::end(kStrings);
    const auto* it =
        std::lower_bound(std::begin(kStrings), end, id,
                         [](const StringResource& e, uint32_t key) { return e.id < key; });
    return it != end && it->id == id ? it->text : std::string_view();
}

bool HasString(uint32_t id) noexcept { return !LoadString(id).empty(); }

std::string_view PromptText(uint32_t id) noexcept {
    const auto text = LoadString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view TooltipText(uint32_t id) noexcept {
    const auto text = LoadString(id);
    const auto lf = text.find('\n');
    return lf == std::string_view::npos ? text : text.substr(lf + 1);
}

std::string FormatStringResource(uint32_t id, std::initializer_list<std::string_view> args) {
    const auto format = LoadString(id);
    std::string out;
    out.reserve(format.size());
    const auto* arg = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '%' && i + 1 < format.size()) {
            const char next = format[i + 1];
            if (next == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (next == 's' && arg != args.end()) {
                out += *arg++;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::span<const StringResource> AllStrings() noexcept { return kStrings; }

}  // namespace tv
