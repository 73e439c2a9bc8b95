#include "openfilefilter.h"

#include "widetext.h"

#include <algorithm>

std::wstring openFileFilter(std::u16string_view filter)
{
    std::wstring list = toWide(filter);
    std::replace(list.begin(), list.end(), L'|', L'\0');
    list.append(2, L'\0');
    return list;
}
