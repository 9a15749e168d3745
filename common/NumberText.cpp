#include "common/NumberText.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "res/StringTable.h"

namespace tv {

namespace {

// "%.*f" without the locale: std::to_chars rounds the exact binary value to the nearest
// representable text, as glibc's printf does, and never writes a locale's decimal point.
std::string FixedText(double value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 100) decimals = 100;
    char buffer[512];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return std::string();
    return std::string(buffer, result.ptr);
}

// Inserts "." between groups of three integer digits, walking from the right. The minus sign of
// a negative number never gets a separator right behind it.
void Group(std::string& text, bool negative) {
    size_t offset = 3;
    while (offset < text.size()) {
        if (negative && offset == text.size() - 1) break;
        text.insert(text.size() - offset, 1, '.');
        offset += 4;
    }
}

}  // namespace

CNumberText& CNumberText::LoadText(uint32_t id) {
    m_text = std::string(tv::LoadString(id));
    return *this;
}

CNumberText& CNumberText::FormatUnsigned(uint64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    m_text.assign(buffer, result.ptr);
    Group(m_text, false);
    return *this;
}

CNumberText& CNumberText::FormatReal(double value, int decimals) {
    const std::string printed = FixedText(value, decimals);
    if (!std::isfinite(value)) {
        // "inf" and "nan" have no integer part to group or decimals to split off.
        m_text = printed;
        return *this;
    }
    const bool negative = !printed.empty() && printed.front() == '-';
    if (decimals > 0) {
        const size_t fraction = static_cast<size_t>(decimals) + 1;  // the decimals and the point
        m_text = printed.substr(0, printed.size() - fraction);
        Group(m_text, negative);
        m_text += ',';
        m_text += printed.substr(printed.size() - static_cast<size_t>(decimals));
    } else {
        m_text = printed;
        Group(m_text, negative);
    }
    return *this;
}

CNumberText& CNumberText::FormatByteSize(uint64_t bytes) {
    if (bytes < 1024) {
        FormatUnsigned(bytes);
        m_text += " Bytes";
        return *this;
    }
    // Each larger unit is computed from the truncated count of the unit below, as the size
    // column always did: 1048575 bytes show as "1.024,00 Kb", not "1,00 Mb".
    const double kilo = static_cast<double>(bytes) / 1024.0;
    const uint64_t wholeKilo = bytes / 1024;
    if (wholeKilo < 1024) {
        FormatReal(kilo, 2);
        m_text += " Kb";
        return *this;
    }
    const double mega = static_cast<double>(wholeKilo) / 1024.0;
    const uint64_t wholeMega = wholeKilo / 1024;
    if (wholeMega < 1024) {
        FormatReal(mega, 2);
        m_text += " Mb";
        return *this;
    }
    FormatReal(static_cast<double>(wholeMega) / 1024.0, 2);
    m_text += " Gb";
    return *this;
}

}  // namespace tv
