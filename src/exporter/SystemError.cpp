#include "exporter/SystemError.h"

#include <cerrno>

namespace VekExporter {

void ThrowErrno(const std::string& what) {
    ThrowErrorNumber(errno, what);
}

void ThrowErrorNumber(int errorNumber, const std::string& what) {
    throw std::system_error(errorNumber, std::generic_category(), what);
}

}  // namespace VekExporter
