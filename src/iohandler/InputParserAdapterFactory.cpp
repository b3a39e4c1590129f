#include "iohandler/InputParserAdapterFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/CliInputParserAdapter.h"
#include "iohandler/JsonInputParserAdapter.h"

namespace VekLibrary::IoHandler {

InputParserAdapterFactory::InputParserAdapterFactory(
    std::shared_ptr<Serialization::IJsonWrapperFactory> jsonWrapperFactory,
    std::shared_ptr<IStreamInputHandlerFactory> streamInputHandlerFactory)
    : jsonWrapperFactory_(std::move(jsonWrapperFactory)),
      streamInputHandlerFactory_(std::move(streamInputHandlerFactory)) {
    if (!jsonWrapperFactory_) {
        throw XBrokenInvariantsError("Json wrapper factory is null.");
    }
    if (!streamInputHandlerFactory_) {
        throw XBrokenInvariantsError("Stdin handler factory is null.");
    }
}

void InputParserAdapterFactory::Create(int argc, std::shared_ptr<IInputParserAdapter>& out) {
    if (argc == 1) {
        std::shared_ptr<Serialization::IJsonWrapper> document;
        jsonWrapperFactory_->Create(document);
        std::shared_ptr<IStreamInputHandler> stdinInputHandler;
        streamInputHandlerFactory_->Create(stdinInputHandler);
        out = std::make_shared<JsonInputParserAdapter>(std::move(document),
                                                       std::move(stdinInputHandler), kStdinTimeout);
        return;
    }
    out = std::make_shared<CliInputParserAdapter>();
}

}  // namespace VekLibrary::IoHandler
