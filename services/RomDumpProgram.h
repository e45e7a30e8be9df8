#pragma once
// A 16-bit DOS .COM program that writes segment F000h (F000:0000-FFFF) to
// standard output and exits with 0, or with the DOS error code of a failed write.
#include <cstdint>
#include <span>

std::span<const std::uint8_t> RomDumpProgram();
