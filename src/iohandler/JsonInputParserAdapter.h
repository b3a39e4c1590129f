#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "iohandler/IInputParserAdapter.h"
#include "iohandler/IStreamInputHandler.h"
#include "serialization/IJsonWrapper.h"

namespace VekLibrary::IoHandler {

// Reads the test input as one JSON document on one line of standard input,
// looks each option up by its datakey and turns the JSON value into the text the
// command line would give. Made for one Parse; argc and argv are not used.
class JsonInputParserAdapter final : public IInputParserAdapter {
public:
    // `document` is an empty object that receives the parsed input. Throws
    // XBrokenInvariantsError for a null collaborator or a timeout below 1 ms.
    JsonInputParserAdapter(std::shared_ptr<Serialization::IJsonWrapper> document,
                           std::shared_ptr<IStreamInputHandler> stdinInputHandler,
                           std::chrono::milliseconds stdinTimeout);

    // Reads one line, parses it and maps every option with a datakey: required
    // ones absent from the document get an empty placeholder. Every input problem
    // is an XInvalidTestInputError, including a document nested deeper than the
    // JSON library can serialize safely.
    ParsedOptionValues Parse(int argc, const char* const argv[],
                             const VekCommandOptionList& options) override;

    // The node at the end of `datakey`, or null when a key along it is absent.
    std::shared_ptr<Serialization::IJsonWrapper> GetOptionNode(
        const std::vector<std::string>& datakey) const;
    // The option text of a JSON value; throws XInvalidTestInputError when the
    // value does not have the declared type.
    std::string GetInputValueAsString(const Serialization::IJsonWrapper& node,
                                      InputValueTypeEnum valueType) const;

private:
    std::shared_ptr<Serialization::IJsonWrapper> document_;
    std::shared_ptr<IStreamInputHandler> stdinInputHandler_;
    std::chrono::milliseconds stdinTimeout_;
};

}  // namespace VekLibrary::IoHandler
