#pragma once

#include <string>

namespace VekExporter {

// Reads a file that holds a secret. Refuses, with a std::runtime_error whose text
// names the file and says what to do, a file that is not a regular file or that its
// group or others may read: such a secret has already leaked to other accounts.
// `trimLineEnd` drops one trailing line feed (and a carriage return before it), as
// editors add one to a password file.
std::string ReadSecretFile(const std::string& path, bool trimLineEnd);

}  // namespace VekExporter
