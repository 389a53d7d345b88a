#pragma once
// Writing the generator's products: files, and the C++ source that stores
// byte arrays in a program behind accessors of namespace media.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

using Bytes = std::vector<uint8_t>;

// Throws when the file cannot be written whole.
void write_file(const std::filesystem::path& path, const Bytes& data);

class EmbeddedSource {
public:
    // `header` is the include path of the accessors' declarations.
    explicit EmbeddedSource(const std::string& header);
    // const Bytes& name();
    void single(const std::string& name, const Bytes& data);
    // const Bytes& name(int k): member k, 1-based; empty for any other k.
    void family(const std::string& name, const std::vector<Bytes>& members);
    void write(const std::filesystem::path& file) const;

private:
    std::string array(const Bytes& data);

    std::string head_, arrays_, accessors_;
    int arrays_made_ = 0;
};

} // namespace gen
