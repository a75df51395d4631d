#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmorak-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    if (!made)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = made;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

int TempFolder::entryCount() const
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(m_path))
        ++count;
    return count;
}

std::string TempFolder::read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void TempFolder::write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}
