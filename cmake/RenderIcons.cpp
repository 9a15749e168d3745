// Build-time tool: renders the program icon into the PNG sizes of the hicolor icon theme, so the
// repository keeps one drawing (the SVG) and no pictures made from it.
//
//   tarnview_render_icons ICON.svg OUTDIR SIZE...
//
// writes OUTDIR/SIZExSIZE/apps/NAME.png for each SIZE, NAME being ICON's base name. The drawing
// is scaled to fill the square, keeping its aspect ratio, on a transparent background. Any file
// that cannot be read, rendered or written is an error (exit status 1), so a broken drawing stops
// the build instead of leaving an empty icon behind.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void Die(const std::string& message) {
    std::fprintf(stderr, "tarnview_render_icons: %s\n", message.c_str());
    std::exit(1);
}

// A size as the theme names its folders: a whole number of pixels, neither tiny nor absurd.
int ParseSize(const char* text) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 8 || value > 1024)
        Die(std::string("not an icon size: ") + text);
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) Die("usage: tarnview_render_icons ICON.svg OUTDIR SIZE...");
    const QString svg = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) Die("cannot read the drawing " + svg.toStdString());
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    const QString name = QFileInfo(svg).completeBaseName() + QStringLiteral(".png");

    for (int i = 3; i < argc; ++i) {
        const int size = ParseSize(argv[i]);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            renderer.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder =
            outDir + QStringLiteral("/%1x%1/apps").arg(size);  // the theme's folder naming
        if (!QDir().mkpath(folder)) Die("cannot create " + folder.toStdString());
        const QString path = folder + QLatin1Char('/') + name;
        // Straight alpha is what PNG stores; converting first keeps the edges' colours exact.
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
            Die("cannot write " + path.toStdString());
    }
    return 0;
}
