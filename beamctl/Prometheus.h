// status and info as metrics in Prometheus's text exposition format, for a
// node exporter's textfile collector: one HELP and one TYPE line per metric
// family, then its samples, each labelled with the projector's address and
// protocol. A projector that did not answer has projector_up 0 and no other
// sample. The values are read from the report's fields as status and info
// give them. Windows-free.
#pragma once

#include <string>
#include <vector>

#include "Output.h"
#include "SessionSettings.h"

struct MetricsSource {
    std::string address;
    ProtocolId protocol = ProtocolId::Native;
    bool up = false;                    // it answered the queries (some may have been refused)
    std::vector<RenderedField> fields;  // status's or info's, as printed in lines
};

// Every family that has a sample, in one order; projectors in the order given.
std::string PrometheusText(const std::vector<MetricsSource>& projectors);

// A label value as the format wants it: UTF-8 (a byte that is not part of
// well-formed UTF-8 is read as Latin-1), with backslash, double quote and
// line feed escaped.
std::string PrometheusLabelValue(std::string_view bytes);
