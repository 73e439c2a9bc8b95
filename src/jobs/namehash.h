#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>

// A name's 64-bit FNV-1a hash over its units, as 16 lowercase hexadecimal digits: enough to
// tell apart the names that one user's locks and sockets are made for.
template <typename Unit> std::string nameHash(std::basic_string_view<Unit> name)
{
    std::uint64_t hash = 0xcbf2'9ce4'8422'2325;
    for (const Unit unit : name)
        hash = (hash ^ static_cast<std::make_unsigned_t<Unit>>(unit)) * 0x100'0000'01b3;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}
