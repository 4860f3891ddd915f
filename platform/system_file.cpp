#include "platform/system_file.h"

#include <utility>

namespace platform {

namespace {

std::function<system_error(file_step)> &fault_hook()
{
    static std::function<system_error(file_step)> hook;
    return hook;
}

} // namespace

void set_file_fault(std::function<system_error(file_step)> fault)
{
    fault_hook() = std::move(fault);
}

system_error file_fault(file_step step)
{
    const auto &hook = fault_hook();
    return hook ? hook(step) : 0;
}

QString describe_system_error(system_error error)
{
    return qt_error_string(error);
}

} // namespace platform
