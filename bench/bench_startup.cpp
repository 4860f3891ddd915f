// Start-up: from starting the program's process to its window painted for the first time. Each run starts a
// new process that does what the program's entry does (platform, application, window, show, title) and reports the
// moment its window first paints; the time counts from just before the process was started.

#include "app/startup.h"
#include "app/vq_stu.h"

#include <QApplication>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

long long monotonic_ns()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class first_paint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("vq_stu")) {
            std::printf("%lld\n", monotonic_ns());
            std::fflush(stdout);
            QCoreApplication::exit(0);
        }
        return false;
    }
};

int run_program()
{
    int argc = 1;
    char name[] = "vq_stu";
    char *argv[] = {name, nullptr};
    prepare_platform();
    QApplication application(argc, argv);
    first_paint painted;
    application.installEventFilter(&painted);
    vq_stu window;
    window.show();
    window.setWindowTitle(QStringLiteral("VQ试卷评测系统2.0-答题端vq_stu"));
    return application.exec();
}

std::string self_path;

void startup(benchmark::State &state)
{
    for (auto _ : state) {
        QProcess child;
        const long long started = monotonic_ns();
        child.start(QString::fromStdString(self_path), {QStringLiteral("--run-program")});
        if (!child.waitForFinished(30000) || child.exitCode() != 0) {
            state.SkipWithError("the program did not start");
            return;
        }
        const long long painted = child.readAllStandardOutput().trimmed().toLongLong();
        state.SetIterationTime(static_cast<double>(painted - started) / 1e9);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--run-program") == 0) {
        return run_program();
    }
    self_path = argv[0];
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("startup_to_first_paint", startup)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
