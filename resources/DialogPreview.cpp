#include "resources/DialogPreview.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRawFont>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSlider>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <QStylePainter>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>
#include <array>

#include "res/CommandTarget.h"
#include "resources/IconGroup.h"
#include "resources/MenuTemplate.h"
#include "resources/Picture.h"
#include "resources/QtMenuBar.h"
#include "resources/QtPicture.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"

namespace tv {

namespace {

// The classic colour scheme, so a dialog looks the same whatever the desktop's theme.
const QColor kFace(0xD4, 0xD0, 0xC8);
const QColor kHighlight3d(0xFF, 0xFF, 0xFF);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kDarkShadow(0x40, 0x40, 0x40);
const QColor kCaptionLeft(0x0A, 0x24, 0x6A);
const QColor kCaptionRight(0xA6, 0xCA, 0xF0);

// A dialog that lists more controls than this is not drawn further: no real dialog comes near.
constexpr size_t kMaxControls = 2048;
// A template may claim 32767 dialog units each way; its picture would need gigabytes. Larger
// dialogs are cut to this many pixels each way (no screen shows more).
constexpr int kMaxClientExtent = 4096;
// Points beyond this are clamped: a hostile font size must not ask for a giant font.
constexpr int kMaxPointSize = 72;
// The message-box font a template asks for with this point size.
constexpr uint16_t kMessageBoxFontSize = 0x7FFF;

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QPalette ClassicPalette() {
    QPalette p;
    p.setColor(QPalette::Window, kFace);
    p.setColor(QPalette::Button, kFace);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, kFace);
    p.setColor(QPalette::WindowText, Qt::black);
    p.setColor(QPalette::ButtonText, Qt::black);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Light, kHighlight3d);
    p.setColor(QPalette::Midlight, kFace);
    p.setColor(QPalette::Mid, kShadow);
    p.setColor(QPalette::Dark, kShadow);
    p.setColor(QPalette::Shadow, kDarkShadow);
    p.setColor(QPalette::Highlight, kCaptionLeft);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x00, 0x66, 0xCC));
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xE1));
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        p.setColor(QPalette::Disabled, role, kShadow);
    p.setColor(QPalette::Disabled, QPalette::Base, kFace);
    return p;
}

// The Windows faces and the installed fonts whose metrics match them.
QString InstalledFamily(const QString& face) {
    static const bool registered = [] {
        for (const char* folder : {"/usr/share/wine/fonts/", "/usr/share/fonts/truetype/wine/"})
            for (const char* file : {"tahoma.ttf", "tahomabd.ttf", "marlett.ttf", "system.ttf"}) {
                const QString path = QString::fromLatin1(folder) + QString::fromLatin1(file);
                if (QFile::exists(path)) QFontDatabase::addApplicationFont(path);
            }
        return true;
    }();
    (void)registered;
    auto first = [](std::initializer_list<const char*> families) {
        for (const char* family : families)
            if (QFontDatabase::hasFamily(QString::fromLatin1(family)))
                return QString::fromLatin1(family);
        return QString::fromLatin1("DejaVu Sans");
    };
    const QString f = face.trimmed().toLower();
    if (f == u"ms shell dlg" || f == u"ms shell dlg 2" || f == u"tahoma")
        return first({"Tahoma", "Liberation Sans", "DejaVu Sans"});
    if (f == u"courier new" || f == u"courier" || f == u"fixedsys" || f == u"lucida console" ||
        f == u"consolas" || f == u"terminal")
        return first({"Liberation Mono", "DejaVu Sans Mono"});
    if (f == u"times new roman" || f == u"times" || f == u"tms rmn")
        return first({"Liberation Serif", "DejaVu Serif"});
    if (f == u"marlett") return first({"Marlett"});
    if (f == u"system") return first({"System", "Liberation Sans"});
    // "Arial", "MS Sans Serif", "Microsoft Sans Serif", "Segoe UI" and anything unknown.
    return first({"Liberation Sans", "DejaVu Sans"});
}

QFont PixelFont(const QString& family, int pixels, bool bold = false) {
    QFont font(family);
    font.setPixelSize(std::max(1, pixels));
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    // Dialog text of the classic look is drawn without smoothing, crisp on its pixel grid.
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

QString ShownText(const std::string& text, bool mnemonics) {
    return Qs(mnemonics ? text : WithoutMnemonics(text));
}

// A text for a widget that shows "&" mnemonics itself: kept; for others they are removed.
QString TitleText(const DialogControl& control) {
    return control.title.IsName() ? Qs(control.title.name) : QString();
}

// A 3D edge of the classic look: two lines, outer then inner, each with a light top-left and a
// dark bottom-right colour.
void DrawEdge(QPainter& p, QRect r, QColor outerLight, QColor outerDark, QColor innerLight,
              QColor innerDark) {
    auto lines = [&p](const QRect& rect, QColor light, QColor dark) {
        p.setPen(light);
        p.drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
        p.drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
        p.setPen(dark);
        p.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
        p.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    };
    lines(r, outerLight, outerDark);
    lines(r.adjusted(1, 1, -1, -1), innerLight, innerDark);
}

void DrawSunken(QPainter& p, const QRect& r) {
    DrawEdge(p, r, kShadow, kHighlight3d, kDarkShadow, kFace);
}
void DrawRaised(QPainter& p, const QRect& r) {
    DrawEdge(p, r, kFace, kDarkShadow, kHighlight3d, kShadow);
}

// A widget that only paints: rectangles, frames, etched lines, owner-drawn placeholders, grips.
class CPaintedControl : public QWidget {
public:
    using Painter = std::function<void(QPainter&, const QRect&)>;
    CPaintedControl(QWidget* parent, Painter painter)
        : QWidget(parent), m_painter(std::move(painter)) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        m_painter(p, rect());
    }

private:
    Painter m_painter;
};

// A push button whose text follows the button's alignment styles (BS_LEFT, BS_RIGHT, BS_TOP,
// BS_BOTTOM) and wraps with BS_MULTILINE, as the platform's buttons draw it.
class CTemplateButton : public QPushButton {
public:
    CTemplateButton(const QString& text, uint32_t style, QWidget* parent)
        : QPushButton(text, parent), m_style(style) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        const QString text = option.text;
        option.text.clear();
        p.drawControl(QStyle::CE_PushButton, option);
        if (text.isEmpty()) return;
        int flags = Qt::TextShowMnemonic;
        switch (m_style & kBsCenter) {
            case kBsLeft:
                flags |= Qt::AlignLeft;
                break;
            case kBsRight:
                flags |= Qt::AlignRight;
                break;
            default:
                flags |= Qt::AlignHCenter;
        }
        switch (m_style & kBsVCenter) {
            case kBsTop:
                flags |= Qt::AlignTop;
                break;
            case kBsBottom:
                flags |= Qt::AlignBottom;
                break;
            default:
                flags |= Qt::AlignVCenter;
        }
        flags |= (m_style & kBsMultiline) ? Qt::TextWordWrap : Qt::TextSingleLine;
        QRect area = rect().adjusted(4, 3, -4, -3);
        if (isDown() || isChecked()) area.translate(1, 1);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::ButtonText));
        if (!isEnabled()) {
            // Disabled text is embossed, as the classic look draws it.
            p.setPen(kHighlight3d);
            p.drawText(area.translated(1, 1), flags, text);
            p.setPen(kShadow);
        }
        p.drawText(area, flags, text);
    }

private:
    uint32_t m_style;
};

// The border a control's styles give it, drawn around whatever the control paints.
void ApplyEdge(QFrame* frame, uint32_t style, uint32_t exStyle) {
    if (exStyle & kWsExClientEdge) {
        frame->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    } else if (exStyle & kWsExStaticEdge) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
    } else if (style & kWsBorder) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        QPalette palette = frame->palette();
        palette.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(palette);
    } else {
        frame->setFrameStyle(QFrame::NoFrame);
    }
}

// Edit, list and combo boxes with WS_BORDER get the sunken edge in a 3D dialog.
bool HasSunkenEdge(uint32_t style, uint32_t exStyle) {
    return (style & kWsBorder) || (exStyle & (kWsExClientEdge | kWsExStaticEdge));
}

Qt::Alignment StaticAlignment(uint32_t style) {
    Qt::Alignment horizontal = Qt::AlignLeft;
    switch (style & kSsTypeMask) {
        case kSsCenter:
            horizontal = Qt::AlignHCenter;
            break;
        case kSsRight:
            horizontal = Qt::AlignRight;
            break;
        default:
            break;
    }
    return horizontal | ((style & kSsCenterImage) ? Qt::AlignVCenter : Qt::AlignTop);
}

// The image a static or button names by ordinal or name: an icon group's largest image up to
// 32 pixels, or a bitmap.
QPixmap ModulePicture(const CResourceCatalog* module, const NameOrOrdinal& title, bool icon) {
    if (module == nullptr || title.IsNone()) return {};
    const CResourceId name =
        title.IsOrdinal() ? CResourceId(title.ordinal) : CResourceId::FromUtf8(title.name);
    std::string error;
    if (!icon) {
        CPicture picture;
        if (!LoadBitmapResource(*module, name, picture, error)) return {};
        return QPixmap::fromImage(ToQImage(picture));
    }
    CIconGroup group;
    if (!LoadIconGroup(*module, false, name, group, error) || group.entries.empty()) return {};
    // The icon size a dialog shows: 32 pixels, else the nearest the group has.
    const IconGroupEntry* best = &group.entries.front();
    auto size = [](const IconGroupEntry& e) { return e.width == 0 ? 256 : int{e.width}; };
    for (const IconGroupEntry& e : group.entries)
        if (std::abs(size(e) - 32) < std::abs(size(*best) - 32) ||
            (size(e) == size(*best) && e.bitCount > best->bitCount))
            best = &e;
    const auto bytes =
        module->GetData(CResourceId(static_cast<uint16_t>(kRtIcon)), CResourceId(best->id));
    if (!bytes) return {};
    CIconImage image;
    if (!DecodeIconImage(*bytes, false, image, error, 1024 * 1024)) return {};
    return QPixmap::fromImage(ToQImage(image));
}

// The menu bar of the module's menu resource named by the template; nullptr when the module has
// no such menu or it cannot be read.
QWidget* BuildModuleMenuBar(const CResourceCatalog& module, const NameOrOrdinal& menu,
                            QWidget* parent) {
    const CResourceId name =
        menu.IsOrdinal() ? CResourceId(menu.ordinal) : CResourceId::FromUtf8(menu.name);
    const auto bytes = module.GetData(CResourceId(static_cast<uint16_t>(kRtMenu)), name);
    if (!bytes) return nullptr;
    MenuModel model;
    if (!ParseMenuTemplate(*bytes, model)) return nullptr;
    return BuildMenuBar(model, parent);
}

// Marlett's glyphs for the caption buttons, as the platform draws them.
constexpr char kCloseGlyph = 'r';
constexpr char kMinimizeGlyph = '0';
constexpr char kMaximizeGlyph = '1';
constexpr char kHelpGlyph = 's';

uint16_t BigEndian16(const QByteArray& table, int at) {
    if (at < 0 || at + 2 > table.size()) return 0;
    return static_cast<uint16_t>((static_cast<uint8_t>(table[at]) << 8) |
                                 static_cast<uint8_t>(table[at + 1]));
}

}  // namespace

int DialogFontHeight(const QFont& font) {
    // The platform measures a font by the OS/2 table's Windows ascent and descent, each scaled
    // and rounded; a font that asks for its typographic metrics (Wine's Tahoma does) reads
    // smaller in Qt, and every dialog would come out too low.
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.fontTable("OS/2");
    const QByteArray head = raw.fontTable("head");
    const int unitsPerEm = BigEndian16(head, 18);
    const int ascent = BigEndian16(os2, 74);
    const int descent = BigEndian16(os2, 76);
    const int pixels = font.pixelSize();
    if (unitsPerEm <= 0 || ascent + descent <= 0 || pixels <= 0) return QFontMetrics(font).height();
    auto scaled = [&](int units) {
        return static_cast<int>((static_cast<long long>(units) * pixels * 2 + unitsPerEm) /
                                (2 * unitsPerEm));
    };
    return scaled(ascent) + scaled(descent);
}

QFont DialogFontFor(const DialogModel& model) {
    if (!model.font) return PixelFont(InstalledFamily(QStringLiteral("System")), 16, true);
    const DialogFont& f = *model.font;
    QString face = Qs(f.face);
    int points = f.pointSize;
    if (points == kMessageBoxFontSize) {
        face = QStringLiteral("MS Shell Dlg");
        points = 8;
    }
    points = std::clamp(points, 1, kMaxPointSize);
    QFont font = PixelFont(InstalledFamily(face), FontPixelHeight(points), f.weight >= 600);
    font.setItalic(f.italic != 0);
    return font;
}

CDialogPreview::CDialogPreview(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DontShowOnScreen);
    hide();
}

CDialogPreview::~CDialogPreview() = default;

int CDialogPreview::SetMode(int mode) { return std::exchange(m_mode, mode); }

void CDialogPreview::Fail(std::string text) {
    m_error = std::move(text);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        delete child;
    m_client = nullptr;
    m_menuBar = nullptr;
}

bool CDialogPreview::CreateFromTemplate(CByteView templateBytes, QWidget* parent,
                                        const CResourceCatalog* module) {
    m_error.clear();
    PreparedDialog prepared;
    if (!PrepareDialogForPreview(templateBytes, prepared)) {
        Fail("Die Dialogvorlage ist kürzer als ihr Kopf.");
        return false;
    }
    m_bytes = std::move(prepared.bytes);
    m_model = std::move(prepared.model);
    m_style = m_model.style;
    if (parent != nullptr && parent != parentWidget()) setParent(parent, windowFlags());
    if (Build(module)) return true;
    // As the dialog manager's second attempt with the program's own resources: the template
    // alone, without the module's pictures and menu.
    const std::string first = m_error;
    if (module != nullptr && Build(nullptr)) return true;
    m_error = first;
    return false;
}

bool CDialogPreview::Build(const CResourceCatalog* module) {
    Fail({});
    m_windowsStyle.reset(QStyleFactory::create(QStringLiteral("Windows")));
    if (m_windowsStyle) setStyle(m_windowsStyle.get());
    setPalette(ClassicPalette());
    setAutoFillBackground(false);
    m_font = DialogFontFor(m_model);
    setFont(m_font);
    const QFontMetrics metrics(m_font);
    m_base = m_model.font
                 ? BaseUnitsFromFont(metrics.horizontalAdvance(QStringLiteral(
                                         "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")),
                                     DialogFontHeight(m_font))
                 : kSystemFontBaseUnits;

    // The menu bar first, so the frame knows whether there is one.
    QWidget* menu = nullptr;
    if (!m_model.menu.IsNone() && module != nullptr)
        menu = BuildModuleMenuBar(*module, m_model.menu, this);
    m_menuBar = menu;
    m_frame = FrameOfDialog(m_style, m_model.exStyle, !m_model.menu.IsNone());
    m_caption = Qs(m_model.caption);

    const int clientWidth = std::clamp(DialogToPixelsX(m_model.cx, m_base), 0, kMaxClientExtent);
    const int clientHeight = std::clamp(DialogToPixelsY(m_model.cy, m_base), 0, kMaxClientExtent);
    const int inset = m_frame.border + m_frame.clientEdge;
    const int top = m_frame.border + m_frame.caption + m_frame.menu + m_frame.clientEdge;
    setFixedSize(m_frame.Width(clientWidth), m_frame.Height(clientHeight));
    if (m_menuBar != nullptr) {
        m_menuBar->setStyle(style());
        m_menuBar->setFont(PixelFont(InstalledFamily(QStringLiteral("MS Shell Dlg")), 11));
        m_menuBar->setGeometry(m_frame.border, m_frame.border + m_frame.caption,
                               clientWidth + 2 * m_frame.clientEdge, m_frame.menu);
    }
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setGeometry(inset, top, clientWidth, clientHeight);
    m_client->setAutoFillBackground(true);
    m_lastControl = nullptr;
    m_radioGroup = nullptr;
    // Off-screen as the prepared header puts it.
    move(DialogToPixelsX(m_model.x, m_base), DialogToPixelsY(m_model.y, m_base));

    const size_t count = std::min(m_model.controls.size(), kMaxControls);
    for (size_t i = 0; i < count; ++i)
        if (!AddControl(m_model.controls[i], i, module)) return false;
    return true;
}

bool CDialogPreview::AddControl(const DialogControl& c, size_t index,
                                const CResourceCatalog* module) {
    const ControlKind kind = ClassifyControl(c);
    if (kind == ControlKind::kUnknown) {
        Fail("Steuerelement " + std::to_string(index) + " hat die Klasse \"" + c.ClassText() +
             "\", die das Programm nicht kennt.");
        return false;
    }
    const uint32_t style = c.style;
    QRect rect(DialogToPixelsX(c.x, m_base), DialogToPixelsY(c.y, m_base),
               std::max(0, DialogToPixelsX(c.cx, m_base)),
               std::max(0, DialogToPixelsY(c.cy, m_base)));
    const QString title = TitleText(c);
    const int textHeight = m_base.y;
    QWidget* w = nullptr;
    const bool groupStart = (style & kWsGroup) != 0;
    if (groupStart || m_radioGroup == nullptr) m_radioGroup = nullptr;

    switch (kind) {
        case ControlKind::kPushButton: {
            auto* b = new CTemplateButton(title, style, m_client);
            const uint32_t type = style & kBsTypeMask;
            b->setDefault(type == kBsDefPushButton || type == kBsDefSplitButton ||
                          type == kBsDefCommandLink);
            b->setAutoDefault(false);
            b->setFlat((style & kBsFlat) != 0);
            if (style & (kBsIcon | kBsBitmap)) b->setText({});
            const uint32_t id = c.id;
            connect(b, &QPushButton::clicked, this, [this, id] { Command(id); });
            w = b;
            break;
        }
        case ControlKind::kCheckBox:
        case ControlKind::kRadioButton: {
            QAbstractButton* b = nullptr;
            if (style & kBsPushLike) {
                auto* push = new QPushButton(title, m_client);
                push->setCheckable(true);
                push->setAutoDefault(false);
                b = push;
            } else if (kind == ControlKind::kCheckBox) {
                auto* box = new QCheckBox(title, m_client);
                const uint32_t type = style & kBsTypeMask;
                box->setTristate(type == kBs3State || type == kBsAuto3State);
                b = box;
            } else {
                b = new QRadioButton(title, m_client);
            }
            if (style & kBsLeftText) b->setLayoutDirection(Qt::RightToLeft);
            b->setAutoExclusive(false);
            const uint32_t type = style & kBsTypeMask;
            const bool automatic =
                type == kBsAutoCheckBox || type == kBsAuto3State || type == kBsAutoRadioButton;
            if (!automatic) {
                // Only the dialog's own code would check these; there is none.
                connect(b, &QAbstractButton::clicked, b, [b] {
                    const QSignalBlocker block(b);
                    b->setChecked(!b->isChecked());
                });
            } else if (kind == ControlKind::kRadioButton) {
                if (m_radioGroup == nullptr) {
                    m_radioGroup = new QButtonGroup(m_client);
                    m_radioGroup->setExclusive(true);
                }
                m_radioGroup->addButton(b);
            }
            w = b;
            break;
        }
        case ControlKind::kGroupBox: {
            auto* g = new QGroupBox(title, m_client);
            g->setFlat(false);
            g->setFocusPolicy(Qt::NoFocus);
            w = g;
            break;
        }
        case ControlKind::kOwnerDrawButton:
        case ControlKind::kStaticOwnerDraw:
        case ControlKind::kAnimate:
        case ControlKind::kPager:
        case ControlKind::kReBar: {
            auto* f = new QFrame(m_client);
            ApplyEdge(f, style, c.exStyle);
            w = f;
            break;
        }
        case ControlKind::kEdit:
        case ControlKind::kRichEdit: {
            const bool sunken = HasSunkenEdge(style, c.exStyle);
            if ((style & kEsMultiline) || kind == ControlKind::kRichEdit) {
                QAbstractScrollArea* area = nullptr;
                if (kind == ControlKind::kRichEdit) {
                    auto* e = new QTextEdit(m_client);
                    e->setPlainText(title);
                    e->setReadOnly(style & kEsReadOnly);
                    area = e;
                } else {
                    auto* e = new QPlainTextEdit(title, m_client);
                    e->setReadOnly(style & kEsReadOnly);
                    e->setLineWrapMode((style & kWsHScroll) ? QPlainTextEdit::NoWrap
                                                            : QPlainTextEdit::WidgetWidth);
                    area = e;
                }
                area->setVerticalScrollBarPolicy((style & kWsVScroll) ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
                area->setHorizontalScrollBarPolicy((style & kWsHScroll) ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAlwaysOff);
                area->setFrameStyle(sunken ? (QFrame::WinPanel | QFrame::Sunken) : QFrame::NoFrame);
                if (style & kEsReadOnly) {
                    QPalette palette = area->palette();
                    palette.setColor(QPalette::Base, kFace);
                    area->setPalette(palette);
                }
                w = area;
            } else {
                auto* e = new QLineEdit(title, m_client);
                e->setFrame(sunken);
                e->setReadOnly(style & kEsReadOnly);
                if (style & kEsPassword) e->setEchoMode(QLineEdit::Password);
                if (style & kEsNumber)
                    e->setValidator(new QRegularExpressionValidator(
                        QRegularExpression(QStringLiteral("[0-9]*")), e));
                e->setAlignment(((style & 3) == kEsCenter)  ? Qt::AlignHCenter
                                : ((style & 3) == kEsRight) ? Qt::AlignRight
                                                            : Qt::AlignLeft);
                e->setTextMargins(0, 0, 0, 0);
                if (style & kEsReadOnly) {
                    QPalette palette = e->palette();
                    palette.setColor(QPalette::Base, kFace);
                    e->setPalette(palette);
                }
                w = e;
            }
            break;
        }
        case ControlKind::kStaticText: {
            auto* l = new QLabel(ShownText(c.title.name, (style & kSsNoPrefix) != 0), m_client);
            l->setTextFormat(Qt::PlainText);
            const uint32_t type = style & kSsTypeMask;
            l->setWordWrap(type != kSsSimple && type != kSsLeftNoWordWrap);
            l->setAlignment(StaticAlignment(style));
            l->setMargin(0);
            l->setIndent(0);
            l->setFocusPolicy(Qt::NoFocus);
            if (style & kSsSunken) {
                l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                l->setLineWidth(1);
            } else {
                ApplyEdge(l, style, c.exStyle);
            }
            w = l;
            break;
        }
        case ControlKind::kStaticImage: {
            auto* l = new QLabel(m_client);
            const bool icon = (style & kSsTypeMask) == kSsIcon;
            const QPixmap picture = ModulePicture(module, c.title, icon);
            l->setFocusPolicy(Qt::NoFocus);
            ApplyEdge(l, style, c.exStyle);
            if (style & kSsSunken) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            if (!picture.isNull()) {
                l->setPixmap(picture);
                // The control takes the picture's size unless it centres the picture in itself.
                if (!(style & kSsCenterImage)) {
                    const int frame = 2 * l->frameWidth();
                    rect.setSize(picture.size() + QSize(frame, frame));
                }
                l->setAlignment(Qt::AlignCenter);
            }
            w = l;
            break;
        }
        case ControlKind::kStaticRect: {
            const uint32_t type = style & kSsTypeMask;
            w = new CPaintedControl(m_client, [type](QPainter& p, const QRect& r) {
                const QColor colors[] = {kDarkShadow, kShadow, kHighlight3d};
                switch (type) {
                    case kSsBlackRect:
                    case kSsGrayRect:
                    case kSsWhiteRect:
                        p.fillRect(r, colors[type - kSsBlackRect]);
                        break;
                    case kSsBlackFrame:
                    case kSsGrayFrame:
                    case kSsWhiteFrame:
                        p.setPen(colors[type - kSsBlackFrame]);
                        p.drawRect(r.adjusted(0, 0, -1, -1));
                        break;
                    case kSsEtchedHorz:
                        p.setPen(kShadow);
                        p.drawLine(r.left(), r.top(), r.right(), r.top());
                        p.setPen(kHighlight3d);
                        p.drawLine(r.left(), r.top() + 1, r.right(), r.top() + 1);
                        break;
                    case kSsEtchedVert:
                        p.setPen(kShadow);
                        p.drawLine(r.left(), r.top(), r.left(), r.bottom());
                        p.setPen(kHighlight3d);
                        p.drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom());
                        break;
                    default:  // etched frame
                        DrawEdge(p, r, kShadow, kHighlight3d, kHighlight3d, kShadow);
                        break;
                }
            });
            // Etched lines are as thick as their edge, whatever the template's other extent.
            if (type == kSsEtchedHorz) rect.setHeight(2);
            if (type == kSsEtchedVert) rect.setWidth(2);
            break;
        }
        case ControlKind::kListBox:
        case ControlKind::kListView:
        case ControlKind::kTreeView: {
            QAbstractItemView* view = nullptr;
            if (kind == ControlKind::kListView && (style & kLvsTypeMask) == kLvsReport) {
                auto* tree = new QTreeView(m_client);
                tree->setRootIsDecorated(false);
                auto* columns = new QStandardItemModel(0, 1, tree);
                columns->setHeaderData(0, Qt::Horizontal, QString());
                tree->setModel(columns);
                tree->header()->setVisible(!(style & kLvsNoColumnHeader));
                view = tree;
            } else if (kind == ControlKind::kTreeView) {
                auto* tree = new QTreeView(m_client);
                tree->header()->hide();
                view = tree;
            } else {
                view = new QListView(m_client);
            }
            const bool sunken = kind == ControlKind::kListBox
                                    ? HasSunkenEdge(style, c.exStyle)
                                    : (c.exStyle & kWsExClientEdge) || (style & kWsBorder);
            view->setFrameStyle(sunken ? (QFrame::WinPanel | QFrame::Sunken) : QFrame::NoFrame);
            // A list box shows its bar only when needed unless LBS_DISABLENOSCROLL keeps it.
            const bool alwaysBar =
                (style & kWsVScroll) && (kind != ControlKind::kListBox || (style & 0x1000));
            view->setVerticalScrollBarPolicy(alwaysBar ? Qt::ScrollBarAlwaysOn
                                                       : Qt::ScrollBarAsNeeded);
            view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            if (kind == ControlKind::kListBox && !(style & 0x0100 /* LBS_NOINTEGRALHEIGHT */)) {
                // The list shrinks to whole lines.
                const int edge = sunken ? 2 : 0;
                const int inner = rect.height() - 2 * edge;
                if (inner > textHeight) rect.setHeight(inner - inner % textHeight + 2 * edge);
            }
            w = view;
            break;
        }
        case ControlKind::kComboBox:
        case ControlKind::kComboBoxEx: {
            const uint32_t type = style & kCbsTypeMask;
            const int editHeight = textHeight + 8;
            if (type == kCbsSimple) {
                auto* box = new QWidget(m_client);
                auto* edit = new QLineEdit(title, box);
                edit->setGeometry(0, 0, rect.width(), editHeight);
                auto* list = new QListView(box);
                list->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
                list->setGeometry(0, editHeight, rect.width(),
                                  std::max(0, rect.height() - editHeight));
                w = box;
            } else {
                auto* combo = new QComboBox(m_client);
                // Both kinds show a white field; a drop-down list's cannot be typed into.
                combo->setEditable(true);
                combo->lineEdit()->setReadOnly(type == kCbsDropDownList);
                combo->setEditText(type == kCbsDropDown ? title : QString());
                // The template's height is that of the open list; the closed box is one line.
                rect.setHeight(editHeight);
                w = combo;
            }
            break;
        }
        case ControlKind::kScrollBar: {
            if (style & (kSbsSizeBox | kSbsSizeGrip)) {
                w = new CPaintedControl(m_client, [](QPainter& p, const QRect& r) {
                    p.fillRect(r, kFace);
                    for (int i = 0; i < 3; ++i) {
                        const int d = 4 * i + 2;
                        p.setPen(kHighlight3d);
                        p.drawLine(r.right() - d - 1, r.bottom(), r.right(), r.bottom() - d - 1);
                        p.setPen(kShadow);
                        p.drawLine(r.right() - d, r.bottom(), r.right(), r.bottom() - d);
                        p.drawLine(r.right() - d + 1, r.bottom(), r.right(), r.bottom() - d + 1);
                    }
                });
            } else {
                w = new QScrollBar((style & kSbsVert) ? Qt::Vertical : Qt::Horizontal, m_client);
            }
            break;
        }
        case ControlKind::kTabControl: {
            auto* tabs = new QTabWidget(m_client);
            tabs->setTabPosition((style & kTcsBottom) ? QTabWidget::South : QTabWidget::North);
            w = tabs;
            break;
        }
        case ControlKind::kProgress: {
            auto* bar = new QProgressBar(m_client);
            bar->setOrientation((style & kPbsVertical) ? Qt::Vertical : Qt::Horizontal);
            bar->setTextVisible(false);
            bar->setRange(0, 100);
            bar->setValue(0);
            w = bar;
            break;
        }
        case ControlKind::kTrackbar: {
            auto* slider =
                new QSlider((style & kTbsVert) ? Qt::Vertical : Qt::Horizontal, m_client);
            slider->setRange(0, 100);
            slider->setTickPosition((style & kTbsNoTicks) ? QSlider::NoTicks : QSlider::TicksBelow);
            slider->setTickInterval(100);
            w = slider;
            break;
        }
        case ControlKind::kUpDown: {
            const bool horizontal = (style & kUdsHorz) != 0;
            auto* box = new QWidget(m_client);
            auto* first = new QToolButton(box);
            auto* second = new QToolButton(box);
            first->setArrowType(horizontal ? Qt::LeftArrow : Qt::UpArrow);
            second->setArrowType(horizontal ? Qt::RightArrow : Qt::DownArrow);
            // Attached to the control before it, the arrows take its height at its edge, and it
            // gives up their width.
            if ((style & kUdsAutoBuddy) && (style & (kUdsAlignLeft | kUdsAlignRight)) &&
                m_lastControl != nullptr) {
                QRect buddy = m_lastControl->geometry();
                const int width = rect.width() > 0 ? rect.width() : 16;
                if (style & kUdsAlignLeft) {
                    rect = QRect(buddy.left(), buddy.top(), width, buddy.height());
                    buddy.setLeft(buddy.left() + width - 2);
                } else {
                    rect = QRect(buddy.right() - width + 3, buddy.top(), width, buddy.height());
                    buddy.setRight(buddy.right() - width + 2);
                }
                m_lastControl->setGeometry(buddy);
            }
            const QSize half = horizontal ? QSize(rect.width() / 2, rect.height())
                                          : QSize(rect.width(), rect.height() / 2);
            first->setGeometry(QRect(QPoint(0, 0), half));
            second->setGeometry(horizontal
                                    ? QRect(QPoint(half.width(), 0),
                                            QSize(rect.width() - half.width(), rect.height()))
                                    : QRect(QPoint(0, half.height()),
                                            QSize(rect.width(), rect.height() - half.height())));
            w = box;
            break;
        }
        case ControlKind::kDateTime: {
            auto* edit = new QDateTimeEdit(QDateTime::currentDateTime(), m_client);
            const bool time = (style & kDtsTimeFormat) == kDtsTimeFormat;
            edit->setDisplayFormat(time ? QStringLiteral("HH:mm:ss")
                                        : QStringLiteral("dd.MM.yyyy"));
            edit->setCalendarPopup(!time && !(style & kDtsUpDown));
            w = edit;
            break;
        }
        case ControlKind::kMonthCalendar: {
            auto* calendar = new QCalendarWidget(m_client);
            calendar->setGridVisible(false);
            w = calendar;
            break;
        }
        case ControlKind::kHotKey: {
            auto* edit = new QLineEdit(QStringLiteral("Keine"), m_client);
            edit->setReadOnly(true);
            w = edit;
            break;
        }
        case ControlKind::kIpAddress: {
            auto* edit = new QLineEdit(m_client);
            edit->setInputMask(QStringLiteral("000.000.000.000; "));
            edit->setAlignment(Qt::AlignHCenter);
            w = edit;
            break;
        }
        case ControlKind::kLink: {
            auto* l = new QLabel(Qs(LinkPlainText(c.title.name)), m_client);
            l->setTextFormat(Qt::PlainText);
            l->setWordWrap(true);
            QPalette palette = l->palette();
            palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
            l->setPalette(palette);
            QFont underlined = m_font;
            underlined.setUnderline(true);
            l->setFont(underlined);
            w = l;
            break;
        }
        case ControlKind::kStatusBar:
        case ControlKind::kToolbar:
        case ControlKind::kHeader: {
            const bool grip = kind == ControlKind::kStatusBar && (style & kSbarsSizeGrip);
            if (kind == ControlKind::kHeader) {
                auto* header = new QHeaderView(Qt::Horizontal, m_client);
                auto* columns = new QStandardItemModel(0, 1, header);
                columns->setHeaderData(0, Qt::Horizontal, QString());
                header->setModel(columns);
                header->setStretchLastSection(true);
                w = header;
            } else {
                w = new CPaintedControl(m_client, [grip, kind](QPainter& p, const QRect& r) {
                    p.fillRect(r, kFace);
                    if (kind == ControlKind::kStatusBar) {
                        p.setPen(kShadow);
                        p.drawLine(r.left(), r.top() + 2, r.right() - (grip ? 16 : 0), r.top() + 2);
                    }
                });
            }
            // Bars align to their parent's edge unless told not to.
            if (kind != ControlKind::kHeader && !(style & kCcsNoParentAlign)) {
                const int height = kind == ControlKind::kStatusBar ? textHeight + 7 : 26;
                const bool bottom = kind == ControlKind::kStatusBar
                                        ? (style & kCcsBottom) != kCcsTop
                                        : (style & kCcsBottom) == kCcsBottom;
                if (!(style & kCcsNoResize)) rect = QRect(0, rect.top(), m_client->width(), height);
                rect.moveTop(bottom ? m_client->height() - rect.height() : 0);
            }
            break;
        }
        case ControlKind::kUnknown:
            break;
    }
    if (w == nullptr) return false;
    if (m_windowsStyle) {
        w->setStyle(m_windowsStyle.get());
        for (QWidget* child : w->findChildren<QWidget*>())
            child->setStyle(m_windowsStyle.get());
    }
    w->setObjectName(QStringLiteral("control%1").arg(index));
    w->setProperty("controlId", static_cast<qulonglong>(c.id));
    if (kind != ControlKind::kLink) w->setFont(m_font);
    w->setGeometry(rect);
    w->setEnabled(!(style & kWsDisabled));
    w->setVisible((style & kWsVisible) != 0);
    if (w->focusPolicy() != Qt::NoFocus)
        w->setFocusPolicy((style & kWsTabStop) ? Qt::StrongFocus : Qt::ClickFocus);
    m_lastControl = w;
    return true;
}

void CDialogPreview::Command(uint32_t id) {
    if (id == 1)
        OnOK();
    else if (id == 2)
        OnCancel();
}

void CDialogPreview::OnOK() { End(1); }

void CDialogPreview::OnCancel() { End(2); }

void CDialogPreview::End(uint32_t id) {
    if (m_mode == kModeStandard) {
        hide();
        emit finished(static_cast<int>(id));
    } else if (m_mode == kModeForward) {
        for (QWidget* p = parentWidget(); p != nullptr; p = p->parentWidget())
            if (auto* target = dynamic_cast<ICommandTarget*>(p)) {
                target->OnCommand(id);
                return;
            }
    }
}

void CDialogPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            OnCancel();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter: {
            // The default button's command, as the dialog manager sends it; IDOK without one.
            uint32_t id = 1;
            for (QPushButton* b : findChildren<QPushButton*>())
                if (b->isDefault()) id = b->property("controlId").toUInt();
            Command(id);
            return;
        }
        default:
            QWidget::keyPressEvent(event);
    }
}

void CDialogPreview::MakeChild(QWidget* parent) {
    m_style = ChildPreviewStyle(m_style);
    setAttribute(Qt::WA_DontShowOnScreen, false);
    setParent(parent, Qt::Widget);
}

void CDialogPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    p.fillRect(all, kFace);
    const DialogFrame& f = m_frame;
    if (f.border > 0) {
        if (f.dialogFrame) {
            DrawRaised(p, all);
        } else if ((m_model.exStyle & kWsExStaticEdge) && f.border == 1) {
            p.setPen(kShadow);
            p.drawLine(all.topLeft(), all.topRight());
            p.drawLine(all.topLeft(), all.bottomLeft());
            p.setPen(kHighlight3d);
            p.drawLine(all.bottomLeft(), all.bottomRight());
            p.drawLine(all.topRight(), all.bottomRight());
        } else {
            p.setPen(Qt::black);
            p.drawRect(all.adjusted(0, 0, -1, -1));
        }
    }
    if (f.caption > 0) {
        const QRect bar(f.border, f.border, width() - 2 * f.border, f.caption - 1);
        QLinearGradient gradient(bar.topLeft(), bar.topRight());
        gradient.setColorAt(0, kCaptionLeft);
        gradient.setColorAt(1, kCaptionRight);
        p.fillRect(bar, gradient);
        const int buttonHeight = bar.height() - 4;
        const int buttonWidth = f.toolWindow ? buttonHeight : buttonHeight + 2;
        int right = bar.right() - 1;
        auto button = [&](char glyph, int gap) {
            const QRect box(right - buttonWidth + 1, bar.top() + 2, buttonWidth, buttonHeight);
            p.fillRect(box, kFace);
            DrawRaised(p, box);
            QFont marlett = PixelFont(InstalledFamily(QStringLiteral("Marlett")), buttonHeight - 5);
            marlett.setStyleStrategy(QFont::NoAntialias);
            p.setFont(marlett);
            p.setPen(Qt::black);
            if (glyph == kHelpGlyph) {
                p.setFont(PixelFont(InstalledFamily(QStringLiteral("MS Shell Dlg")), 11, true));
                p.drawText(box.adjusted(0, 0, 0, -1), Qt::AlignCenter, QStringLiteral("?"));
            } else if (marlett.family() == QStringLiteral("Marlett")) {
                p.drawText(box.adjusted(0, 0, 0, -1), Qt::AlignCenter, QString(QChar(glyph)));
            } else {
                // No Marlett: the close cross drawn with lines, other glyphs as letters.
                const QRect g = box.adjusted(4, 3, -5, -4);
                if (glyph == kCloseGlyph) {
                    p.drawLine(g.topLeft(), g.bottomRight());
                    p.drawLine(g.bottomLeft(), g.topRight());
                } else {
                    p.drawText(box, Qt::AlignCenter,
                               glyph == kHelpGlyph ? QStringLiteral("?") : QStringLiteral("_"));
                }
            }
            right = box.left() - 1 - gap;
        };
        if (f.systemMenu) {
            button(kCloseGlyph, 2);
            if (f.maximizeBox || f.minimizeBox) {
                button(kMaximizeGlyph, 0);
                button(kMinimizeGlyph, 2);
            }
            if (f.contextHelp && !f.maximizeBox && !f.minimizeBox) button(kHelpGlyph, 2);
        }
        int textLeft = bar.left() + 3;
        // A dialog without the modal frame shows the window menu's icon: the platform's default
        // application picture, as the dialog sets no icon of its own.
        const bool modal = (m_model.exStyle & kWsExDlgModalFrame) || (m_style & kDsModalFrame);
        if (f.systemMenu && !modal && !f.toolWindow) {
            const QRect icon(bar.left() + 2, bar.top() + (bar.height() - 16) / 2, 16, 16);
            p.fillRect(icon.adjusted(1, 2, -1, -2), Qt::white);
            p.fillRect(QRect(icon.left() + 1, icon.top() + 2, 14, 3), kCaptionLeft);
            p.setPen(Qt::black);
            p.drawRect(icon.adjusted(1, 2, -2, -3));
            textLeft = icon.right() + 3;
        }
        QFont captionFont = PixelFont(InstalledFamily(QStringLiteral("MS Shell Dlg")), 11, true);
        p.setFont(captionFont);
        p.setPen(Qt::white);
        const QRect text(textLeft, bar.top(), right - textLeft - 1, bar.height());
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                   QFontMetrics(captionFont).elidedText(m_caption, Qt::ElideRight, text.width()));
    }
    if (f.menu > 0 && m_menuBar == nullptr) {
        // A menu the module does not have: the bar's place stays as the platform leaves it.
        p.fillRect(QRect(f.border, f.border + f.caption, width() - 2 * f.border, f.menu), kFace);
    }
    if (f.clientEdge > 0 && m_client != nullptr)
        DrawSunken(p, m_client->geometry().adjusted(-f.clientEdge, -f.clientEdge, f.clientEdge - 1,
                                                    f.clientEdge - 1));
}

QImage CDialogPreview::Picture() {
    if (m_client == nullptr) return {};
    const bool wasVisible = isVisible();
    // Shown without a window on the screen, so that every control is polished and laid out.
    setAttribute(Qt::WA_DontShowOnScreen, true);
    if (!wasVisible) show();
    QImage image(size(), QImage::Format_RGB32);
    image.fill(kFace);
    render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    if (!wasVisible) hide();
    return image;
}

std::unique_ptr<CDialogPreview> CreateDialogPreview(const CResourceCatalog& catalog,
                                                    const CResourceId& name, QWidget* parent,
                                                    std::string* error) {
    const auto bytes = catalog.GetData(CResourceId(static_cast<uint16_t>(kRtDialog)), name);
    if (!bytes) {
        if (error) *error = "Die Dialogressource " + name.ToText() + " fehlt.";
        return nullptr;
    }
    auto preview = std::make_unique<CDialogPreview>(parent);
    if (!preview->CreateFromTemplate(*bytes, parent, &catalog)) {
        if (error) *error = preview->ErrorText();
        return nullptr;
    }
    return preview;
}

}  // namespace tv
