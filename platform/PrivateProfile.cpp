#include "PrivateProfile.h"

#include "AtomicFile.h"

#include <charconv>

#include <fstream>
#include <sstream>

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y)
            return false;
    }
    return true;
}

// "[name]" gives name; anything else gives nullopt.
std::optional<std::string_view> SectionName(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> ParseKeyLine(std::string_view line)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return KeyLine{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::vector<std::string> SplitLines(std::string_view text)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

std::optional<std::string> ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

PrivateProfile PrivateProfile::Load(const std::filesystem::path& file)
{
    return Parse(ReadFile(file).value_or(std::string{}));
}

PrivateProfile PrivateProfile::Parse(std::string_view text)
{
    PrivateProfile profile;
    profile.lines_ = SplitLines(text);
    return profile;
}

std::optional<std::string> PrivateProfile::Value(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    bool sectionSeen = false;
    for (const auto& line : lines_) {
        if (auto name = SectionName(line)) {
            if (inSection)
                return std::nullopt; // only the first matching section counts
            inSection = !sectionSeen && SameName(*name, Trim(section));
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        if (auto entry = ParseKeyLine(line); entry && SameName(entry->key, Trim(key)))
            return std::string(Unquote(entry->value));
    }
    return std::nullopt;
}

std::string PrivateProfile::GetString(std::string_view section, std::string_view key,
                                      std::string_view fallback) const
{
    return Value(section, key).value_or(std::string(fallback));
}

bool WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view value)
{
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    std::optional<std::string> old = exists ? ReadFile(file) : std::string{};
    if (!old)
        return false;
    std::vector<std::string> lines = SplitLines(*old);
    while (!lines.empty() && Trim(lines.back()).empty())
        lines.pop_back();

    const std::string entry = std::string(Trim(key)) + "=" + std::string(value);
    // Find the first matching section, the matching key in it, and its last non-blank line.
    std::optional<size_t> sectionLine, keyLine, lastLine;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (auto name = SectionName(lines[i])) {
            if (sectionLine)
                break;
            if (SameName(*name, Trim(section))) {
                sectionLine = lastLine = i;
            }
            continue;
        }
        if (!sectionLine)
            continue;
        if (!Trim(lines[i]).empty())
            lastLine = i;
        if (auto parsed = ParseKeyLine(lines[i]); !keyLine && parsed && SameName(parsed->key, Trim(key)))
            keyLine = i;
    }
    if (keyLine) {
        lines[*keyLine] = entry;
    } else if (sectionLine) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastLine) + 1, entry);
    } else {
        if (!lines.empty())
            lines.emplace_back();
        lines.push_back("[" + std::string(Trim(section)) + "]");
        lines.push_back(entry);
    }

    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return ReplaceFileContent(QString::fromStdString(file.string()), QByteArrayView(text.data(), qsizetype(text.size())));
}

long PrivateProfile::GetInt(std::string_view section, std::string_view key, long fallback) const
{
    const auto value = Value(section, key);
    if (!value)
        return fallback;
    const char* first = value->data();
    const char* last = first + value->size();
    if (first != last && *first == '+')
        ++first;
    long number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    return error == std::errc() ? number : 0;
}

} // namespace platform
