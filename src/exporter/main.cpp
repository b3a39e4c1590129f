// vek-exporter: serves Prometheus scrapes by running the SSH probe once per scrape.
#include <string>
#include <vector>

#include "exporter/Exporter.h"

int main(int argc, char** argv) {
    return VekExporter::RunExporter(std::vector<std::string>(argv + 1, argv + argc));
}
