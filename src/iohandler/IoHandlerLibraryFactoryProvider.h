#pragma once

#include <memory>

#include "iohandler/IIoHandlerLibraryFactoryProvider.h"
#include "serialization/ISerializationLibraryFactoryProvider.h"

namespace VekLibrary::IoHandler {

class IoHandlerLibraryFactoryProvider final : public IIoHandlerLibraryFactoryProvider {
public:
    // Throws XBrokenInvariantsError when the serialization provider, or the JSON
    // wrapper factory it yields, is null.
    explicit IoHandlerLibraryFactoryProvider(
        std::shared_ptr<Serialization::ISerializationLibraryFactoryProvider> serializationProvider);

    std::shared_ptr<IStreamOutputHandlerFactory> GetStreamOutputHandlerFactory() const override {
        return m_streamOutputHandlerFactory;
    }
    std::shared_ptr<IStreamInputHandlerFactory> GetStreamInputHandlerFactory() const override {
        return m_streamInputHandlerFactory;
    }
    std::shared_ptr<IInputParserAdapterFactory> GetInputParserAdapterFactory() const override {
        return m_inputParserAdapterFactory;
    }
    std::shared_ptr<IVekCommandFactory> GetVekCommandFactory() const override {
        return m_commandFactory;
    }
    std::shared_ptr<IVekCommandBuilderFactory> GetVekCommandBuilderFactory() const override {
        return m_commandBuilderFactory;
    }
    std::shared_ptr<IVekCommandOptionFactory> GetVekCommandOptionFactory() const override {
        return m_optionFactory;
    }
    std::shared_ptr<IVekCommandOptionBuilderFactory> GetVekCommandOptionBuilderFactory()
        const override {
        return m_optionBuilderFactory;
    }

private:
    std::shared_ptr<Serialization::ISerializationLibraryFactoryProvider> m_serializationProvider;
    std::shared_ptr<IStreamOutputHandlerFactory> m_streamOutputHandlerFactory;
    std::shared_ptr<IStreamInputHandlerFactory> m_streamInputHandlerFactory;
    std::shared_ptr<IInputParserAdapterFactory> m_inputParserAdapterFactory;
    std::shared_ptr<IVekCommandFactory> m_commandFactory;
    std::shared_ptr<IVekCommandBuilderFactory> m_commandBuilderFactory;
    std::shared_ptr<IVekCommandOptionFactory> m_optionFactory;
    std::shared_ptr<IVekCommandOptionBuilderFactory> m_optionBuilderFactory;
};

}  // namespace VekLibrary::IoHandler
