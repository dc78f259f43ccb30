#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testing_support
{

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "sonoria-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace testing_support
