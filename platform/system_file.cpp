#include "platform/system_file.h"

#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>

#include <thread>
#include <utility>

namespace platform {

namespace {

struct fault_hook {
    QMutex lock;
    std::function<system_error(file_step)> answer;
    std::thread::id thread;
    bool every_thread = false;
};

fault_hook &hook()
{
    static fault_hook installed;
    return installed;
}

} // namespace

void set_file_fault(std::function<system_error(file_step)> fault, bool every_thread)
{
    fault_hook &h = hook();
    const QMutexLocker locked(&h.lock);
    h.answer = std::move(fault);
    h.thread = std::this_thread::get_id();
    h.every_thread = every_thread;
}

system_error file_fault(file_step step)
{
    std::function<system_error(file_step)> answer;
    {
        fault_hook &h = hook();
        const QMutexLocker locked(&h.lock);
        if (!h.answer || (!h.every_thread && h.thread != std::this_thread::get_id())) {
            return 0;
        }
        answer = h.answer;
    }
    return answer(step);
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
