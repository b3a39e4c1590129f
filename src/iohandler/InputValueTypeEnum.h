#pragma once

namespace VekLibrary::IoHandler {

// The type of value an option takes. It decides how a JSON value becomes the
// option's text and which word the help text shows.
enum class InputValueTypeEnum {
    Any = 0,      // a JSON string's content, or any other JSON value's serialized text
    Unknown = 1,  // never allowed in a built option
    Boolean = 2,
    Double = 3,
    Integer = 4,
    String = 5,
    Unsigned = 6,
};

}  // namespace VekLibrary::IoHandler
