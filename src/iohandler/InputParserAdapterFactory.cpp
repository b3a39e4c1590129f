#include "iohandler/InputParserAdapterFactory.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/CliInputParserAdapter.h"
#include "iohandler/JsonInputParserAdapter.h"

namespace VekLibrary::IoHandler {

InputParserAdapterFactory::InputParserAdapterFactory(
    std::shared_ptr<Serialization::IJsonWrapperFactory> jsonWrapperFactory,
    std::shared_ptr<IStreamInputHandlerFactory> streamInputHandlerFactory)
    : m_jsonWrapperFactory(std::move(jsonWrapperFactory)),
      m_streamInputHandlerFactory(std::move(streamInputHandlerFactory)) {
    if (!m_jsonWrapperFactory) {
        throw XBrokenInvariantsError("Json wrapper factory is null.");
    }
    if (!m_streamInputHandlerFactory) {
        throw XBrokenInvariantsError("Stdin handler factory is null.");
    }
}

void InputParserAdapterFactory::Create(int argc, std::shared_ptr<IInputParserAdapter>& out) {
    if (argc == 1) {
        std::shared_ptr<Serialization::IJsonWrapper> document;
        m_jsonWrapperFactory->Create(document);
        std::shared_ptr<IStreamInputHandler> stdinInputHandler;
        m_streamInputHandlerFactory->Create(stdinInputHandler);
        out = std::make_shared<JsonInputParserAdapter>(std::move(document),
                                                       std::move(stdinInputHandler), kStdinTimeout);
        return;
    }
    out = std::make_shared<CliInputParserAdapter>();
}

}  // namespace VekLibrary::IoHandler
