#include "embed.h"

#include <fstream>
#include <stdexcept>

namespace gen {

void write_file(const std::filesystem::path& path, const Bytes& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

EmbeddedSource::EmbeddedSource(const std::string& header)
    : head_("// Made by media_generator at build time; edits are overwritten.\n#include \"" + header +
            "\"\n\nnamespace media {\nnamespace {\n\n")
{
}

std::string EmbeddedSource::array(const Bytes& data)
{
    const std::string name = "kData" + std::to_string(++arrays_made_);
    arrays_ += "const unsigned char " + name + "[] = {";
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 24 == 0)
            arrays_ += "\n   ";
        arrays_ += " " + std::to_string(unsigned(data[i])) + ",";
    }
    arrays_ += "\n};\n\n";
    return "Bytes(" + name + ", " + name + " + sizeof " + name + ")";
}

void EmbeddedSource::single(const std::string& name, const Bytes& data)
{
    accessors_ += "const Bytes& " + name + "()\n{\n    static const Bytes data = " + array(data) +
                  ";\n    return data;\n}\n\n";
}

void EmbeddedSource::family(const std::string& name, const std::vector<Bytes>& members)
{
    accessors_ += "const Bytes& " + name + "(int k)\n{\n    static const Bytes members[] = {\n";
    for (const Bytes& m : members)
        accessors_ += "        " + array(m) + ",\n";
    accessors_ += "    };\n    static const Bytes none;\n    if (k < 1 || k > " + std::to_string(members.size()) +
                  ")\n        return none;\n    return members[k - 1];\n}\n\n";
}

void EmbeddedSource::write(const std::filesystem::path& file) const
{
    const std::string src = head_ + arrays_ + "} // namespace\n\n" + accessors_ + "} // namespace media\n";
    write_file(file, Bytes(src.begin(), src.end()));
}

} // namespace gen
