#pragma once

#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// The "{}" placeholder formatter used to compose log messages.
namespace VekLibrary::VekLogger {

namespace Detail {

template <typename T, typename = void>
struct HasBeginEnd : std::false_type {};

template <typename T>
struct HasBeginEnd<T, std::void_t<decltype(std::begin(std::declval<const T&>())),
                                  decltype(std::end(std::declval<const T&>()))>> : std::true_type {
};

template <typename T>
using Decayed = std::remove_cv_t<std::remove_reference_t<T>>;

// Pointers that an output stream prints as C strings, where null would be undefined.
template <typename T>
struct IsCharPointer
    : std::bool_constant<
          std::is_pointer_v<T> &&
          (std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, char> ||
           std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, signed char> ||
           std::is_same_v<std::remove_cv_t<std::remove_pointer_t<T>>, unsigned char>)> {};

}  // namespace Detail

// True for ranges other than texts: strings, string views and character arrays are
// printed as text, not element by element.
template <typename T>
struct IsContainer : std::bool_constant<Detail::HasBeginEnd<Detail::Decayed<T>>::value &&
                                        !std::is_same_v<Detail::Decayed<T>, std::string> &&
                                        !std::is_same_v<Detail::Decayed<T>, std::string_view> &&
                                        !std::is_array_v<Detail::Decayed<T>>> {};

// The text of one value as an output stream prints it, with booleans as words.
// A null C string gives the empty text.
template <typename T>
std::enable_if_t<!IsContainer<T>::value, std::string> FlattenedStringRepresentation(
    const T& value) {
    std::ostringstream stream;
    stream << std::boolalpha;
    if constexpr (Detail::IsCharPointer<T>::value) {
        if (value == nullptr) {
            return std::string();
        }
    }
    stream << value;
    return stream.str();
}

// A container prints as "[a, b, c]", each element flattened in turn.
template <typename T>
std::enable_if_t<IsContainer<T>::value, std::string> FlattenedStringRepresentation(const T& value) {
    std::string text = "[";
    bool first = true;
    for (const auto& element : value) {
        if (!first) {
            text += ", ";
        }
        first = false;
        text += FlattenedStringRepresentation(element);
    }
    text += "]";
    return text;
}

// Replaces each "{}" of `format`, left to right, with the text of the next unused
// argument; placeholders beyond the arguments become "[MissingArgument]" and
// surplus arguments are ignored. There is no escape for a literal "{}".
template <typename... Args>
std::string StringFormat(const std::string& format, const Args&... args) {
    const std::vector<std::string> texts{FlattenedStringRepresentation(args)...};
    std::string result;
    result.reserve(format.size());
    size_t next = 0;
    size_t copyFrom = 0;
    for (size_t at = format.find("{}"); at != std::string::npos; at = format.find("{}", copyFrom)) {
        result.append(format, copyFrom, at - copyFrom);
        if (next < texts.size()) {
            result += texts[next++];
        } else {
            result += "[MissingArgument]";
        }
        copyFrom = at + 2;
    }
    result.append(format, copyFrom, std::string::npos);
    return result;
}

}  // namespace VekLibrary::VekLogger
