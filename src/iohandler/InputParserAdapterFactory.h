#pragma once

#include <chrono>
#include <memory>

#include "iohandler/IInputParserAdapterFactory.h"
#include "iohandler/IStreamInputHandlerFactory.h"
#include "serialization/IJsonWrapperFactory.h"

namespace VekLibrary::IoHandler {

class InputParserAdapterFactory final : public IInputParserAdapterFactory {
public:
    // How long a controlling program may take to send the JSON document.
    static constexpr std::chrono::milliseconds kStdinTimeout{5000};

    // Throws XBrokenInvariantsError for a null factory.
    InputParserAdapterFactory(
        std::shared_ptr<Serialization::IJsonWrapperFactory> jsonWrapperFactory,
        std::shared_ptr<IStreamInputHandlerFactory> streamInputHandlerFactory);

    // argc 1 (no arguments): a JSON parser over a fresh document and a fresh
    // standard-input reader; any other argc: a command-line parser.
    void Create(int argc, std::shared_ptr<IInputParserAdapter>& out) override;

private:
    std::shared_ptr<Serialization::IJsonWrapperFactory> jsonWrapperFactory_;
    std::shared_ptr<IStreamInputHandlerFactory> streamInputHandlerFactory_;
};

}  // namespace VekLibrary::IoHandler
