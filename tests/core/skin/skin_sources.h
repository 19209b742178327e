// The demo skins' source files, read by the tests that check them.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

inline std::string ReadSkinSource(const std::string& relative) {
    std::string path = std::string(VELL_SOURCE_DIR) + "/skins/" + relative;
#ifdef _WIN32
    for (char& c : path)
        if (c == '/') c = '\\';
#endif
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
