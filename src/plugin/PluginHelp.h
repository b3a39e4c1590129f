#pragma once

#include <string>

namespace VekPlugin {

// "check_vek <version> (ssh-vek)" and a line feed: the -V/--version text.
std::string VersionText();

// The -h/--help text: what the plugin does, its usage, every option, the states.
// cmake/make-plugin-manpage.sh turns it into the man page, so it keeps a fixed
// layout: a section title is a line of its own ending with ":", an option entry
// a line starting with two blanks and "-", its description the following lines
// indented by eight blanks.
std::string HelpText();

}  // namespace VekPlugin
