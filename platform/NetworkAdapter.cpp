#include "NetworkAdapter.h"

#include <QNetworkInterface>

#include <algorithm>
#include <charconv>
#include <system_error>

namespace platform {

namespace {

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

std::vector<TAdapter> SystemAdapters()
{
    std::vector<TAdapter> adapters;
    for (const QNetworkInterface& interface : QNetworkInterface::allInterfaces())
        adapters.push_back({interface.name().toStdString(), interface.index(),
                            interface.type() == QNetworkInterface::Loopback
                                || interface.flags().testFlag(QNetworkInterface::IsLoopBack),
                            interface.hardwareAddress().toStdString()});
    return adapters;
}

std::optional<THardwareAddress> FirstAdapterAddress(const std::vector<TAdapter>& adapters)
{
    std::optional<THardwareAddress> first;
    int firstIndex = 0;
    for (const TAdapter& adapter : adapters) {
        if (adapter.name == "lo" || adapter.loopback || adapter.index <= 0)
            continue;
        const auto address = ParseAddress(adapter.hardwareAddress);
        if (!address || std::ranges::all_of(*address, [](std::uint8_t byte) { return byte == 0; }))
            continue;
        if (!first || adapter.index < firstIndex) {
            firstIndex = adapter.index;
            first = address;
        }
    }
    return first;
}

std::optional<THardwareAddress> FirstAdapterAddress()
{
    return FirstAdapterAddress(SystemAdapters());
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
