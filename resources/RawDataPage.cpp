#include "resources/RawDataPage.h"

#include <QFontDatabase>

#include <limits>

#include "common/FileWriter.h"
#include "res/Commands.h"
#include "res/DialogToolBar.h"
#include "res/Menus.h"
#include "res/QtWaitCursor.h"
#include "res/StringTable.h"
#include "resources/DumpText.h"
#include "resources/IconGroup.h"
#include "resources/QtSaveFile.h"
#include "resources/ResourceCatalog.h"
#include "resources/ResourceTypes.h"
#include "settings/Settings.h"
#include "ui_RawDataPage.h"

namespace tv {

namespace {

QString Qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

constexpr uint32_t kSaveErrorString = 1006;

}  // namespace

CRawDataPage::CRawDataPage(QWidget* parent)
    : CResourcePage(parent), m_ui(std::make_unique<Ui::RawDataPage>()) {
    m_ui->setupUi(this);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    m_ui->edit1015->setFont(font);
    m_toolbar = new CDialogToolBar(this);
    m_toolbar->CreateAtPlaceholder(this, 1003, kRawPageToolbar);
    m_ui->editText->setFont(font);
    m_toolbar->EnableButton(cmd::kSaveAs, false);
    m_toolbar->EnableButton(cmd::kRawAsText, false);
    m_toolbar->CheckButton(cmd::kRawAsText, CSettings().GetRawDataAsText());
    connect(m_toolbar, &CDialogToolBar::commandTriggered, this, [this](uint32_t id) {
        if (id == cmd::kSaveAs) OnSaveAs();
        if (id == cmd::kRawAsText) OnAsText();
    });
}

CRawDataPage::~CRawDataPage() = default;

QString CRawDataPage::DumpText() const { return m_ui->edit1015->toPlainText(); }

QString CRawDataPage::TextFormText() const { return m_ui->editText->toPlainText(); }

bool CRawDataPage::IsShowingText() const { return m_ui->editText->isVisibleTo(this); }

void CRawDataPage::OnAsText() {
    const bool asText = !m_toolbar->IsButtonChecked(cmd::kRawAsText);
    CSettings().SetRawDataAsText(asText);
    m_toolbar->CheckButton(cmd::kRawAsText, asText);
    ShowView();
}

// The text form when there is one and it is chosen, else the dump.
void CRawDataPage::ShowView() {
    const bool text = m_textForm != TextForm::kNone && m_toolbar->IsButtonChecked(cmd::kRawAsText);
    m_ui->editText->setVisible(text);
    m_ui->edit1015->setVisible(!text);
}

QString CRawDataPage::ByteCountText() const { return m_ui->static1016->text(); }

bool CRawDataPage::IsGroup() const {
    return !m_type.IsName() &&
           (m_type.GetNumber() == kRtGroupIcon || m_type.GetNumber() == kRtGroupCursor);
}

void CRawDataPage::ShowRawData(const CResourceCatalog& catalog, const CResourceId& type,
                               const CResourceId& name) {
    CWaitCursor wait;
    m_toolbar->EnableButton(cmd::kSaveAs, false);
    m_toolbar->EnableButton(cmd::kRawAsText, false);
    m_ui->edit1015->clear();
    m_ui->editText->clear();
    m_textForm = TextForm::kNone;
    m_catalog = &catalog;
    m_type = type;
    m_name = name;
    const std::optional<CByteView> data = catalog.GetData(type, name);
    // A resource that is missing or empty leaves the byte count as it was.
    if (!data || data->Size() == 0) {
        ShowView();
        return;
    }
    const ResourceLeaf* leaf = catalog.GetDirectory().Find(type, name);
    const ResourceText text =
        ResourceTextOf(type, name, leaf != nullptr ? leaf->language : 0, *data);
    m_textForm = text.form;
    if (text.form != TextForm::kNone) {
        QString shown = Qs(text.text);
        if (text.cut)
            shown += QStringLiteral("\n[… gekürzt: gezeigt werden die ersten %1 Bytes des Textes]")
                         .arg(text.text.size());
        m_ui->editText->setPlainText(shown);
    }
    m_toolbar->EnableButton(cmd::kRawAsText, text.form != TextForm::kNone);
    ShowView();
    m_ui->static1016->setText(Qs(tv::ByteCountText(data->Size())));
    QString dump = Qs(DumpDisplayText(BuildDumpText(*data)));
    dump.chop(1);  // the last line's end would show as an empty line below it
    m_ui->edit1015->setPlainText(dump);
    m_toolbar->EnableButton(cmd::kSaveAs, true);
}

void CRawDataPage::OnSaveAs() {
    if (m_catalog == nullptr) return;
    SaveFileRequest request;
    // Groups can also become real icon or cursor files; the extension chosen decides.
    const bool cursor = !m_type.IsName() && m_type.GetNumber() == kRtGroupCursor;
    if (IsGroup())
        request.filter += cursor ? QStringLiteral("Cursor files (*.cur)|*.cur|")
                                 : QStringLiteral("Icon files (*.ico)|*.ico|");
    request.filter += Qs(LoadString(3004));
    // The text form as a file of its own: a script, or the text.
    if (m_textForm == TextForm::kScript) request.filter += Qs(LoadString(3001));
    if (m_textForm == TextForm::kText) request.filter += Qs(LoadString(3002));
    request.filter += Qs(LoadString(3000)) + QLatin1Char('|');
    request.proposedName = ModuleFileTitle(m_catalog->GetPath());
    request.defaultExtension = QStringLiteral("bin");
    const std::string path = ChooseSaveFile(this, request);
    if (path.empty()) return;

    bool saved = false;
    const std::string extension = LowerExtension(path);
    if (IsGroup() && extension == (cursor ? "cur" : "ico")) {
        IconFileResult result;
        std::string error;
        saved = SaveIconGroupFile(*m_catalog, cursor, m_name, path, result, error);
    } else if ((m_textForm == TextForm::kScript && extension == "rc") ||
               (m_textForm == TextForm::kText && extension == "txt")) {
        // The whole text: the view's bound is for the screen only.
        const std::optional<CByteView> data = m_catalog->GetData(m_type, m_name);
        const ResourceLeaf* leaf = m_catalog->GetDirectory().Find(m_type, m_name);
        const ResourceText text =
            data ? ResourceTextOf(m_type, m_name, leaf != nullptr ? leaf->language : 0, *data,
                                  std::numeric_limits<size_t>::max() / 4)
                 : ResourceText{};
        saved = data && WriteFileAtomically(path, text.text.data(), text.text.size()) == 0;
    } else {
        saved = m_catalog->ExportRaw(m_type, m_name, path);
    }
    if (!saved) {
        ShowSaveError(this, Qs(FormatStringResource(kSaveErrorString, {path})));
    }
}

}  // namespace tv
