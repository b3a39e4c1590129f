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
    : m_serializationProvider(std::move(serializationProvider)),
      m_streamOutputHandlerFactory(std::make_shared<StreamOutputHandlerFactory>()),
      m_streamInputHandlerFactory(std::make_shared<StreamInputHandlerFactory>()),
      m_optionFactory(std::make_shared<VekCommandOptionFactory>()) {
    if (!m_serializationProvider) {
        throw XBrokenInvariantsError("SerializationLibraryFactoryProvider is null");
    }
    auto jsonWrapperFactory = m_serializationProvider->GetJsonWrapperFactory();
    m_inputParserAdapterFactory = std::make_shared<InputParserAdapterFactory>(
        std::move(jsonWrapperFactory), m_streamInputHandlerFactory);
    m_commandFactory = std::make_shared<VekCommandFactory>(m_inputParserAdapterFactory);
    m_commandBuilderFactory = std::make_shared<VekCommandBuilderFactory>(m_commandFactory);
    m_optionBuilderFactory = std::make_shared<VekCommandOptionBuilderFactory>(m_optionFactory);
}

}  // namespace VekLibrary::IoHandler
