// A plug-in source written for Windows, its exports marked with __declspec, builds against the
// layer's headers as C and as C++ and loads; the marks export what they mark and nothing else.
#include "pmp.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Build {
    const char* library; // Linux path
    const char* language;
};

const Build kBuilds[] = {
    {DECLSPEC_C_LIBRARY, "C"},
    {DECLSPEC_CPP_LIBRARY, "C++"},
};

std::string WindowsPath(const char* linux_path) {
    std::string path = std::string("C:") + linux_path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

TEST(DeclspecPlugin, BuildsAsCAndCppAndExportsWhatItMarks) {
    for (const Build& build : kBuilds) {
        SCOPED_TRACE(build.language);
        HMODULE library = LoadLibraryA(WindowsPath(build.library).c_str());
        ASSERT_NE(library, nullptr) << build.library;
        auto entry = [&]<typename T>(const char* name) {
            return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
        };
        typedef LPCSTR(WINAPI * LanguageProc)(void);
        auto language = entry.operator()<LanguageProc>("DeclspecLanguage");
        ASSERT_NE(language, nullptr);
        EXPECT_STREQ(language(), build.language);

        auto initialize = entry.operator()<PFNPMPINITIALIZE>("PMPInitialize");
        auto get_data = entry.operator()<PFNPMPGETDATA>("PMPGetData");
        ASSERT_NE(initialize, nullptr);
        ASSERT_NE(get_data, nullptr);
        for (const char* name : {"PMPFinalize", "PMPBeforeOperation", "PMPAfterOperation"})
            EXPECT_NE(GetProcAddress(library, name), nullptr) << name;
        PMPINFO info{};
        EXPECT_EQ(initialize(&info), 1u);
        EXPECT_STREQ(info.pszName, "Declspec");
        PMPDATA data{};
        get_data(0, &data);
        ASSERT_NE(data.pszFormatParams[0], nullptr);
        EXPECT_NE(data.pszFormatParams[0][0], '\0');
        // The library is built with hidden visibility: what is not marked stays inside.
        EXPECT_EQ(GetProcAddress(library, "szTicks"), nullptr);
        EXPECT_TRUE(FreeLibrary(library));
    }
}

} // namespace
