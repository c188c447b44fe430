#include "ElfInitialisers.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <algorithm>
#include <map>
#include <optional>
#include <sstream>

namespace quorvel::test {

namespace {

class ElfFile {
public:
    explicit ElfFile(std::vector<char> bytes) : m_bytes(std::move(bytes)) {}

    template <class T>
    std::optional<T> read(uint64_t offset) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof(T))
            return std::nullopt;
        T value;
        std::memcpy(&value, m_bytes.data() + offset, sizeof(T));
        return value;
    }

    std::string textAt(uint64_t offset) const
    {
        std::string out;
        while (offset < m_bytes.size() && m_bytes[offset] != '\0')
            out += m_bytes[offset++];
        return out;
    }

    size_t size() const { return m_bytes.size(); }

private:
    std::vector<char> m_bytes;
};

std::string hex(uint64_t value)
{
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

} // namespace

std::variant<LoadTimeFunctions, std::string> loadTimeFunctions(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return "cannot open " + path;
    std::vector<char> bytes(static_cast<size_t>(std::max<std::streamoff>(0, in.tellg())));
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return "cannot read " + path;
    ElfFile elf(std::move(bytes));

    auto header = elf.read<Elf64_Ehdr>(0);
    if (!header || std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_ident[EI_CLASS] != ELFCLASS64 ||
        header->e_ident[EI_DATA] != ELFDATA2LSB)
        return path + " is not a 64-bit little-endian ELF file";

    std::vector<Elf64_Shdr> sections;
    for (unsigned i = 0; i < header->e_shnum; ++i) {
        auto section = elf.read<Elf64_Shdr>(header->e_shoff + uint64_t(i) * header->e_shentsize);
        if (!section)
            return path + ": section table is cut short";
        sections.push_back(*section);
    }
    if (header->e_shstrndx >= sections.size())
        return path + ": no section names";
    const Elf64_Shdr& names = sections[header->e_shstrndx];

    const Elf64_Shdr* initArray = nullptr;
    const Elf64_Shdr* symbols = nullptr;
    std::vector<const Elf64_Shdr*> relocations;
    for (const Elf64_Shdr& s : sections) {
        std::string name = elf.textAt(names.sh_offset + s.sh_name);
        if (name == ".init_array")
            initArray = &s;
        else if (s.sh_type == SHT_SYMTAB)
            symbols = &s;
        else if (s.sh_type == SHT_RELA)
            relocations.push_back(&s);
    }
    LoadTimeFunctions result;
    if (!initArray)
        return result;
    if (!symbols || symbols->sh_link >= sections.size())
        return path + " has no symbol table (stripped?)";

    // In a position-independent library the slots hold zero and a relative
    // relocation carries the address.
    std::map<uint64_t, uint64_t> relocated;
    for (const Elf64_Shdr* r : relocations) {
        for (uint64_t off = 0; r->sh_entsize && off + r->sh_entsize <= r->sh_size; off += r->sh_entsize) {
            auto rela = elf.read<Elf64_Rela>(r->sh_offset + off);
            if (rela && ELF64_R_TYPE(rela->r_info) == R_X86_64_RELATIVE)
                relocated[rela->r_offset] = static_cast<uint64_t>(rela->r_addend);
        }
    }

    std::map<uint64_t, std::string> functions;
    const Elf64_Shdr& symbolNames = sections[symbols->sh_link];
    for (uint64_t off = 0; symbols->sh_entsize && off + symbols->sh_entsize <= symbols->sh_size; off += symbols->sh_entsize) {
        auto sym = elf.read<Elf64_Sym>(symbols->sh_offset + off);
        if (sym && ELF64_ST_TYPE(sym->st_info) == STT_FUNC && sym->st_value != 0)
            functions.emplace(sym->st_value, elf.textAt(symbolNames.sh_offset + sym->st_name));
    }

    for (uint64_t slot = 0; slot + 8 <= initArray->sh_size; slot += 8) {
        uint64_t address = initArray->sh_addr + slot;
        uint64_t target = elf.read<uint64_t>(initArray->sh_offset + slot).value_or(0);
        if (auto r = relocated.find(address); r != relocated.end())
            target = r->second;
        auto f = functions.find(target);
        result.names.push_back(f != functions.end() ? f->second : hex(target));
    }
    return result;
}

} // namespace quorvel::test
