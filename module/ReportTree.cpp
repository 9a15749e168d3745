#include "module/ReportTree.h"

#include <stdexcept>

namespace tv {

ReportNode CReportTree::AddLine(const ReportLine& line, ReportNode parent) {
    if (parent != kNoReportNode && parent > m_nodes.size()) return kNoReportNode;
    Node node;
    static_cast<ReportLine&>(node) = line;
    node.parent = parent;
    m_nodes.push_back(std::move(node));
    const ReportNode added = m_nodes.size();
    if (parent == kNoReportNode)
        m_top.push_back(added);
    else
        m_nodes[parent - 1].children.push_back(added);
    return added;
}

void CReportTree::Clear() noexcept {
    m_nodes.clear();
    m_top.clear();
}

const CReportTree::Node& CReportTree::At(ReportNode node) const {
    if (node == kNoReportNode || node > m_nodes.size())
        throw std::out_of_range("not a node of this report");
    return m_nodes[node - 1];
}

const std::vector<ReportNode>& CReportTree::ChildrenOf(ReportNode node) const {
    return node == kNoReportNode ? m_top : At(node).children;
}

ReportNode CReportTree::Find(std::string_view text, ReportNode under) const {
    // Depth first without recursion: a report may be one level but 50,000 lines wide, or
    // deep where a damaged file makes it so.
    std::vector<ReportNode> stack(ChildrenOf(under).rbegin(), ChildrenOf(under).rend());
    while (!stack.empty()) {
        const ReportNode n = stack.back();
        stack.pop_back();
        const Node& node = At(n);
        if (node.text == text) return n;
        stack.insert(stack.end(), node.children.rbegin(), node.children.rend());
    }
    return kNoReportNode;
}

std::vector<std::string> CReportTree::ChildTexts(ReportNode node) const {
    std::vector<std::string> texts;
    for (ReportNode child : ChildrenOf(node))
        texts.push_back(At(child).text);
    return texts;
}

std::string CReportTree::Render(ReportNode under) const {
    std::string out;
    if (under != kNoReportNode) {
        RenderNode(under, 0, out);
    } else {
        for (ReportNode n : m_top)
            RenderNode(n, 0, out);
    }
    return out;
}

void CReportTree::RenderNode(ReportNode node, size_t depth, std::string& out) const {
    const Node& n = At(node);
    out.append(2 * depth, ' ');
    out += n.text;
    out += '\n';
    for (ReportNode child : n.children)
        RenderNode(child, depth + 1, out);
}

}  // namespace tv
