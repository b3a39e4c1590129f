#include "iohandler/TimeoutValidator.h"

#include <stdexcept>

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

bool TimeoutValidator::operator()(const std::string& value) const {
    long long number = 0;
    try {
        number = std::stoll(value);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(std::string(error.what()) + ". Invalid timeout: " + value +
                                     ". Timeout must be a non-negative number (>=0).");
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(std::string(error.what()) +
                                     ". Timeout out of integer range: " + value +
                                     ". Timeout must be a non-negative number (>=0).");
    }
    return number >= 0;
}

}  // namespace VekLibrary::IoHandler
