#include "RomDumpProgram.h"

#include <array>

namespace {

// Loaded at CS:0100h. One DOS write call moves at most FFFFh bytes, so the
// segment goes out in two calls: F000:0000-FFFE, then F000:FFFF.
constexpr std::array<std::uint8_t, 37> kProgram = {
    0xB8, 0x00, 0xF0, // 0100  mov  ax, 0F000h
    0x8E, 0xD8,       // 0103  mov  ds, ax
    0x31, 0xD2,       // 0105  xor  dx, dx        ; DS:DX = F000:0000
    0xB9, 0xFF, 0xFF, // 0107  mov  cx, 0FFFFh    ; 65,535 bytes
    0xBB, 0x01, 0x00, // 010A  mov  bx, 1         ; standard output
    0xB4, 0x40,       // 010D  mov  ah, 40h       ; write to handle
    0xCD, 0x21,       // 010F  int  21h
    0x72, 0x0E,       // 0111  jc   0121h         ; AL = DOS error code
    0xBA, 0xFF, 0xFF, // 0113  mov  dx, 0FFFFh    ; DS:DX = F000:FFFF
    0xB9, 0x01, 0x00, // 0116  mov  cx, 1
    0xB4, 0x40,       // 0119  mov  ah, 40h
    0xCD, 0x21,       // 011B  int  21h
    0x72, 0x02,       // 011D  jc   0121h
    0xB0, 0x00,       // 011F  mov  al, 0
    0xB4, 0x4C,       // 0121  mov  ah, 4Ch       ; end with exit code AL
    0xCD, 0x21,       // 0123  int  21h
};

} // namespace

std::span<const std::uint8_t> RomDumpProgram()
{
    return kProgram;
}
