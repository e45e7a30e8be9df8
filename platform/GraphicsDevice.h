#pragma once
// Whether the machine offers a graphics device to render with.
#include <filesystem>

namespace platform {

// Looks among the device files in devices: a DRM node (dri/card*,
// dri/renderD*) or an NVIDIA device (nvidia0...).
bool HasGraphicsDevice(const std::filesystem::path& devices = "/dev");

} // namespace platform
