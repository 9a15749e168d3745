#include "resources/InfoListPage.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <vector>

#include "resources/ReportListAdapter.h"
#include "ui_InfoListPage.h"

namespace tv {

// The rows as a two-column model that the information texts fill through their sink.
class CInfoRowsModel : public QAbstractTableModel, public IInfoRowSink {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void Clear() override {
        beginResetModel();
        m_filling = true;
        m_rows.clear();
    }
    void AddRow(std::string_view label, std::string_view value, int kind) override {
        if (!m_filling) beginInsertRows({}, RowCount(), RowCount());
        m_rows.push_back({std::string(label), std::string(value), kind});
        if (!m_filling) endInsertRows();
    }
    void Finish() override {
        if (!m_filling) return;
        m_filling = false;
        endResetModel();
    }

    [[nodiscard]] const std::vector<InfoRow>& Rows() const noexcept { return m_rows; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : RowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : 2;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= RowCount()) return {};
        const InfoRow& row = m_rows[static_cast<size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole: {
                const std::string& text = index.column() == 0 ? row.label : row.value;
                return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            }
            case Qt::BackgroundRole:
                // Only the background: the text keeps the list's colour.
                if (row.kind == kInfoRowLanguage)
                    return QColor::fromRgb(CInfoListPage::kLanguageShade);
                if (row.kind == kInfoRowVersion)
                    return QColor::fromRgb(CInfoListPage::kVersionShade);
                return {};
            default:
                return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    [[nodiscard]] int RowCount() const { return static_cast<int>(m_rows.size()); }

    std::vector<InfoRow> m_rows;
    bool m_filling = false;
};

CInfoListPage::CInfoListPage(QWidget* parent)
    : CResourcePage(parent), m_ui(std::make_unique<Ui::InfoListPage>()) {
    m_ui->setupUi(this);
    m_model = new CInfoRowsModel(this);
    m_ui->list1006->setModel(m_model);
    m_ui->list1006->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->list1006->verticalHeader()->setMinimumSectionSize(1);
}

CInfoListPage::~CInfoListPage() = default;

QTableView* CInfoListPage::List() const noexcept { return m_ui->list1006; }

QString CInfoListPage::RowsText() const {
    CInfoRows rows;
    for (const InfoRow& row : m_model->Rows())
        rows.AddRow(row.label, row.value, row.kind);
    const std::string text = rows.Render();
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void CInfoListPage::ShowModuleInfo(const CResourceCatalog& catalog) {
    tv::ShowModuleInfo(catalog, *m_model);
    FitColumns();
}

void CInfoListPage::ShowTypeInfo(const CResourceCatalog& catalog, const CResourceId& type) {
    tv::ShowTypeInfo(catalog, type, *m_model);
    FitColumns();
}

void CInfoListPage::ShowVersionInfo(const CResourceCatalog& catalog, const CResourceId& name) {
    tv::ShowVersionInfo(catalog, name, *m_model);
    FitColumns();
}

void CInfoListPage::FitColumns() {
    // Each column as wide as its widest text and the margin every report list adds.
    const QFontMetrics metrics(m_ui->list1006->font());
    for (int column = 0; column < 2; ++column) {
        int width = 0;
        for (const InfoRow& row : m_model->Rows()) {
            const std::string& text = column == 0 ? row.label : row.value;
            width = std::max(width, metrics.horizontalAdvance(QString::fromUtf8(
                                        text.data(), static_cast<qsizetype>(text.size()))));
        }
        m_ui->list1006->setColumnWidth(column,
                                       std::min(width + kColumnTextMargin, kMaxColumnWidth));
    }
}

}  // namespace tv
