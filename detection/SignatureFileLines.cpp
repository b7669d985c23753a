#include "SignatureFileLines.h"

#include <charconv>
#include <cstdint>

namespace quenno::detection {

std::string_view BreakBytes(LineBreak lineBreak)
{
    switch (lineBreak) {
    case LineBreak::Lf:
        return "\n";
    case LineBreak::CrLf:
        return "\r\n";
    case LineBreak::None:
        break;
    }
    return {};
}

std::string_view WithoutBreakCr(std::string_view beforeLf)
{
    if (!beforeLf.empty() && beforeLf.back() == '\r')
        beforeLf.remove_suffix(1);
    return beforeLf;
}

TextLine LineAt(std::string_view text, std::size_t from)
{
    const std::size_t lf = text.find('\n', from);
    if (lf == std::string_view::npos)
        return {text.substr(from), LineBreak::None, text.size()};
    const std::string_view line = WithoutBreakCr(text.substr(from, lf - from));
    return {line, line.size() == lf - from ? LineBreak::Lf : LineBreak::CrLf, lf + 1};
}

bool IsEntryLine(std::string_view line) { return !line.empty() && line.find('\0') == std::string_view::npos; }

std::optional<std::int32_t> SizeLimitOf(std::string_view field)
{
    const bool plus = !field.empty() && field.front() == '+';
    if (plus)
        field.remove_prefix(1);
    if (field.empty() || (plus && field.front() == '-'))
        return std::nullopt;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return std::nullopt;
    return value;
}

bool IsSettingsLine(std::string_view line)
{
    return line.find_first_of(std::string_view("\r\0", 2)) == std::string_view::npos
        && SizeLimitOf(line.substr(0, line.find(';'))).has_value();
}

RecordLines SplitWithBreaks(std::string_view text)
{
    RecordLines records;
    ForEachLine(text, [&](const TextLine& line) {
        records.lines.emplace_back(line.text);
        records.breaks.push_back(line.lineBreak);
    });
    return records;
}

std::string JoinWithBreaks(const RecordLines& records)
{
    std::size_t size = 0;
    for (std::size_t i = 0; i < records.lines.size(); ++i)
        size += records.lines[i].size() + BreakBytes(records.breaks[i]).size();
    std::string text;
    text.reserve(size);
    for (std::size_t i = 0; i < records.lines.size(); ++i) {
        text += records.lines[i];
        text += BreakBytes(records.breaks[i]);
    }
    return text;
}

void PutSettingsLine(RecordLines& records, std::string_view settings)
{
    if (!records.lines.empty() && IsSettingsLine(records.lines.front())) {
        records.lines.front().assign(settings);
        return;
    }
    const LineBreak lineBreak
        = !records.breaks.empty() && records.breaks.front() == LineBreak::Lf ? LineBreak::Lf : LineBreak::CrLf;
    records.lines.emplace(records.lines.begin(), settings);
    records.breaks.insert(records.breaks.begin(), lineBreak);
}

}  // namespace quenno::detection
