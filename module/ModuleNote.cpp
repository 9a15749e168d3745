#include "module/ModuleNote.h"

#include <algorithm>
#include <cstdio>

namespace tv {

namespace {

std::string Dec(uint64_t value) { return std::to_string(value); }

std::string Hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

// The report shows table addresses eight digits wide, as its own lines do.
std::string Hex8(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%08llx", static_cast<unsigned long long>(value));
    return text;
}

}  // namespace

std::string NoteText(const ModuleNote& n) {
    const std::string& w = n.where;
    switch (n.kind) {
        case NoteKind::kOptionalHeaderCut:
            return "Der optionale Kopf wird vom Dateiende abgeschnitten.";
        case NoteKind::kOptionalHeaderTooSmall:
            return "SizeOfOptionalHeader (" + Dec(n.a) + ") ist kleiner als der optionale Kopf (" +
                   Dec(n.b) + " Bytes); die Abschnittstabelle überlappt ihn.";
        case NoteKind::kSectionTableCut:
            return "Die Abschnittstabelle wird vom Dateiende abgeschnitten (" + Dec(n.a) + " von " +
                   Dec(n.b) + " Einträgen).";
        case NoteKind::kFunctionTableOutside:
            return "Die Funktionstabelle (" + Hex8(n.a) + ") liegt in keinem Abschnitt.";
        case NoteKind::kListCut:
            return "Die Liste wurde nach " + Dec(n.a) + " Einträgen abgebrochen.";
        case NoteKind::kFunctionsCut:
            return "Nur " + Dec(n.a) + " von " + Dec(n.b) +
                   " Funktionseinträgen liegen in der Datei.";
        case NoteKind::kNamesCut:
            return "Nur " + Dec(n.a) + " von " + Dec(n.b) + " Namen liegen in der Datei.";
        case NoteKind::kNamesWithoutFunction:
            return Dec(n.a) + " Namen verweisen auf keine Funktion.";
        case NoteKind::kImportDirectoryCut:
            return "Das Importverzeichnis endet nach " + Dec(n.a) +
                   " Einträgen mit den Daten seines Abschnitts.";
        case NoteKind::kResourceRootOutside:
            return "Das Ressourcenverzeichnis bei RVA " + Hex(n.a) +
                   " liegt in keinem Abschnitt der Datei";
        case NoteKind::kEntryPointsToData:
            return w + " zeigt auf Daten statt auf ein Verzeichnis; übersprungen";
        case NoteKind::kEntryPointsToRoot:
            return w + " zeigt zurück auf das Stammverzeichnis; nicht erneut gelesen";
        case NoteKind::kEntryPointsToParent:
            return w + " zeigt zurück auf ein umgebendes Verzeichnis; nicht erneut gelesen";
        case NoteKind::kNotALanguage:
            return w + " ist keine Sprachnummer; übersprungen";
        case NoteKind::kLanguageIsDirectory:
            return w + " zeigt auf ein Verzeichnis statt auf Daten; übersprungen";
        case NoteKind::kDataEntryOutside:
            return w + ": der Dateneintrag liegt außerhalb des Verzeichnisses; übersprungen";
        case NoteKind::kDataOutsideFile:
            return w + ": die Daten (RVA " + Hex(n.a) + ", " + Dec(n.b) +
                   " Bytes) liegen außerhalb der Datei";
        case NoteKind::kDirectoryOutside:
            return w + ": das Verzeichnis bei Offset " + Hex(n.a) +
                   " liegt außerhalb der Ressourcendaten; übersprungen";
        case NoteKind::kDirectoryOverfull:
            return w + ": das Verzeichnis bei Offset " + Hex(n.a) + " nennt " + Dec(n.b) +
                   " Einträge, " + Dec(n.c) + " passen hinein";
        case NoteKind::kIdTooLarge:
            return w + " hat die Nummer " + Dec(n.a) + ", größer als 65535; übersprungen";
        case NoteKind::kNameOutside:
            return w + ": der Name bei Offset " + Hex(n.a) +
                   " liegt außerhalb der Ressourcendaten; übersprungen";
        case NoteKind::kEntryBudgetSpent:
            return "Mehr als " + Dec(n.a) +
                   " Verzeichniseinträge; das Lesen endet bei einem Eintrag der Ebene " + w +
                   ", der Rest des Verzeichnisses fehlt";
        case NoteKind::kMoreNotes:
            return Dec(n.a) + " weitere Fehler nicht aufgeführt";
        case NoteKind::kGroupReservedField:
            return "Das reservierte Feld des Kopfes ist " + Dec(n.a) + " statt 0.";
        case NoteKind::kGroupWrongType:
            return "Der Typ im Kopf ist " + Dec(n.a) + " statt " + Dec(n.b) + ".";
        case NoteKind::kGroupShort:
            return "Die Gruppe nennt " + Dec(n.a) + " Bilder, die Daten enthalten nur " + Dec(n.b) +
                   ".";
        case NoteKind::kDialogShort:
            return "Die Vorlage ist mit " + Dec(n.a) + " Bytes kürzer als ihr fester Kopf (" +
                   Dec(n.b) + " Bytes).";
        case NoteKind::kDialogVersion:
            return "Die erweiterte Vorlage hat die unbekannte Version " + Dec(n.a) +
                   "; sie wird wie Version 1 gelesen.";
        case NoteKind::kDialogFieldCut:
            return w + " der Vorlage wird vom Ende abgeschnitten.";
        case NoteKind::kDialogItemsMissing:
            return "Die Vorlage gibt " + Dec(n.a) + " Elemente an, enthält aber nur " + Dec(n.b) +
                   ".";
        case NoteKind::kDialogItemCut:
            return "Element " + Dec(n.a) + ": der " + w +
                   " wird vom Ende der Vorlage abgeschnitten; die Vorlage gibt " + Dec(n.b) +
                   " Elemente an, vollständig sind " + Dec(n.c) + ".";
        case NoteKind::kDialogCreationDataCut:
            return "Element " + Dec(n.a) + ": die Erzeugungsdaten sollen " + Dec(n.b) +
                   " Bytes lang sein, die Vorlage enthält nur noch " + Dec(n.c) + ".";
        case NoteKind::kMenuShort:
            return "Die Menüvorlage ist mit " + Dec(n.a) + " Bytes kürzer als ihr Kopf (" +
                   Dec(n.b) + " Bytes).";
        case NoteKind::kMenuVersion:
            return "Die Menüvorlage hat die unbekannte Version " + Dec(n.a) +
                   "; bekannt sind 0 (MENU) und 1 (MENUEX).";
        case NoteKind::kMenuEntriesPastEnd:
            return "Der Kopf der Menüvorlage lässt die Einträge bei Byte " + Dec(n.a) +
                   " beginnen, die Vorlage ist aber nur " + Dec(n.b) + " Bytes lang.";
        case NoteKind::kMenuEmptyPopup:
            return "Das Untermenü " + w + " hat keine Einträge: die Vorlage endet davor.";
        case NoteKind::kMenuNoEnd:
            return "Die Vorlage endet, bevor der letzte Eintrag einer Ebene (mit MF_END) kam.";
        case NoteKind::kMenuTooManyEntries:
            return "Das Menü hat mehr als " + Dec(n.a) +
                   " Einträge; die übrigen werden nicht gelesen.";
        case NoteKind::kMenuEntryCut:
            return "Das Menü endet mitten in einem Eintrag (ab Byte " + Dec(n.a) + ").";
        case NoteKind::kMenuTextCut:
            return "Dem Text des Eintrags ab Byte " + Dec(n.a) +
                   " fehlt das Nullzeichen am Ende: die Vorlage endet vorher.";
        case NoteKind::kMenuTooDeep:
            return "Das Menü ist tiefer als " + Dec(n.a) +
                   " Ebenen verschachtelt; der Rest wird nicht gelesen.";
        case NoteKind::kAcceleratorShort:
            return "Die Tastenkürzeltabelle ist mit " + Dec(n.a) +
                   " Bytes kürzer als ein Eintrag (" + Dec(n.b) + " Bytes).";
        case NoteKind::kAcceleratorNoLast:
            return "Die Tastenkürzeltabelle endet nach " + Dec(n.a) +
                   " Einträgen, ohne dass einer als letzter markiert ist.";
        case NoteKind::kAcceleratorTooMany:
            return "Die Tastenkürzeltabelle hat mehr als " + Dec(n.a) +
                   " Einträge; die übrigen werden nicht gelesen.";
        case NoteKind::kMessageTableShort:
            return "Die Meldungstabelle ist mit " + Dec(n.a) +
                   " Bytes zu kurz für die Zahl ihrer Blöcke.";
        case NoteKind::kMessageBlockOutside:
            return "Block " + Dec(n.a) +
                   " der Meldungstabelle liegt außerhalb der Ressource (ab Byte " + Dec(n.b) + ").";
        case NoteKind::kMessageEntryCut:
            return "Die Meldung " + Dec(n.a) + " ab Byte " + Dec(n.b) +
                   " wird vom Ende der Ressource abgeschnitten oder ist beschädigt.";
        case NoteKind::kMessageTooMany:
            return "Die Meldungstabelle hat mehr als " + Dec(n.a) +
                   " Einträge; die übrigen werden nicht gelesen.";
        case NoteKind::kScriptNotReadable:
            return "Die Ressource (" + w +
                   ") lässt sich nicht lesen und nicht als Skript schreiben.";
        case NoteKind::kScriptNamedStringBlock:
            return "Ein Stringtabellenblock mit Namen statt Nummer hat keine Ids und lässt sich "
                   "nicht als Skript schreiben.";
        case NoteKind::kSectionsOverLimit:
            return "Die Datei nennt " + Dec(n.b) + " Abschnitte; gezeigt werden die ersten " +
                   Dec(n.a) + ", mehr lädt das System nicht.";
        case NoteKind::kSectionDataCut:
            return w + ": nur " + Dec(n.a) + " von " + Dec(n.b) +
                   " Rohdaten-Bytes liegen in der Datei; die Entropie gilt für diese.";
        case NoteKind::kDirectoryNotPlaced:
            return w + " (" + Hex8(n.a) + ", " + Dec(n.b) +
                   " Bytes) liegt nicht in den Daten der Datei.";
        case NoteKind::kDirectoryTableCut:
            return w + ": die Tabelle endet nach " + Dec(n.a) +
                   " Einträgen mit den Daten der Datei.";
        case NoteKind::kWalkLimit:
            return w + ": nach " + Dec(n.a) + " Einträgen abgebrochen (Obergrenze).";
        case NoteKind::kStructureCut:
            return w + ": nur " + Dec(n.a) + " von " + Dec(n.b) + " Bytes liegen in der Datei.";
        case NoteKind::kRelocationBlockBad:
            return "Der Relokationsblock bei " + Hex(n.a) + " hat SizeOfBlock " + Dec(n.b) +
                   "; die Liste endet hier.";
        case NoteKind::kCertificateLengthBad:
            return "Der Zertifikatseintrag bei Offset " + Hex8(n.a) + " hat dwLength " + Dec(n.b) +
                   "; die Liste endet hier.";
    }
    return "Unbekannter Hinweis";
}

std::vector<std::string> NoteTexts(std::span<const ModuleNote> notes) {
    std::vector<std::string> texts;
    texts.reserve(notes.size());
    for (const ModuleNote& note : notes)
        texts.push_back(NoteText(note));
    return texts;
}

bool HasNote(std::span<const ModuleNote> notes, NoteKind kind) noexcept {
    return std::any_of(notes.begin(), notes.end(),
                       [kind](const ModuleNote& n) { return n.kind == kind; });
}

}  // namespace tv
