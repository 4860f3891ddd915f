#include "platform/system_file.h"

#include <QRandomGenerator>

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

QString name_beside(const QString &target)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = target + QLatin1Char('.');
    for (int i = 0; i < 6; ++i) {
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    }
    return name;
}

} // namespace platform
