// Reports (the headers tree and others) are built by the core through this small sink, so the
// same content goes to the window's tree control, to tarnview-cli and to golden tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// A line of a report as the sink knows it; kNoReportNode stands for "none" and, as a parent,
// for the top level.
using ReportNode = uintptr_t;
inline constexpr ReportNode kNoReportNode = 0;

// Images of the headers tree (the 16-pixel strip, bitmap resource 132).
inline constexpr int kImageGroup = 1;    // a line with children, and the root
inline constexpr int kImageValue = 2;    // a value line
inline constexpr int kImageLibrary = 3;  // an imported library in the summary

class IReportSink {
public:
    virtual ~IReportSink() = default;
    // Appends a line after the last child of parent (a top-level line for kNoReportNode) and
    // returns it, or kNoReportNode when it cannot be added. text is UTF-8.
    virtual ReportNode AddNode(std::string_view text, int image, ReportNode parent,
                               uintptr_t itemData) = 0;
};

// A report kept in memory: for tarnview-cli and for tests.
class CReportTree : public IReportSink {
public:
    struct Node {
        std::string text;
        int image = 0;
        uintptr_t itemData = 0;
        ReportNode parent = kNoReportNode;
        std::vector<ReportNode> children;
    };

    ReportNode AddNode(std::string_view text, int image, ReportNode parent,
                       uintptr_t itemData) override;

    void Clear() noexcept;
    [[nodiscard]] size_t Size() const noexcept { return m_nodes.size(); }
    [[nodiscard]] bool Empty() const noexcept { return m_nodes.empty(); }
    // node must be one this tree handed out.
    [[nodiscard]] const Node& At(ReportNode node) const;
    [[nodiscard]] const std::vector<ReportNode>& TopLevel() const noexcept { return m_top; }
    // The first line with exactly this text, depth first, or kNoReportNode.
    [[nodiscard]] ReportNode Find(std::string_view text, ReportNode under = kNoReportNode) const;
    // The texts of the children of node (of the top level for kNoReportNode).
    [[nodiscard]] std::vector<std::string> ChildTexts(ReportNode node) const;

    // One line per node, depth first, each indented by two spaces per level and ending in "\n".
    // With under set, that line and its descendants, under at column 0.
    [[nodiscard]] std::string Render(ReportNode under = kNoReportNode) const;

private:
    void RenderNode(ReportNode node, size_t depth, std::string& out) const;
    [[nodiscard]] const std::vector<ReportNode>& ChildrenOf(ReportNode node) const;

    std::vector<Node> m_nodes;  // node n is m_nodes[n - 1]
    std::vector<ReportNode> m_top;
};

}  // namespace tv
