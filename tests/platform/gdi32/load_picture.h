// Loading bytes as the display loads its background picture.
#pragma once

#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A movable block, a stream over it that does not own it, OleLoadPicture with the size.
struct Loaded {
    HRESULT result = E_FAIL;
    IPicture* picture = nullptr;
};

inline Loaded Load(const std::vector<char>& bytes, LONG size = -1, REFIID iid = IID_IPicture) {
    Loaded loaded;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    EXPECT_NE(block, nullptr);
    void* p = GlobalLock(block);
    if (!bytes.empty())
        std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    void* out = reinterpret_cast<void*>(1);
    loaded.result =
        OleLoadPicture(stream, size < 0 ? static_cast<LONG>(bytes.size()) : size, TRUE, iid, &out);
    loaded.picture = static_cast<IPicture*>(out);
    if (FAILED(loaded.result)) {
        EXPECT_EQ(out, nullptr);
    }
    stream->Release();
    EXPECT_EQ(GlobalFree(block), nullptr);
    return loaded;
}

// A file of tests/fixtures/pictures, whole.
inline std::vector<char> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(PELMORA_TEST_FIXTURES) + "/pictures/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
