#pragma once
#include <string>

// A scratch folder that is removed with everything in it when the object
// goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;
    // Writes raw bytes to path()/name, creating folders on the way.
    void write(const std::string& name, const std::string& bytes) const;
    // Reads path()/name whole ("" when missing).
    std::string read(const std::string& name) const;

private:
    std::string path_;
};
