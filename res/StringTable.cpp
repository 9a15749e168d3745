#include "res/StringTable.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tv {

namespace {
struct Entry {
    uint32_t id;
    std::string_view text;
};

// Sorted by id; looked up by binary search.
constexpr Entry kStrings[] = {
    {2019, "%d.%m.%Y %H:%M:%S"},
    {57344, "Tarnview"},
};
}  // namespace

std::string_view LoadString(uint32_t id) noexcept {
    const auto* end = std::end(kStrings);
    const auto* it = std::lower_bound(std::begin(kStrings), end, id,
                                      [](const Entry& e, uint32_t key) { return e.id < key; });
    return it != end && it->id == id ? it->text : std::string_view();
}

bool HasString(uint32_t id) noexcept {
    return !LoadString(id).empty();
}

std::string_view PromptText(uint32_t id) noexcept {
    const auto text = LoadString(id);
    return text.substr(0, text.find('\n'));
}

std::string_view TooltipText(uint32_t id) noexcept {
    const auto text = LoadString(id);
    const auto lf = text.find('\n');
    return lf == std::string_view::npos ? std::string_view() : text.substr(lf + 1);
}

}  // namespace tv
