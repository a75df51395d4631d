#pragma once

#include <string>

// A fresh private folder under $TMPDIR (or /tmp), removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    int entryCount() const;

    // Whole-file helpers: read gives "" for a missing file, write replaces the file.
    static std::string read(const std::string& path);
    static void write(const std::string& path, const std::string& text);

private:
    std::string m_path;
};
