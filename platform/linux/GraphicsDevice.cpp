#include "platform/GraphicsDevice.h"

#include <string>
#include <system_error>

namespace platform {

bool HasGraphicsDevice(const std::filesystem::path& devices)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(devices / "dri", error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("card") || name.starts_with("renderD"))
            return true;
    }
    return std::filesystem::exists(devices / "nvidia0", error);
}

} // namespace platform
