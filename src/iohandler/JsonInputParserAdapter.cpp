#include "iohandler/JsonInputParserAdapter.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/IoHandlerErrors.h"
#include "serialization/XJsonError.h"

namespace VekLibrary::IoHandler {

using Serialization::IJsonWrapper;
using Serialization::XJsonError;

namespace {

// The JSON library serializes recursively, so an `Any` option whose value nests
// a few ten thousand arrays would exhaust the stack. Test input is two or three
// levels deep; anything this deep is refused before it is parsed.
constexpr std::size_t kMaximumNestingDepth = 1000;

// Deepest nesting of arrays and objects, brackets inside strings not counted.
// The text need not be valid JSON.
std::size_t NestingDepth(const std::string& text) {
    std::size_t depth = 0;
    std::size_t deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (char character : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (character == '\\') {
                escaped = true;
            } else if (character == '"') {
                inString = false;
            }
            continue;
        }
        if (character == '"') {
            inString = true;
        } else if (character == '[' || character == '{') {
            deepest = std::max(deepest, ++depth);
        } else if ((character == ']' || character == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace

JsonInputParserAdapter::JsonInputParserAdapter(
    std::shared_ptr<IJsonWrapper> document, std::shared_ptr<IStreamInputHandler> stdinInputHandler,
    std::chrono::milliseconds stdinTimeout)
    : document_(std::move(document)),
      stdinInputHandler_(std::move(stdinInputHandler)),
      stdinTimeout_(stdinTimeout) {
    if (!document_) {
        throw XBrokenInvariantsError(
            "Could not create JsonInputParserAdapter object. Null json wrapper provided.");
    }
    if (!stdinInputHandler_) {
        throw XBrokenInvariantsError(
            "Could not create JsonInputParserAdapter object. Null stdin input handler provided.");
    }
    if (stdinTimeout_.count() <= 0) {
        throw XBrokenInvariantsError(
            "Could not create JsonInputParserAdapter object. Non-positive stdin timeout provided.");
    }
}

ParsedOptionValues JsonInputParserAdapter::Parse(int /*argc*/, const char* const /*argv*/[],
                                                 const VekCommandOptionList& options) {
    std::string text;
    try {
        text = stdinInputHandler_->ReadInput(stdinTimeout_);
    } catch (const XInputOutputError& error) {
        throw XInvalidTestInputError(std::string("Unable to read test input. ") + error.what());
    }
    if (text.empty()) {
        throw XInvalidTestInputError("Empty string provided when a serialized Json was required.");
    }
    if (NestingDepth(text) > kMaximumNestingDepth) {
        throw XInvalidTestInputError(
            "Invalid JSON input provided. Arrays and objects are nested deeper than " +
            std::to_string(kMaximumNestingDepth) + " levels.");
    }
    try {
        document_->Parse(text);
    } catch (const XJsonError& error) {
        throw XInvalidTestInputError(std::string("Invalid JSON input provided. ") + error.what());
    }

    ParsedOptionValues result;
    for (const auto& option : options) {
        if (!option) {
            throw XBrokenInvariantsError("Command option cannot be null.");
        }
        const auto& datakey = option->GetDatakey();
        if (datakey.empty()) {
            continue;
        }
        const OptionRequirementEnum requirement = option->GetOptionRequirement();
        if (requirement == OptionRequirementEnum::RequiredForJson ||
            requirement == OptionRequirementEnum::RequiredForBoth) {
            result[option->GetShortFlag()] = "";
        }
        const auto node = GetOptionNode(datakey);
        if (node) {
            result[option->GetShortFlag()] = GetInputValueAsString(*node, option->GetValueType());
        }
    }
    return result;
}

std::shared_ptr<IJsonWrapper> JsonInputParserAdapter::GetOptionNode(
    const std::vector<std::string>& datakey) const {
    std::shared_ptr<IJsonWrapper> current = document_;
    try {
        for (const auto& key : datakey) {
            if (!current) {
                break;
            }
            current = current->TryGet(key);
        }
    } catch (const XJsonError&) {
        throw XInvalidTestInputError("Error occurred when trying to lookup key: " +
                                     (datakey.empty() ? std::string() : datakey.back()));
    }
    return current;
}

std::string JsonInputParserAdapter::GetInputValueAsString(const IJsonWrapper& node,
                                                          InputValueTypeEnum valueType) const {
    try {
        std::string text;
        switch (valueType) {
            case InputValueTypeEnum::Any:
                if (node.IsString()) {
                    node.GetAs(text);
                    return text;
                }
                return node.ToString();
            case InputValueTypeEnum::Unknown:
                throw XInvalidTestInputError(
                    "Unknown input value type, cannot determine string representation.");
            case InputValueTypeEnum::Boolean: {
                if (!node.IsBool()) {
                    throw XInvalidTestInputError("Input value of type boolean was expected.");
                }
                bool value = false;
                node.GetAs(value);
                return value ? "true" : "false";
            }
            case InputValueTypeEnum::Double:
                if (!node.IsDouble()) {
                    throw XInvalidTestInputError("Input value of type double was expected.");
                }
                return node.ToString();
            case InputValueTypeEnum::Integer:
                if (!node.IsInt()) {
                    throw XInvalidTestInputError("Input value of type integer was expected.");
                }
                return node.ToString();
            case InputValueTypeEnum::String:
                if (!node.IsString()) {
                    throw XInvalidTestInputError("Input value of type string was expected.");
                }
                node.GetAs(text);
                return text;
            case InputValueTypeEnum::Unsigned:
                if (!node.IsUnsigned()) {
                    throw XInvalidTestInputError(
                        "Input value of type unsigned integer was expected.");
                }
                return node.ToString();
        }
    } catch (const XJsonError& error) {
        throw XInvalidTestInputError(std::string("Invalid JSON test input provided via stdin. ") +
                                     error.what());
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(std::string("Invalid JSON test input provided via stdin. ") +
                                     error.what());
    }
    return "";
}

}  // namespace VekLibrary::IoHandler
