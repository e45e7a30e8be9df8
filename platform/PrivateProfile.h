#pragma once
// Windows private-profile (INI) semantics over a UTF-8 file:
// section and key names match without regard to ASCII case, blanks around
// names and values are trimmed, a value in matching quotes loses them, the
// first matching section and key win, lines that are neither a section
// header nor a key=value pair are ignored.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class PrivateProfile {
public:
    // Reads the whole file; a missing or unreadable file reads as empty.
    static PrivateProfile Load(const std::filesystem::path& file);
    static PrivateProfile Parse(std::string_view text);

    // The value of a present key (possibly empty); nullopt for an absent key.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // GetPrivateProfileString: the value, or fallback when the key is absent.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;
    // GetPrivateProfileInt: the value's leading whole number (an optional
    // sign, then digits; 0 when it has none), or fallback when the key is absent.
    long GetInt(std::string_view section, std::string_view key, long fallback) const;

private:
    std::vector<std::string> lines_;
};

// WritePrivateProfileString: sets key in section, creating the file, the
// section or the key as needed and keeping every other line. The file is
// written to a temporary name beside it and renamed over it only when
// complete. Returns false when the file cannot be written.
bool WritePrivateProfileString(const std::filesystem::path& file, std::string_view section,
                               std::string_view key, std::string_view value);

} // namespace platform
