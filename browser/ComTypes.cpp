#include "ComTypes.h"

#include <cstdio>

GUID GuidFromString(const char* text)
{
    unsigned a = 0, b = 0, c = 0, d[8] = {};
    int end = 0;
    if (std::sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}%n", &a, &b, &c, &d[0], &d[1], &d[2], &d[3],
                    &d[4], &d[5], &d[6], &d[7], &end)
            != 11
        || end != 38 || text[end] != '\0')
        return GUID_NULL;
    GUID guid{a, static_cast<std::uint16_t>(b), static_cast<std::uint16_t>(c), {}};
    for (int i = 0; i < 8; ++i)
        guid.Data4[i] = static_cast<std::uint8_t>(d[i]);
    return guid;
}

std::string GuidToString(const GUID& g)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
}
