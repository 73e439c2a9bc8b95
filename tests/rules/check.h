#pragma once

// A small test harness for the rules, which build without Qt. A test is a function declared
// with TEST(name); table-driven tests run a body on each row of a table with eachRow(), and
// a failed check names the row. A failed CHECK or CHECK_EQ reports and returns from the
// function it is in (the test, or the row's body).

#include "jobs/filenamebytes.h"

#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace check {

using TestFunction = void (*)();

// Adds a test to those that main() runs.
struct Registration
{
    Registration(const char *name, TestFunction run);
};

// The name of the row being run, if any.
inline const char *currentRow = nullptr;

template <typename Rows, typename Body> void eachRow(const Rows &rows, Body body)
{
    for (const auto &row : rows) {
        currentRow = row.name;
        body(row);
    }
    currentRow = nullptr;
}

void fail(const char *file, int line, const std::string &what);

template <typename T> void print(std::ostream &out, const T &value)
{
    if constexpr (std::is_convertible_v<T, std::u16string_view>) {
        out << '"' << fileNameToBytes(value) << '"';
    } else if constexpr (std::is_convertible_v<T, std::string_view>) {
        // Bytes: printable ASCII as it is, every other byte in hex.
        out << '"';
        for (const char c : std::string_view(value)) {
            const auto byte = static_cast<unsigned char>(c);
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out << (byte >= 0x20 && byte < 0x7F && c != '\\' ? std::string(1, c) : hex);
        }
        out << '"';
    } else if constexpr (std::is_same_v<T, std::nullopt_t>) {
        out << "nullopt";
    } else if constexpr (requires {
                             value.has_value();
                             *value;
                         }) {
        if (value)
            print(out, *value);
        else
            out << "nullopt";
    } else if constexpr (requires {
                             value.begin();
                             value.end();
                         }) {
        out << '{';
        const char *separator = "";
        for (const auto &element : value) {
            out << std::exchange(separator, ", ");
            print(out, element);
        }
        out << '}';
    } else if constexpr (std::is_enum_v<T>) {
        out << static_cast<long long>(value);
    } else if constexpr (requires { out << value; }) {
        out << std::boolalpha << value;
    } else {
        out << "(not printable)";
    }
}

template <typename T>
constexpr bool isNumber = std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                          !std::is_same_v<T, char> && !std::is_same_v<T, char16_t>;

template <typename A, typename B>
bool equal(const A &actual, const B &expected, const char *text, const char *file, int line)
{
    bool same = false;
    if constexpr (isNumber<A> && isNumber<B>)
        same = std::cmp_equal(actual, expected);
    else
        same = actual == expected;
    if (same)
        return true;
    std::ostringstream what;
    what << text << "\n    actual:   ";
    print(what, actual);
    what << "\n    expected: ";
    print(what, expected);
    fail(file, line, what.str());
    return false;
}

} // namespace check

#define TEST(name)                                                                                 \
    static void name();                                                                            \
    static const check::Registration name##Registration(#name, name);                              \
    static void name()

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition))                                                                          \
            return check::fail(__FILE__, __LINE__, "CHECK(" #condition ")");                       \
    } while (false)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        if (!check::equal(actual, expected, "CHECK_EQ(" #actual ", " #expected ")", __FILE__,      \
                          __LINE__))                                                               \
            return;                                                                                \
    } while (false)
