#pragma once

#include <string_view>
#include <vector>

#include "result/ServerAlgorithmOffer.h"

namespace Ssh {

// One algorithm that an audit of a server's offer flags as weak, with the source
// that says so. `name` is the algorithm's SSH name, or, ending in '*', every name
// that begins with the text before the '*' (the GSS-API key exchanges carry the
// mechanism's OID after their name).
struct WeakAlgorithmRule {
    AlgorithmKindEnum kind;
    const char* name;
    const char* source;
};

// The whole policy, one table: nothing is flagged that it does not name. docs/results.md
// prints it with the sources.
const std::vector<WeakAlgorithmRule>& WeakAlgorithmRules();

// The rule that flags `name` as an algorithm of `kind`; null when none does. A name
// is weak only as its own kind: "none" is a weak cipher and MAC but not a weak
// compression.
const WeakAlgorithmRule* FindWeakAlgorithmRule(AlgorithmKindEnum kind, std::string_view name);

}  // namespace Ssh
