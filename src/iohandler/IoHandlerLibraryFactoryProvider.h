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
        return streamOutputHandlerFactory_;
    }
    std::shared_ptr<IStreamInputHandlerFactory> GetStreamInputHandlerFactory() const override {
        return streamInputHandlerFactory_;
    }
    std::shared_ptr<IInputParserAdapterFactory> GetInputParserAdapterFactory() const override {
        return inputParserAdapterFactory_;
    }
    std::shared_ptr<IVekCommandFactory> GetVekCommandFactory() const override {
        return commandFactory_;
    }
    std::shared_ptr<IVekCommandBuilderFactory> GetVekCommandBuilderFactory() const override {
        return commandBuilderFactory_;
    }
    std::shared_ptr<IVekCommandOptionFactory> GetVekCommandOptionFactory() const override {
        return optionFactory_;
    }
    std::shared_ptr<IVekCommandOptionBuilderFactory> GetVekCommandOptionBuilderFactory()
        const override {
        return optionBuilderFactory_;
    }

private:
    std::shared_ptr<Serialization::ISerializationLibraryFactoryProvider> serializationProvider_;
    std::shared_ptr<IStreamOutputHandlerFactory> streamOutputHandlerFactory_;
    std::shared_ptr<IStreamInputHandlerFactory> streamInputHandlerFactory_;
    std::shared_ptr<IInputParserAdapterFactory> inputParserAdapterFactory_;
    std::shared_ptr<IVekCommandFactory> commandFactory_;
    std::shared_ptr<IVekCommandBuilderFactory> commandBuilderFactory_;
    std::shared_ptr<IVekCommandOptionFactory> optionFactory_;
    std::shared_ptr<IVekCommandOptionBuilderFactory> optionBuilderFactory_;
};

}  // namespace VekLibrary::IoHandler
