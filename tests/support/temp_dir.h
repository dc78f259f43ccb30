// A temporary folder for one test.
#pragma once

#include <string>

namespace testing_support
{

// A fresh folder below the system temporary folder, removed with the object.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace testing_support
