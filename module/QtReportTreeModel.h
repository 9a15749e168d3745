// A report tree (the headers report, the resources tree) as a Qt item model: rows are read from
// the report when a view asks for them, so a report of a million lines costs the view nothing
// until it scrolls there.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QList>

#include <vector>

#include "module/ReportTree.h"

namespace tv {

class CReportTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The report node of an index (a ReportNode as qulonglong).
    static constexpr int kNodeRole = Qt::UserRole + 1;

    explicit CReportTreeModel(QObject* parent = nullptr);

    // Shows report instead of the one shown so far (a model reset).
    void SetReport(CReportTree report);
    [[nodiscard]] const CReportTree& Report() const noexcept { return m_report; }

    [[nodiscard]] ReportNode NodeOf(const QModelIndex& index) const noexcept;
    [[nodiscard]] QModelIndex IndexOf(ReportNode node) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    [[nodiscard]] const std::vector<ReportNode>& ChildrenOf(ReportNode node) const;

    CReportTree m_report;
    std::vector<int> m_rows;  // m_rows[n - 1]: the row of node n among its parent's children
    QList<QIcon> m_images;
};

}  // namespace tv
