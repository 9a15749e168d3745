#include "browser/QtModuleIcon.h"

#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>

#include "res/QtResources.h"
#include "resources/IconGroup.h"
#include "resources/Picture.h"
#include "resources/QtPicture.h"
#include "resources/ResourceCatalog.h"

namespace tv {

namespace {

constexpr int kFolderImage = 16;
constexpr int kPageImage = 0;
constexpr int kLibraryImage = 3;
// A group lists a handful of sizes; a forged one listing thousands must not stall the list.
constexpr size_t kMaxImagesPerIcon = 16;

}  // namespace

std::vector<QImage> ModuleOwnImages(const std::string& path) {
    std::vector<QImage> images;
    CResourceCatalog catalog;
    if (!catalog.Enumerate(path)) return images;
    const CResourceEntry* group = nullptr;
    for (const CResourceEntry& entry : catalog.Entries()) {
        if (!entry.type.IsName() && entry.type.GetNumber() == 14) {
            group = &entry;
            break;
        }
    }
    if (group == nullptr) return images;
    CIconGroup icons;
    std::string error;
    if (!LoadIconGroup(catalog, false, group->id, icons, error)) return images;
    for (const IconGroupEntry& entry : icons.entries) {
        if (images.size() == kMaxImagesPerIcon) break;
        const auto bytes =
            catalog.GetData(CResourceId(static_cast<uint16_t>(3)), CResourceId(entry.id));
        if (!bytes) continue;
        CIconImage image;
        // Icons of a list row are small; a forged header claiming a huge image is refused early.
        if (!DecodeIconImage(*bytes, false, image, error, 1024 * 1024)) continue;
        QImage picture = ToQImage(image);
        if (!picture.isNull()) images.push_back(std::move(picture));
    }
    return images;
}

QIcon ModuleOwnIcon(const std::string& path) {
    QIcon icon;
    for (const QImage& image : ModuleOwnImages(path))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

QIcon ModuleListIcon(const std::string& path, bool folder) {
    if (!folder)
        if (QIcon own = ModuleOwnIcon(path); !own.isNull()) return own;
    return FileTypeIcon(path, folder);
}

QIcon FileTypeIcon(const std::string& path, bool folder) {
    if (folder) {
        const QIcon theme = QIcon::fromTheme(QStringLiteral("folder"));
        return theme.isNull() ? StripImage(kFolderImage) : theme;
    }
    static QMimeDatabase mimeTypes;
    const QMimeType type = mimeTypes.mimeTypeForFile(QString::fromLocal8Bit(path.c_str()),
                                                     QMimeDatabase::MatchExtension);
    QIcon theme = QIcon::fromTheme(type.iconName());
    if (theme.isNull()) theme = QIcon::fromTheme(type.genericIconName());
    if (!theme.isNull()) return theme;
    const bool library =
        type.name().contains(QStringLiteral("sharedlib")) ||
        QString::fromLocal8Bit(path.c_str()).endsWith(QStringLiteral(".dll"), Qt::CaseInsensitive);
    return StripImage(library ? kLibraryImage : kPageImage);
}

}  // namespace tv
