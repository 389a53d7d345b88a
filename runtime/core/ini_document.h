#pragma once
// The settings and results files as GBK bytes, read and edited the way the
// Windows private-profile routines treat them. No toolkit and no file access
// here, so the rules can be checked on byte strings alone.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ini {

// The caller's buffer for one value holds 10240 bytes with its terminating
// zero.
inline constexpr std::size_t kValueLimit = 10239;

// How the text of a file is held: GBK as on disk, or UTF-8 (the text of a
// Unicode file). The rules are the same; only what makes one character
// differs.
enum class Encoding { gbk, utf8 };

// Drops spaces and tabs at both ends.
std::string_view trim_blanks(std::string_view s);

// Equal without regard to ASCII case. A double-byte GBK character is
// compared as a whole: its second byte may look like a letter.
bool names_equal(std::string_view a, std::string_view b, Encoding encoding = Encoding::gbk);

// At most `limit` bytes of a GBK text, without leaving half a character at
// the end.
std::string_view cut_gbk(std::string_view gbk, std::size_t limit);

// A settings file as other editors save it: GBK without a byte-order mark,
// or Unicode with one (UTF-8, UTF-16 little or big endian).
class FileText {
public:
    enum class Form { gbk, utf8_bom, utf16le_bom, utf16be_bom };

    // Recognises the form by the byte-order mark.
    explicit FileText(std::string_view file);
    Form form() const { return form_; }
    Encoding encoding() const { return form_ == Form::gbk ? Encoding::gbk : Encoding::utf8; }
    // GBK bytes, or UTF-8 for a Unicode file (UTF-16 code units that pair
    // with nothing are kept as three-byte sequences, so nothing is lost).
    const std::string& text() const { return text_; }
    // The whole file again in its own form, holding `text`.
    std::string file_with(std::string_view text) const;

private:
    Form form_ = Form::gbk;
    std::string text_;
    std::string odd_byte_; // a UTF-16 file of odd length keeps its last byte
};

// Lines end at every "\r\n", "\n" or lone "\r".
class Document {
public:
    Document() = default;
    explicit Document(std::string bytes, Encoding encoding = Encoding::gbk)
        : bytes_(std::move(bytes)), encoding_(encoding)
    {
    }

    // The value of the first matching key in the first matching section,
    // blanks around it dropped and one pair of enclosing quotes removed.
    // Nothing for a missing section or key, or a key line without '='.
    std::optional<std::string_view> find(std::string_view section,
                                         std::string_view key) const;

    // Sets one item and keeps every other byte. False, with nothing
    // changed, when the section or key is blank or would not fit on one
    // line. New lines end as the line before them where that ends with a
    // lone carriage return, else with "\r\n".
    bool set(std::string_view section, std::string_view key, std::string_view value);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
    Encoding encoding_ = Encoding::gbk;
};

} // namespace ini
