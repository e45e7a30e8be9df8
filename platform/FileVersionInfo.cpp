#include "FileVersionInfo.h"

#include <cstring>
#include <elf.h>
#include <fstream>
#include <optional>
#include <string>

namespace platform {
namespace {

struct SectionPlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

template <typename T>
bool ReadAt(std::ifstream& in, std::uint64_t offset, T& value)
{
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(&value), sizeof value);
    return static_cast<bool>(in);
}

template <typename Ehdr, typename Shdr>
std::optional<SectionPlace> FindSection(std::ifstream& in, const char* wanted)
{
    Ehdr header{};
    if (!ReadAt(in, 0, header) || header.e_shentsize != sizeof(Shdr) || header.e_shstrndx == SHN_UNDEF
        || header.e_shstrndx >= header.e_shnum)
        return std::nullopt;
    Shdr names{};
    if (!ReadAt(in, header.e_shoff + std::uint64_t{header.e_shstrndx} * sizeof(Shdr), names))
        return std::nullopt;
    const std::size_t wantedLength = std::strlen(wanted);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!ReadAt(in, header.e_shoff + std::uint64_t{i} * sizeof(Shdr), section))
            return std::nullopt;
        if (section.sh_name >= names.sh_size || section.sh_type == SHT_NOBITS)
            continue;
        std::string name(wantedLength + 1, '\0');
        in.seekg(static_cast<std::streamoff>(names.sh_offset + section.sh_name));
        in.read(name.data(), static_cast<std::streamsize>(name.size()));
        if (!in) {
            in.clear();
            continue;
        }
        if (name.compare(0, wantedLength, wanted) == 0 && name[wantedLength] == '\0')
            return SectionPlace{section.sh_offset, section.sh_size};
    }
    return std::nullopt;
}

std::optional<SectionPlace> FindVersionSection(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    unsigned char ident[EI_NIDENT] = {};
    if (!in || !in.read(reinterpret_cast<char*>(ident), sizeof ident))
        return std::nullopt;
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0 || ident[EI_DATA] != ELFDATA2LSB)
        return std::nullopt;
    if (ident[EI_CLASS] == ELFCLASS64)
        return FindSection<Elf64_Ehdr, Elf64_Shdr>(in, kFileVersionSection);
    if (ident[EI_CLASS] == ELFCLASS32)
        return FindSection<Elf32_Ehdr, Elf32_Shdr>(in, kFileVersionSection);
    return std::nullopt;
}

} // namespace

std::uint64_t GetFileVersionInfoSize(const std::filesystem::path& file)
{
    const auto place = FindVersionSection(file);
    return place ? place->size : 0;
}

bool GetFileVersionInfo(const std::filesystem::path& file, std::vector<std::uint8_t>& block)
{
    const auto place = FindVersionSection(file);
    if (!place || place->size > block.size())
        return false;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(place->offset));
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(place->size));
    return static_cast<bool>(in);
}

bool VerQueryRootValue(const std::vector<std::uint8_t>& block, FixedFileInfo& info)
{
    if (block.size() < sizeof info)
        return false;
    std::memcpy(&info, block.data(), sizeof info);
    return info.dwSignature == FixedFileInfo::kSignature;
}

} // namespace platform
