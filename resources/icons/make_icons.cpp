// Builds the folder icon library (icons.png, icons-16.png, icons-64.png) and
// the toolbar's pictures (toolbar.png, toolbar-hot.png and their -64 images)
// from the Adwaita
// icon theme (CC-BY-SA 3.0 or LGPL 3; see README.md here). Run by hand:
//
//     cmake --build build --target flk-make-icons
//     build/flk-make-icons /usr/share/icons/Adwaita resources/icons
//
// Each icon is either a theme picture as it is, or the theme's folder with a
// smaller picture on its lower right; the envelope is drawn here.

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

struct Entry {
    char kind;          // 'W' whole picture, 'E' folder with an emblem, 'M' folder with an envelope
    const char* source; // path under the size folder
};

// Index = place in the library. The default catalogue uses 39 Productivity,
// 46 Games, 1 Utilities, 21 Applications, 15 School, 30 Office, 32 Home,
// 3 FTP Files, 44 E-Mail Files, 43 Web Files.
const Entry kEntries[] = {
    {'W', "places/folder.png"},                            // 0
    {'E', "mimetypes/application-x-firmware.png"},         // 1 utilities
    {'W', "places/folder-documents.png"},                  // 2
    {'W', "places/folder-remote.png"},                     // 3 ftp
    {'W', "places/folder-download.png"},                   // 4
    {'W', "places/folder-music.png"},                      // 5
    {'W', "places/folder-pictures.png"},                   // 6
    {'W', "places/folder-videos.png"},                     // 7
    {'W', "places/folder-templates.png"},                  // 8
    {'W', "places/folder-publicshare.png"},                // 9
    {'W', "places/folder-saved-search.png"},               // 10
    {'W', "places/folder-open.png"},                       // 11
    {'W', "places/folder-drag-accept.png"},                // 12
    {'E', "mimetypes/package-x-generic.png"},              // 13
    {'E', "mimetypes/x-office-document.png"},              // 14
    {'E', "mimetypes/x-office-address-book.png"},          // 15 school
    {'E', "mimetypes/x-office-presentation.png"},          // 16
    {'E', "mimetypes/x-office-drawing.png"},               // 17
    {'E', "mimetypes/audio-x-generic.png"},                // 18
    {'E', "mimetypes/video-x-generic.png"},                // 19
    {'E', "mimetypes/image-x-generic.png"},                // 20
    {'E', "mimetypes/application-x-executable.png"},       // 21 applications
    {'E', "mimetypes/application-x-addon.png"},            // 22
    {'E', "mimetypes/application-x-sharedlib.png"},        // 23
    {'E', "mimetypes/application-certificate.png"},        // 24
    {'E', "mimetypes/font-x-generic.png"},                 // 25
    {'E', "mimetypes/text-x-script.png"},                  // 26
    {'E', "mimetypes/text-x-generic.png"},                 // 27
    {'E', "mimetypes/text-x-preview.png"},                 // 28
    {'E', "mimetypes/x-package-repository.png"},           // 29
    {'E', "mimetypes/x-office-spreadsheet.png"},           // 30 office
    {'E', "devices/printer.png"},                          // 31
    {'W', "places/user-home.png"},                         // 32 home
    {'W', "places/user-desktop.png"},                      // 33
    {'W', "places/user-bookmarks.png"},                    // 34
    {'W', "places/network-server.png"},                    // 35
    {'W', "places/network-workgroup.png"},                 // 36
    {'W', "devices/computer.png"},                         // 37
    {'W', "devices/drive-harddisk.png"},                   // 38
    {'E', "mimetypes/x-office-calendar.png"},              // 39 productivity
    {'W', "devices/drive-removable-media.png"},            // 40
    {'W', "devices/media-optical.png"},                    // 41
    {'W', "devices/media-removable.png"},                  // 42
    {'E', "mimetypes/text-html.png"},                      // 43 web
    {'M', nullptr},                                        // 44 e-mail
    {'E', "devices/audio-headphones.png"},                 // 45
    {'E', "devices/input-gaming.png"},                     // 46 games
    {'E', "devices/computer.png"},                         // 47
    {'E', "devices/drive-harddisk.png"},                   // 48
    {'E', "devices/media-optical.png"},                    // 49
    {'E', "devices/printer-network.png"},                  // 50
    {'E', "devices/audio-headset.png"},                    // 51
    {'E', "places/network-server.png"},                    // 52
    {'E', "places/user-bookmarks.png"},                    // 53
    {'E', "places/user-home.png"},                         // 54
    {'E', "emblems/emblem-shared.png"},                    // 55
    {'E', "emblems/emblem-readonly.png"},                  // 56
    {'E', "emblems/emblem-synchronizing.png"},             // 57
    {'E', "status/avatar-default.png"},                    // 58
    {'W', "places/user-trash.png"},                        // 59
    {'W', "status/user-trash-full.png"},                   // 60
    {'W', "places/start-here.png"},                        // 61
};

// The manager's toolbar, by image index: New, Delete, Options, Report, Help,
// File Info, Browser, Scanner, View Style. Symbolic pictures, drawn in the
// normal colour (toolbar.png) and in the pointer-over colour (toolbar-hot.png).
const char* const kToolbar[] = {
    "actions/document-new-symbolic.symbolic.png",          // 0 New
    "actions/edit-delete-symbolic.symbolic.png",           // 1 Delete
    "categories/preferences-system-symbolic.symbolic.png", // 2 Options
    "actions/document-print-symbolic.symbolic.png",        // 3 Report
    "legacy/help-browser-symbolic.symbolic.png",           // 4 Help
    "actions/document-properties-symbolic.symbolic.png",   // 5 File Info
    "legacy/web-browser-symbolic.symbolic.png",            // 6 Browser
    "status/security-high-symbolic.symbolic.png",          // 7 Scanner
    "actions/view-grid-symbolic.symbolic.png",             // 8 View Style
};

// The theme's picture at `size`; where the theme has none of that size (its
// coloured pictures stop at 48 and start again at 256 or 512), the nearest
// larger one scaled down, else the largest smaller one.
QImage Load(const QString& theme, int size, const char* path)
{
    QImage image;
    for (int from : {size, 64, 96, 128, 256, 512, 48, 32}) {
        if (from < size && from != 48 && from != 32)
            continue;
        image.load(QStringLiteral("%1/%2x%2/%3").arg(theme).arg(from).arg(QString::fromLatin1(path)));
        if (!image.isNull())
            break;
    }
    if (image.isNull()) {
        std::fprintf(stderr, "missing %s at %d\n", path, size);
        std::exit(1);
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void DrawEnvelope(QPainter& p, const QRectF& r)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x5e, 0x5c, 0x64), std::max(1.0, r.width() / 16)));
    p.setBrush(QColor(0xf6, 0xf5, 0xf4));
    p.drawRoundedRect(r, r.width() / 12, r.width() / 12);
    QPainterPath flap;
    flap.moveTo(r.topLeft());
    flap.lineTo(r.center().x(), r.top() + r.height() * 0.6);
    flap.lineTo(r.topRight());
    p.setBrush(Qt::NoBrush);
    p.drawPath(flap);
}

QImage Icon(const QString& theme, const Entry& e, int size)
{
    if (e.kind == 'W')
        return Load(theme, size, e.source);
    QImage image = Load(theme, size, "places/folder.png");
    QPainter p(&image);
    const int emblem = size * 5 / 8;
    const QRect place(size - emblem, size - emblem, emblem, emblem);
    if (e.kind == 'M')
        DrawEnvelope(p, QRectF(place).adjusted(0.5, size / 8.0, -0.5, -0.5));
    else
        p.drawImage(place, Load(theme, size, e.source).scaled(emblem, emblem, Qt::KeepAspectRatio,
                                                              Qt::SmoothTransformation));
    return image;
}

QImage Strip(const QString& theme, int size)
{
    const int count = int(std::size(kEntries));
    QImage strip(size * count, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < count; ++i)
        p.drawImage(i * size, 0, Icon(theme, kEntries[i], size));
    return strip;
}

// A symbolic picture in one colour, keeping its shape's alpha.
QImage Tinted(QImage image, const QColor& colour)
{
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), colour);
    return image;
}

QImage ToolbarStrip(const QString& theme, const QColor& colour, int size)
{
    const int count = int(std::size(kToolbar));
    QImage strip(size * count, size, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    for (int i = 0; i < count; ++i)
        p.drawImage(i * size, 0, Tinted(Load(theme, size, kToolbar[i]), colour));
    return strip;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ADWAITA_THEME_FOLDER OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString theme = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QColor rest(0x5e, 0x5c, 0x64);
    const QColor hot(0x1c, 0x71, 0xd8);
    // 64 x 64 for screens at twice the scale.
    const bool ok = Strip(theme, 32).save(out + "/icons.png") && Strip(theme, 16).save(out + "/icons-16.png")
                    && Strip(theme, 64).save(out + "/icons-64.png")
                    && ToolbarStrip(theme, rest, 32).save(out + "/toolbar.png")
                    && ToolbarStrip(theme, hot, 32).save(out + "/toolbar-hot.png")
                    && ToolbarStrip(theme, rest, 64).save(out + "/toolbar-64.png")
                    && ToolbarStrip(theme, hot, 64).save(out + "/toolbar-hot-64.png");
    std::printf("%s %d icons\n", ok ? "wrote" : "FAILED to write", int(std::size(kEntries)));
    return ok ? 0 : 1;
}
