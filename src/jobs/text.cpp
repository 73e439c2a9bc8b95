#include "text.h"

std::u16string decimal(long long number)
{
    const std::string digits = std::to_string(number);
    return {digits.begin(), digits.end()};
}

std::u16string joined(const TextList &texts, std::u16string_view separator)
{
    std::u16string whole;
    for (const std::u16string &text : texts) {
        if (&text != &texts.front())
            whole += separator;
        whole += text;
    }
    return whole;
}

bool startsWith(std::u16string_view text, std::u16string_view piece)
{
    return text.substr(0, piece.size()) == piece;
}

bool endsWith(std::u16string_view text, std::u16string_view piece)
{
    return text.size() >= piece.size() && text.substr(text.size() - piece.size()) == piece;
}
