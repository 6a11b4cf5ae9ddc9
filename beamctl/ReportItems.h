// What `status` and `info` ask a projector and how each value is read from
// the reply lines: the port-3629 protocol's status queries as the console's
// buttons ask them, PJLink's status and identity queries. A value is the
// projector's own, read as it gave it. Windows-free.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Output.h"

struct ReportItem {
    std::string_view name;  // "power"
    std::string query;      // "PWSTATUS?\r"
    // The value from the query's reply lines; nothing when they name none.
    std::function<std::optional<Rendered>(const std::vector<std::string>& replies)> value;
    // A projector may lack it: a refusal (or a class-1 projector) leaves it
    // out without failing the command.
    bool mayLack = false;
    // Asked as part of info: the report fails for it only when not one of
    // info's items has a value.
    bool fromInfo = false;
};

// power, mute, freeze and cc, each answered "NAME=" and its value.
const std::vector<ReportItem>& NativeStatusItems();
// power (0-3), mute (30, 31, 11, 21), input (its code) and, from a class-2
// projector, freeze (0, 1).
const std::vector<ReportItem>& PjlinkStatusItems();
// name, manufacturer, product, class, lamp_hours (one number per lamp),
// errors (fan, lamp, temperature, cover, filter, other: ok, warning or
// error) and inputs (the codes).
const std::vector<ReportItem>& PjlinkInfoItems();
