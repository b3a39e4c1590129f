#include "iohandler/TextLengthValidator.h"

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

bool TextLengthValidator::operator()(const std::string& value) const {
    if (value.size() > maximumBytes_) {
        throw XInvalidTestInputError("Incorrect input provided for option: -" +
                                     std::string(1, flag_) + ". The value is longer than " +
                                     std::to_string(maximumBytes_) + " bytes.");
    }
    return true;
}

}  // namespace VekLibrary::IoHandler
