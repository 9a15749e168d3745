// Reports (the headers tree and others) are built by the core through this small sink, so the
// same content goes to the window's tree control, to tarnview-cli and to golden tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "module/ResourceDirectory.h"
#include "res/ImageStrip.h"

namespace tv {

// A line of a report as the sink knows it; kNoReportNode stands for "none" and, as a parent,
// for the top level.
using ReportNode = uintptr_t;
inline constexpr ReportNode kNoReportNode = 0;

// Images of the headers tree (the 16-pixel strip, bitmap resource 132).
inline constexpr int kImageGroup = kStripGroup;      // a line with children, and the root
inline constexpr int kImageValue = kStripValue;      // a value line
inline constexpr int kImageLibrary = kStripLibrary;  // an imported library in the summary

// What a line stands for, so a window can offer its commands without reading the text.
enum class ReportLineKind : uint8_t {
    kGroup,         // a line with children
    kValue,         // a value line
    kNote,          // a line that tells of damage or of a limit that stopped a list
    kModule,        // a module: a report's root, an imported library; moduleName names it
    kResourceType,  // a resource type: resourceType is set
    kResource,      // a single resource: resourceType and resourceName are set
};

struct ReportLine {
    std::string text;  // UTF-8, as shown
    int image = 0;
    ReportLineKind kind = ReportLineKind::kValue;
    // For kModule: the module as the file names it (a path, or a library name to search for),
    // raw bytes, not cleaned for display, so it can be opened again.
    std::string moduleName;
    // For kResourceType and kResource: the identifiers exactly as the directory holds them.
    CResourceId resourceType;
    CResourceId resourceName;
};

class IReportSink {
public:
    virtual ~IReportSink() = default;
    // Appends a line after the last child of parent (a top-level line for kNoReportNode) and
    // returns it, or kNoReportNode when it cannot be added.
    virtual ReportNode AddLine(const ReportLine& line, ReportNode parent) = 0;
};

// A report kept in memory: for tarnview-cli and for tests.
class CReportTree : public IReportSink {
public:
    struct Node : ReportLine {
        ReportNode parent = kNoReportNode;
        std::vector<ReportNode> children;
    };

    ReportNode AddLine(const ReportLine& line, ReportNode parent) override;

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

    std::vector<Node> m_nodes;  // node n is m_nodes[n - 1], in the order they were added
    std::vector<ReportNode> m_top;
};

}  // namespace tv
