#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace velmora::test {

std::string DataFile(const std::string& name) { return std::string(VELMORA_TEST_DATA_DIR) + "/" + name; }

std::string ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string leaf = info ? std::string(info->test_suite_name()) + "." + info->name() : "velmora";
    for (char& c : leaf)
        if (c == '/')
            c = '_';
    std::random_device rd;
    m_path = std::filesystem::temp_directory_path() / ("velmora-" + leaf + "-" + std::to_string(rd()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

} // namespace velmora::test
