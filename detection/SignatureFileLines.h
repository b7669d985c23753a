#pragma once
// The line rule of database.db, the one every reader and writer of the file follows: a
// line ends at CR LF or at a lone LF (what Linux editors, printf and `echo >>` write); a
// lone CR stays inside its line. The file's last line may end without a break.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quenno::detection {

enum class LineBreak : std::uint8_t { None, Lf, CrLf };

// The bytes of a break: "", "\n" or "\r\n".
std::string_view BreakBytes(LineBreak lineBreak);

struct TextLine {
    std::string_view text;  // without its break
    LineBreak lineBreak = LineBreak::None;
    std::size_t next = 0;  // where the following line starts
};

// The line that starts at `from` (from < text.size()).
TextLine LineAt(std::string_view text, std::size_t from);

// A line's text from its bytes up to the LF that ends it: a CR just before the LF belongs
// to the break. Readers that get the file in pieces find the LF and call this.
std::string_view WithoutBreakCr(std::string_view beforeLf);

// Every line in order; the empty piece after a final break is not a line, so "" has none.
template<class Visit> void ForEachLine(std::string_view text, Visit&& visit)
{
    for (std::size_t from = 0; from < text.size();) {
        const TextLine line = LineAt(text, from);
        visit(line);
        from = line.next;
    }
}

// Lines the signature table holds: not empty, no NUL.
bool IsEntryLine(std::string_view line);

// The size limit a settings line's first field gives: a whole number (optional sign,
// digits) within 32 bits; nullopt for anything else.
std::optional<std::int32_t> SizeLimitOf(std::string_view field);

// A settings line: its first field is a whole number (optional sign, digits, within 32
// bits), and it holds no CR and no NUL. A line with a lone CR in it is lines an editor
// joined: replacing it would drop the records behind the CR.
bool IsSettingsLine(std::string_view line);

// The lines (without breaks) and the break of each; joined again they give the text.
struct RecordLines {
    std::vector<std::string> lines;
    std::vector<LineBreak> breaks;
};
RecordLines SplitWithBreaks(std::string_view text);
std::string JoinWithBreaks(const RecordLines& records);

// Puts `settings` as the first line: it replaces the first line's own bytes when that line
// is a settings line (its break stays), else it goes above it, ending with the break the
// file's first line has (CR LF when that one has none). No other byte changes.
void PutSettingsLine(RecordLines& records, std::string_view settings);

}  // namespace quenno::detection
