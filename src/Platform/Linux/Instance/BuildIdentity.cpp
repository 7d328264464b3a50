#include "Platform/Linux/Instance/BuildIdentity.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#define VESPERINE_IDENTITY_TEXT "Vesperine " VESPERINE_VERSION " (" VESPERINE_BUILD ")"

namespace vesperine {

namespace {

constexpr char ownerName[] = "Vesperine";
constexpr std::uint32_t identityType = 1;
constexpr char identityText[] = VESPERINE_IDENTITY_TEXT;

constexpr std::size_t padded(std::size_t size, std::size_t alignment = 4) {
    return (size + alignment - 1) / alignment * alignment;
}

// The note as the ELF format lays it out: sizes, type, then name and text, each padded to
// four bytes. A section whose name begins with ".note" is a note section, which the linker
// gathers into a note segment.
struct IdentityNote {
    std::uint32_t nameSize;
    std::uint32_t textSize;
    std::uint32_t type;
    char name[padded(sizeof ownerName)];
    char text[padded(sizeof identityText)];
};

[[gnu::used, gnu::section(".note.vesperine.identity")]] alignas(4) const IdentityNote identityNote{
    sizeof ownerName, sizeof identityText, identityType, "Vesperine", VESPERINE_IDENTITY_TEXT};

// Limits that keep a hostile file from making us read much: real executables have a dozen
// program headers and note segments of a few hundred bytes.
constexpr std::size_t maxProgramHeaders = 256;
constexpr std::size_t maxNoteSegment = 64 * 1024;

bool readAt(int fd, void* into, std::size_t size, std::uint64_t offset) {
    auto* bytes = static_cast<char*>(into);
    while (size > 0) {
        const ssize_t n = ::pread(fd, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// Our identity among the notes of one segment.
std::optional<std::string> findIn(const std::vector<char>& notes, std::size_t alignment) {
    std::size_t at = 0;
    while (notes.size() - at >= 3 * sizeof(std::uint32_t)) {
        std::uint32_t header[3];
        std::memcpy(header, notes.data() + at, sizeof header);
        const std::size_t nameAt = at + sizeof header;
        const std::size_t nameSize = padded(header[0], alignment);
        if (nameSize > notes.size() - nameAt) return std::nullopt;
        const std::size_t textAt = nameAt + nameSize;
        const std::size_t textSize = padded(header[1], alignment);
        if (textSize > notes.size() - textAt) return std::nullopt;
        if (header[0] == sizeof ownerName && header[2] == identityType &&
            std::memcmp(notes.data() + nameAt, ownerName, sizeof ownerName) == 0) {
            std::string text(notes.data() + textAt, header[1]);
            text.resize(std::strlen(text.c_str()));  // the text ends at its NUL
            return text;
        }
        at = textAt + textSize;
    }
    return std::nullopt;
}

template <class Header, class ProgramHeader>
std::optional<std::string> readElf(int fd) {
    Header header{};
    if (!readAt(fd, &header, sizeof header, 0)) return std::nullopt;
    if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum > maxProgramHeaders) {
        return std::nullopt;
    }
    std::vector<ProgramHeader> segments(header.e_phnum);
    if (!readAt(fd, segments.data(), segments.size() * sizeof(ProgramHeader), header.e_phoff)) {
        return std::nullopt;
    }
    for (const ProgramHeader& segment : segments) {
        if (segment.p_type != PT_NOTE || segment.p_filesz > maxNoteSegment) continue;
        std::vector<char> notes(segment.p_filesz);
        if (!readAt(fd, notes.data(), notes.size(), segment.p_offset)) continue;
        // Notes in an eight-byte aligned segment are padded to eight bytes.
        if (auto found = findIn(notes, segment.p_align == 8 ? 8 : 4)) return found;
    }
    return std::nullopt;
}

}  // namespace

std::string BuildIdentity::ofThisBuild() {
    return identityNote.text;
}

std::optional<std::string> BuildIdentity::read(int fd) {
    unsigned char ident[EI_NIDENT];
    if (!readAt(fd, ident, sizeof ident, 0) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
        return std::nullopt;
    }
    const unsigned char ours =
        std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
    if (ident[EI_DATA] != ours) return std::nullopt;
    switch (ident[EI_CLASS]) {
        case ELFCLASS64:
            return readElf<Elf64_Ehdr, Elf64_Phdr>(fd);
        case ELFCLASS32:
            return readElf<Elf32_Ehdr, Elf32_Phdr>(fd);
        default:
            return std::nullopt;
    }
}

std::optional<std::string> BuildIdentity::ofFile(const std::string& path) {
    // Only a file is opened: a pipe or a device under the name must not hold the program up,
    // and one swapped in after the look is not read (not blocking, checked again).
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> identity;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) identity = read(fd);
    ::close(fd);
    return identity;
}

}  // namespace vesperine
