#include "iohandler/IoHandlerLibraryFactoryProvider.h"

#include <utility>

#include "domain/Exceptions.h"
#include "iohandler/InputParserAdapterFactory.h"
#include "iohandler/StreamInputHandlerFactory.h"
#include "iohandler/StreamOutputHandlerFactory.h"
#include "iohandler/VekCommandBuilderFactory.h"
#include "iohandler/VekCommandFactory.h"
#include "iohandler/VekCommandOptionBuilderFactory.h"
#include "iohandler/VekCommandOptionFactory.h"

namespace VekLibrary::IoHandler {

IoHandlerLibraryFactoryProvider::IoHandlerLibraryFactoryProvider(
    std::shared_ptr<Serialization::ISerializationLibraryFactoryProvider> serializationProvider)
    : serializationProvider_(std::move(serializationProvider)),
      streamOutputHandlerFactory_(std::make_shared<StreamOutputHandlerFactory>()),
      streamInputHandlerFactory_(std::make_shared<StreamInputHandlerFactory>()),
      optionFactory_(std::make_shared<VekCommandOptionFactory>()) {
    if (!serializationProvider_) {
        throw XBrokenInvariantsError("SerializationLibraryFactoryProvider is null");
    }
    auto jsonWrapperFactory = serializationProvider_->GetJsonWrapperFactory();
    inputParserAdapterFactory_ = std::make_shared<InputParserAdapterFactory>(
        std::move(jsonWrapperFactory), streamInputHandlerFactory_);
    commandFactory_ = std::make_shared<VekCommandFactory>(inputParserAdapterFactory_);
    commandBuilderFactory_ = std::make_shared<VekCommandBuilderFactory>(commandFactory_);
    optionBuilderFactory_ = std::make_shared<VekCommandOptionBuilderFactory>(optionFactory_);
}

}  // namespace VekLibrary::IoHandler
