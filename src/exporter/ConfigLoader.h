#pragma once

#include <string>

#include "exporter/ModuleConfig.h"

namespace VekExporter {

// Reads the YAML configuration file and every secret file it names. Throws
// std::runtime_error with a text that says which module and which key is wrong
// and why; nothing is returned in part.
ExporterConfig LoadExporterConfig(const std::string& path);

// The same for configuration text already in memory (secret files are still read
// from disk). `origin` names the text in messages.
ExporterConfig ParseExporterConfig(const std::string& yamlText, const std::string& origin);

// A duration as the file writes it: a number of seconds ("2.5"), or a number
// with one unit of "ms", "s", "m" or "h" ("1500ms", "10s", "1m"). Throws
// std::runtime_error for anything else or a value not above zero.
double ParseDurationSeconds(const std::string& text);

}  // namespace VekExporter
