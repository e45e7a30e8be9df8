#include "NetworkAdapter.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <fstream>
#include <system_error>

namespace platform {

namespace {

constexpr long kLoopbackType = 772; // ARPHRD_LOOPBACK

std::string FirstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::optional<long> NumberIn(const std::filesystem::path& file)
{
    const std::string text = FirstLine(file);
    long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

// "xx:xx:xx:xx:xx:xx"; any other length (tunnels, InfiniBand) is no Ethernet address.
std::optional<THardwareAddress> ParseAddress(const std::string& text)
{
    THardwareAddress address{};
    if (text.size() != address.size() * 3 - 1)
        return std::nullopt;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const char* first = text.data() + i * 3;
        if (i + 1 < address.size() && first[2] != ':')
            return std::nullopt;
        const auto [end, error] = std::from_chars(first, first + 2, address[i], 16);
        if (error != std::errc() || end != first + 2)
            return std::nullopt;
    }
    return address;
}

} // namespace

std::optional<THardwareAddress> FirstAdapterAddress(const std::filesystem::path& netFolder)
{
    std::optional<THardwareAddress> first;
    long firstIndex = LONG_MAX;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(netFolder, error), end; !error && entry != end; entry.increment(error)) {
        const auto& folder = entry->path();
        if (folder.filename() == "lo" || NumberIn(folder / "type") == kLoopbackType)
            continue;
        const auto index = NumberIn(folder / "ifindex");
        const auto address = ParseAddress(FirstLine(folder / "address"));
        if (!index || !address || std::ranges::all_of(*address, [](std::uint8_t byte) { return byte == 0; }))
            continue;
        if (*index < firstIndex) {
            firstIndex = *index;
            first = address;
        }
    }
    return first;
}

std::string MacText(const THardwareAddress& address)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : address) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

} // namespace platform
