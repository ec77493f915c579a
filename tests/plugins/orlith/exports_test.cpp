// What Orlith's library exports: the entry points it has and DllMain, nothing else.
#include <gtest/gtest.h>

#include <elf.h>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

// The names a shared object defines in its dynamic symbol table, global or weak.
std::set<std::string> DefinedDynamicSymbols(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> file((std::istreambuf_iterator<char>(in)), {});
    std::set<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr))
        return names;
    auto* header = reinterpret_cast<const Elf64_Ehdr*>(file.data());
    if (header->e_shoff + uint64_t(header->e_shnum) * sizeof(Elf64_Shdr) > file.size())
        return names;
    auto* sections = reinterpret_cast<const Elf64_Shdr*>(file.data() + header->e_shoff);
    for (int i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM || sections[i].sh_link >= header->e_shnum)
            continue;
        const Elf64_Shdr& strings = sections[sections[i].sh_link];
        auto* symbols = reinterpret_cast<const Elf64_Sym*>(file.data() + sections[i].sh_offset);
        size_t count = sections[i].sh_size / sizeof(Elf64_Sym);
        for (size_t s = 0; s < count; ++s) {
            unsigned bind = ELF64_ST_BIND(symbols[s].st_info);
            if (symbols[s].st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK))
                continue;
            std::string name = file.data() + strings.sh_offset + symbols[s].st_name;
            // Section bounds that some linkers add to every shared object: not the library's.
            if (name == "_edata" || name == "_end" || name == "__bss_start")
                continue;
            names.insert(name);
        }
    }
    return names;
}

TEST(OrlithLibrary, ExportsItsEntryPointsAndDllMainOnly) {
    std::set<std::string> expected = {"DllMain", "PMPInitialize", "PMPFinalize",
                                      "PMPBeforeOperation", "PMPAfterOperation"};
    EXPECT_EQ(DefinedDynamicSymbols(ORLITH_LIBRARY), expected);
}

} // namespace
