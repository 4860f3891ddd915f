// Reading and writing the paper files, against two yardsticks on the same bytes:
//   floor:   read the whole file into memory and convert all of it from the 8-bit code page in one call;
//   literal: stdio one byte at a time with getc, CR LF folded, numbers parsed from their characters, each text
//            converted on its own.
// Run with --benchmark_repetitions=N and read the medians.

#include "large_paper.h"

#include "paper/answer_file.h"
#include "paper/problem_file.h"
#include "platform/local8bit.h"
#include "platform/safe_save.h"
#include "platform/text_mode.h"

#include <benchmark/benchmark.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <malloc.h>
#include <string>

namespace {

QString sample_problem()
{
    return QStringLiteral(VQ_EXAMPLES_DIR "/problem.prb");
}

QString sample_answers()
{
    return QStringLiteral(VQ_EXAMPLES_DIR "/张三.stu");
}

// The literal algorithm's input: getc, with CR LF read as LF.
class literal_input {
public:
    explicit literal_input(const QString &path) : file_(std::fopen(QFile::encodeName(path).constData(), "rb")) {}
    ~literal_input()
    {
        if (file_) {
            std::fclose(file_);
        }
    }
    int get()
    {
        const int c = std::getc(file_);
        if (c == '\r') {
            const int d = std::getc(file_);
            if (d == '\n') {
                return '\n';
            }
            if (d != EOF) {
                std::ungetc(d, file_);
            }
        }
        return c;
    }
    void unget(int c) { std::ungetc(c, file_); }

    std::string token()
    {
        int c = get();
        while (c == ' ' || c == '\n' || c == '\t' || c == '\r') {
            c = get();
        }
        std::string s;
        while (c != EOF && (std::isdigit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E')) {
            s += static_cast<char>(c);
            c = get();
        }
        if (c != EOF) {
            unget(c);
        }
        return s;
    }
    long integer() { return std::strtol(token().c_str(), nullptr, 10); }
    double number() { return std::strtod(token().c_str(), nullptr); }
    QString text()
    {
        int c = get();
        while (c != EOF && c != '@') {
            c = get();
        }
        buffer_.clear();
        for (c = get(); c != EOF && c != '$'; c = get()) {
            buffer_ += static_cast<char>(c);
        }
        return QString::fromLocal8Bit(buffer_.data(), static_cast<int>(buffer_.size()));
    }

private:
    std::FILE *file_;
    std::string buffer_;
};

void floor_read(benchmark::State &state, const QString &path)
{
    for (auto _ : state) {
        QByteArray bytes;
        platform::read_whole_file(path, bytes, nullptr);
        const QString all = QString::fromLocal8Bit(bytes);
        benchmark::DoNotOptimize(all.size());
    }
}

void literal_problem_read(benchmark::State &state, const QString &path)
{
    for (auto _ : state) {
        literal_input in(path);
        paper::loaded_paper paper;
        paper.counts = {static_cast<qint32>(in.integer()), static_cast<qint32>(in.integer()),
                        static_cast<qint32>(in.integer())};
        paper.onech.resize(std::size_t(paper.counts.onech));
        paper.somech.resize(std::size_t(paper.counts.somech));
        paper.unch.resize(std::size_t(paper.counts.unch));
        for (auto &item : paper.onech) {
            item.score = in.number();
            item.text = in.text();
        }
        for (auto &item : paper.somech) {
            item.full_score = in.number();
            item.partial_score = in.number();
            item.text = in.text();
        }
        for (auto &item : paper.unch) {
            item.score = in.number();
            item.text = in.text();
        }
        benchmark::DoNotOptimize(paper.unch.data());
    }
}

void problem_read(benchmark::State &state, const QString &path)
{
    std::size_t heap_peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const struct mallinfo2 before = mallinfo2();
        state.ResumeTiming();
        paper::loaded_paper paper;
        QByteArray bytes;
        platform::read_whole_file(path, bytes, nullptr);
        paper::parse_problem(bytes, paper, nullptr);
        state.PauseTiming();
        // Everything allocated while loading is still held here: the file's bytes and the texts.
        const struct mallinfo2 info = mallinfo2();
        heap_peak = (info.uordblks + info.hblkhd) - (before.uordblks + before.hblkhd);
        state.ResumeTiming();
        benchmark::DoNotOptimize(paper.unch.data());
    }
    state.counters["file_MB"] = static_cast<double>(QFileInfo(path).size()) / 1e6;
    state.counters["heap_while_loading_MB"] = static_cast<double>(heap_peak) / 1e6;
}

void problem_held(benchmark::State &state, const QString &path)
{
    // The heap that the loaded paper alone holds, once the file's bytes are gone.
    std::size_t held = 0;
    for (auto _ : state) {
        const struct mallinfo2 before = mallinfo2();
        paper::loaded_paper paper;
        paper::read_problem_file(path, paper, nullptr);
        const struct mallinfo2 after = mallinfo2();
        held = (after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd);
        benchmark::DoNotOptimize(paper.unch.data());
    }
    state.counters["texts_held_MB"] = static_cast<double>(held) / 1e6;
}

paper::loaded_paper loaded_problem(const QString &path)
{
    paper::loaded_paper paper;
    paper::read_problem_file(path, paper, nullptr);
    return paper;
}

void answer_read(benchmark::State &state, const QString &problem, const QString &answers)
{
    paper::loaded_paper paper = loaded_problem(problem);
    for (auto _ : state) {
        paper::read_answer_file(answers, paper, nullptr, nullptr);
        benchmark::DoNotOptimize(paper.unch.data());
    }
}

void literal_answer_read(benchmark::State &state, const QString &problem, const QString &answers)
{
    paper::loaded_paper paper = loaded_problem(problem);
    for (auto _ : state) {
        literal_input in(answers);
        for (auto &item : paper.onech) {
            item.answer = static_cast<qint32>(in.integer());
        }
        for (auto &item : paper.somech) {
            item.answer = static_cast<qint32>(in.integer());
        }
        for (auto &item : paper.unch) {
            item.answer = in.text();
        }
        benchmark::DoNotOptimize(paper.unch.data());
    }
}

void install_answers(const QString &problem, const QString &answers)
{
    paper::loaded_paper paper = loaded_problem(problem);
    paper::read_answer_file(answers, paper, nullptr, nullptr);
    paper::install_paper(std::move(paper));
}

void answer_write(benchmark::State &state, const QString &problem, const QString &answers)
{
    install_answers(problem, answers);
    const QString target = answers + QStringLiteral(".out");
    for (auto _ : state) {
        paper::write_answer_file(target, nullptr);
    }
    QFile::remove(target);
}

void one_go_write(benchmark::State &state, const QString &problem, const QString &answers)
{
    // The same bytes, held as one string, converted and written in one go through the same replacing write.
    install_answers(problem, answers);
    const QByteArray bytes = paper::store_answer_bytes();
    const QString whole = platform::from_local_8bit(bytes.constData(), bytes.size());
    const QString target = answers + QStringLiteral(".out");
    for (auto _ : state) {
        platform::write_whole_file(target, platform::to_local_8bit(whole), nullptr);
    }
    QFile::remove(target);
}

void register_all()
{
    const large_paper &large = the_large_paper();
    struct input {
        const char *name;
        QString problem, answers;
    } inputs[] = {{"large", large.problem_path, large.answer_path}, {"sample", sample_problem(), sample_answers()}};
    for (const input &in : inputs) {
        const std::string n = in.name;
        const QString problem = in.problem, answers = in.answers;
        benchmark::RegisterBenchmark(("problem_read/" + n).c_str(), [=](benchmark::State &s) {
            problem_read(s, problem);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("problem_floor/" + n).c_str(), [=](benchmark::State &s) {
            floor_read(s, problem);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("problem_literal/" + n).c_str(), [=](benchmark::State &s) {
            literal_problem_read(s, problem);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("problem_held/" + n).c_str(),
                                     [=](benchmark::State &s) { problem_held(s, problem); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("answer_read/" + n).c_str(), [=](benchmark::State &s) {
            answer_read(s, problem, answers);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("answer_floor/" + n).c_str(), [=](benchmark::State &s) {
            floor_read(s, answers);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("answer_literal/" + n).c_str(), [=](benchmark::State &s) {
            literal_answer_read(s, problem, answers);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("answer_write/" + n).c_str(), [=](benchmark::State &s) {
            answer_write(s, problem, answers);
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("answer_one_go_write/" + n).c_str(), [=](benchmark::State &s) {
            one_go_write(s, problem, answers);
        })->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    std::setlocale(LC_ALL, "");
    // Keep freed memory in the process: on a virtual machine a fresh page costs microseconds to fault in, and
    // repeated runs would measure the kernel's page faults rather than the code. Floor, literal and our readers
    // all run under the same allocator settings.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    benchmark::Initialize(&argc, argv);
    register_all();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
