// Numbers and sizes as the program shows them: German separators ("." between thousands, ","
// before decimals) whatever the process locale says.
#pragma once

#include <cstdint>
#include <string>

namespace tv {

class CNumberText {
public:
    CNumberText() = default;
    virtual ~CNumberText() = default;
    CNumberText(const CNumberText&) = default;
    CNumberText& operator=(const CNumberText&) = default;

    // Text = the program's string resource id (empty when there is none).
    CNumberText& LoadText(uint32_t id);
    // Text = the decimal digits of value with "." grouping: 4294967295 gives 4.294.967.295.
    CNumberText& FormatUnsigned(uint64_t value);
    // Text = value with "." grouping and, when decimals > 0, "," and exactly that many decimals,
    // rounded as printf's "%.*f" rounds: (1234.5, 2) gives 1.234,50.
    CNumberText& FormatReal(double value, int decimals);
    // Text = a size with unit: "512 Bytes", "1,50 Kb", "1.024,00 Kb", "1,50 Mb", "1,00 Gb".
    // Counts above 4 Gb go on in " Gb".
    CNumberText& FormatByteSize(uint64_t bytes);

    [[nodiscard]] const std::string& GetText() const noexcept { return m_text; }
    [[nodiscard]] const char* c_str() const noexcept { return m_text.c_str(); }
    operator const std::string&() const noexcept { return m_text; }

private:
    std::string m_text;
};

}  // namespace tv
