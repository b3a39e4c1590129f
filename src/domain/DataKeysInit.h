#pragma once

// Internal to the data key tables; not for use elsewhere.
//
// The key tables are namespace-scope std::string constants composed from
// prefixes at start-up. C++17 cannot constant-initialise a std::string, so
// without care a static initialiser in another file (another key table, an
// option definition) could read a key before it is constructed and copy an
// empty or garbage string. The keys and their prefixes are therefore
// constructed with the highest user init priority: on ELF every prioritised
// initialiser runs before any ordinary one, whatever the link order. Within one
// file they run in definition order, so prefixes come before the keys built from
// them. This keeps the public names plain `extern const std::string`s.
#define VEK_DATA_KEY_INIT __attribute__((init_priority(101)))
