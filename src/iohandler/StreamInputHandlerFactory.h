#pragma once

#include "iohandler/IStreamInputHandlerFactory.h"

namespace VekLibrary::IoHandler {

class StreamInputHandlerFactory final : public IStreamInputHandlerFactory {
public:
    void Create(std::shared_ptr<IStreamInputHandler>& out) override;
};

}  // namespace VekLibrary::IoHandler
