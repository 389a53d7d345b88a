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

// Drops spaces and tabs at both ends.
std::string_view trim_blanks(std::string_view s);

// Equal without regard to ASCII case. A double-byte GBK character is
// compared as a whole: its second byte may look like a letter.
bool names_equal(std::string_view a, std::string_view b);

// At most `limit` bytes of a GBK text, without leaving half a character at
// the end.
std::string_view cut_gbk(std::string_view gbk, std::size_t limit);

class Document {
public:
    Document() = default;
    explicit Document(std::string bytes) : bytes_(std::move(bytes)) {}

    // The value of the first matching key in the first matching section,
    // blanks around it dropped and one pair of enclosing quotes removed.
    // Nothing for a missing section or key, or a key line without '='.
    std::optional<std::string_view> find(std::string_view section,
                                         std::string_view key) const;

    // Sets one item and keeps every other byte. False, with nothing
    // changed, when the section or key is blank or would not fit on one
    // line.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

} // namespace ini
