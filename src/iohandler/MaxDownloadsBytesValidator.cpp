#include "iohandler/MaxDownloadsBytesValidator.h"

#include <stdexcept>

#include "iohandler/IoHandlerErrors.h"

namespace VekLibrary::IoHandler {

bool MaxDownloadsBytesValidator::operator()(const std::string& value) const {
    if (value == "<Bytes.Invalid>") {
        return true;
    }
    long long number = 0;
    try {
        number = std::stoll(value);
    } catch (const std::invalid_argument& error) {
        throw XInvalidTestInputError(std::string(error.what()) +
                                     ". Invalid maximum download bytes: " + value +
                                     ". Must be a valid integer.");
    } catch (const std::out_of_range& error) {
        throw XInvalidTestInputError(std::string(error.what()) +
                                     ". Invalid maximum download bytes: " + value +
                                     ". Must be within the range of a 64-bit integer.");
    }
    return number >= 0;
}

}  // namespace VekLibrary::IoHandler
