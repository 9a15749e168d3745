#include "module/QtReportTreeModel.h"

#include "res/QtResources.h"

namespace tv {

CReportTreeModel::CReportTreeModel(QObject* parent)
    : QAbstractItemModel(parent), m_images(StripImageList()) {}

void CReportTreeModel::SetReport(CReportTree report) {
    beginResetModel();
    m_report = std::move(report);
    m_rows.assign(m_report.Size(), 0);
    auto number = [this](const std::vector<ReportNode>& children) {
        for (size_t row = 0; row < children.size(); ++row)
            m_rows[children[row] - 1] = static_cast<int>(row);
    };
    number(m_report.TopLevel());
    for (ReportNode node = 1; node <= m_report.Size(); ++node)
        number(m_report.At(node).children);
    endResetModel();
}

const std::vector<ReportNode>& CReportTreeModel::ChildrenOf(ReportNode node) const {
    return node == kNoReportNode ? m_report.TopLevel() : m_report.At(node).children;
}

ReportNode CReportTreeModel::NodeOf(const QModelIndex& index) const noexcept {
    if (!index.isValid() || index.model() != this) return kNoReportNode;
    return static_cast<ReportNode>(index.internalId());
}

QModelIndex CReportTreeModel::IndexOf(ReportNode node) const {
    if (node == kNoReportNode || node > m_report.Size()) return {};
    return createIndex(m_rows[node - 1], 0, static_cast<quintptr>(node));
}

QModelIndex CReportTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    const auto& children = ChildrenOf(NodeOf(parent));
    if (static_cast<size_t>(row) >= children.size()) return {};
    return createIndex(row, 0, static_cast<quintptr>(children[static_cast<size_t>(row)]));
}

QModelIndex CReportTreeModel::parent(const QModelIndex& child) const {
    const ReportNode node = NodeOf(child);
    if (node == kNoReportNode) return {};
    return IndexOf(m_report.At(node).parent);
}

int CReportTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return static_cast<int>(ChildrenOf(NodeOf(parent)).size());
}

int CReportTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool CReportTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant CReportTreeModel::data(const QModelIndex& index, int role) const {
    const ReportNode node = NodeOf(index);
    if (node == kNoReportNode) return {};
    const CReportTree::Node& line = m_report.At(node);
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return QString::fromUtf8(line.text.data(), static_cast<qsizetype>(line.text.size()));
        case Qt::DecorationRole:
            if (line.image >= 0 && line.image < m_images.size()) return m_images[line.image];
            return {};
        case kNodeRole:
            return QVariant::fromValue(static_cast<qulonglong>(node));
        default:
            return {};
    }
}

Qt::ItemFlags CReportTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!hasChildren(index)) flags |= Qt::ItemNeverHasChildren;
    return flags;
}

}  // namespace tv
