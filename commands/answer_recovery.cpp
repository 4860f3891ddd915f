#include "commands/answer_recovery.h"

#include "pages/onech_page.h"
#include "pages/somech_page.h"
#include "pages/unch_page.h"
#include "paper/answer_file.h"
#include "paper/paper_paths.h"
#include "platform/safe_save.h"
#include "platform/student_messages.h"
#include "platform/system_file.h"
#include "platform/text_mode.h"
#include "ui_vq_stu.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

using paper::recovery_record;
using paper::store;

namespace {

constexpr int typing_pause_ms = 2000;

// The folder and the records are the student's alone: on POSIX systems nobody else may even see which papers have
// one. On Windows the folder lies in the user's own profile, which is private already.
bool private_folder(const QString &folder)
{
#ifdef Q_OS_WIN
    Q_UNUSED(folder)
    return true;
#else
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
}

// Makes the folder, and its parents where they are new, with every new name flushed to disk: a power cut must not
// take the folder of a record that was flushed.
bool make_folder(const QString &folder)
{
    QStringList made;
    for (QFileInfo at(folder); !at.exists() && !at.isRoot(); at = QFileInfo(at.path())) {
        made.prepend(at.path());
    }
    if (!QDir().mkpath(folder)) {
        return false;
    }
    for (const QString &parent : made) {
        platform::sync_folder(parent);
    }
    return true;
}

// What the file at `path` holds now; a file that cannot be read counts as missing.
paper::file_identity identity_of_file(const QString &path)
{
    QByteArray bytes;
    return platform::read_whole_file(path, bytes, nullptr) ? paper::identity_of(bytes) : paper::file_identity{};
}

// The files of one open paper.
struct paper_files {
    QString record;
    QString problem;
    QString answer;
    QString canonical; // the answer file's canonical path, which names the record
};

// Writes and removes the records on a thread of its own, in the order asked. Of several writes waiting in a row
// only the newest is made.
class record_writer {
public:
    enum class kind {
        begin,          // a paper was opened: its files, and the answers its answer file holds
        write,          // the answers now
        identify_saved, // the answer file was just written
        remove,         // the record goes: the answer file holds what the record would
    };
    struct job {
        kind what = kind::write;
        paper_files files;
        recovery_record record;  // begin and remove: the answers the answer file holds
        bool identified = false; // begin: the identities in `record` were already taken
    };

    record_writer() : thread_([this] { run(); }) {}
    ~record_writer()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    record_writer(const record_writer &) = delete;
    record_writer &operator=(const record_writer &) = delete;

    void post(job next)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (next.what == kind::write && !jobs_.empty() && jobs_.back().what == kind::write) {
                jobs_.back() = std::move(next);
            } else {
                jobs_.push_back(std::move(next));
            }
        }
        changed_.notify_all();
    }

    void wait_idle()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return jobs_.empty() && !busy_; });
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return; // stopping, and every job done
            }
            job next = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
            lock.unlock();
            do_job(next);
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    }

    void do_job(job &next)
    {
        switch (next.what) {
        case kind::begin:
            files_ = next.files;
            problem_ = next.identified ? next.record.problem : identity_of_file(files_.problem);
            saved_ = next.identified ? next.record.saved : identity_of_file(files_.answer);
            last_ = paper::recovered_answers(next.record);
            last_saved_ = saved_;
            told_ = false;
            return;
        case kind::identify_saved:
            saved_ = identity_of_file(files_.answer);
            return;
        case kind::remove:
            QFile::remove(files_.record);
            last_ = paper::recovered_answers(next.record);
            last_saved_ = saved_;
            return;
        case kind::write:
            write(next.record);
            return;
        }
    }

    void write(recovery_record &record)
    {
        paper::answer_set answers = paper::recovered_answers(record);
        if (answers == last_ && saved_ == last_saved_) {
            return; // the record on disk, or the answer file where there is none, holds these answers
        }
        record.answer_file = files_.canonical;
        record.problem = problem_;
        record.saved = saved_;
        QString why;
        const QString folder = QFileInfo(files_.record).path();
        if (!make_folder(folder) || !private_folder(folder)) {
            why = QStringLiteral("无法创建文件夹“%1”。").arg(QDir::toNativeSeparators(folder));
        } else {
            const QByteArray bytes = paper::record_bytes(record);
            // On Windows another program (a virus scanner, the search indexer) may hold the record open for a
            // moment, which stops its replacement: tried again before the student hears of it.
            for (int attempt = 0; attempt < 3; ++attempt) {
                if (attempt > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                }
                if (platform::write_whole_file(files_.record, bytes, &why)) {
                    QFile::setPermissions(files_.record, QFile::ReadOwner | QFile::WriteOwner);
                    last_ = std::move(answers);
                    last_saved_ = saved_;
                    return;
                }
            }
        }
        if (!told_ && QCoreApplication::instance()) {
            told_ = true;
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [why] { tell_record_not_written(why); }, Qt::QueuedConnection);
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<job> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    // The thread's own: the open paper, and what its record (or, without one, its answer file) holds.
    paper_files files_;
    paper::file_identity problem_;
    paper::file_identity saved_;
    paper::answer_set last_;
    paper::file_identity last_saved_;
    bool told_ = false;
    std::thread thread_; // last: starts once everything above is made
};

record_writer &writer()
{
    static record_writer the_writer;
    return the_writer;
}

// The paper whose record is kept; none while no paper is open.
struct kept_paper {
    bool open = false;
    paper_files files;
};
kept_paper current;
QPointer<QTimer> typing_timer;

recovery_record snapshot(Ui::vq_stu &ui)
{
    recovery_record record;
    record.written = QDateTime::currentDateTimeUtc();
    record.answers = paper::store_answers();
    if (ui.unch_ans_in->isEnabled() && store.unch_cur >= 1 && store.unch_cur <= store.unch_count) {
        record.box_question = store.unch_cur;
        record.box_text = ui.unch_ans_in->toPlainText();
    }
    return record;
}

// What the answer file holds: the store's answers right after opening or saving.
recovery_record file_answers()
{
    recovery_record record;
    record.answers = paper::store_answers();
    return record;
}

void post(record_writer::kind what, recovery_record record = {})
{
    record_writer::job next;
    next.what = what;
    next.files = current.files;
    next.record = std::move(record);
    writer().post(std::move(next));
}

// A record that is not applied stays, under a name of its own beside the others; its path, or empty.
QString set_aside(const QString &record)
{
    const QString kept = record.left(record.size() - int(qstrlen(".record"))) + QLatin1Char('-') +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmsszzz")) +
                         QStringLiteral(".kept");
    return QFile::rename(record, kept) ? kept : QString();
}

void show_restored(Ui::vq_stu &ui)
{
    show_onech_question(ui);
    show_somech_question(ui);
    show_unch_question(ui);
}

} // namespace

QString recovery_folder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

void wait_for_recovery_records()
{
    writer().wait_idle();
}

void watch_answers(Ui::vq_stu &ui, QObject *window)
{
    current = kept_paper{};
    auto *timer = new QTimer(window);
    timer->setSingleShot(true);
    timer->setInterval(typing_pause_ms);
    typing_timer = timer;
    Ui::vq_stu *form = &ui;
    QObject::connect(timer, &QTimer::timeout, window, [form] { keep_recovery_record(*form); });
    // Only the student's own edits count: showing a question puts its answer into the box unmodified.
    QTextEdit *box = ui.unch_ans_in;
    QObject::connect(box, &QTextEdit::textChanged, timer, [timer, box] {
        if (!timer->isActive() && box->document()->isModified()) {
            timer->start(); // the first change after a write waits at most this long; typing does not delay it
        }
    });
    // Leaving the page, the text typed last is recorded at once.
    QObject::connect(ui.tabWidget, &QTabWidget::currentChanged, window, [form] { keep_recovery_record(*form); });
    // The last records are on disk before the program ends.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, window,
                     [] { wait_for_recovery_records(); });
}

void keep_recovery_record(Ui::vq_stu &ui)
{
    if (!current.open) {
        return;
    }
    if (typing_timer) {
        typing_timer->stop();
    }
    post(record_writer::kind::write, snapshot(ui));
}

void offer_recovery_record(Ui::vq_stu &ui, const QString &chosen)
{
    wait_for_recovery_records();
    QString canonical = QFileInfo(chosen).canonicalFilePath();
    if (canonical.isEmpty()) {
        canonical = QFileInfo(chosen).absoluteFilePath();
    }
    const QString folder = recovery_folder();
    if (folder.isEmpty()) {
        current = kept_paper{};
        tell_record_not_written(QStringLiteral("找不到本用户的程序数据文件夹。"));
        return;
    }
    current.open = true;
    current.files = {folder + QLatin1Char('/') + paper::record_file_name(canonical),
                     paper::path_name(store.problem_path), chosen, canonical};
    QByteArray bytes;
    if (!QFile::exists(current.files.record) || !platform::read_whole_file(current.files.record, bytes, nullptr)) {
        post(record_writer::kind::begin, file_answers());
        return;
    }
    // A record from an earlier run: compared with the files as they are now.
    recovery_record opened = file_answers();
    opened.problem = identity_of_file(current.files.problem);
    opened.saved = identity_of_file(chosen);
    record_writer::job begin;
    begin.what = record_writer::kind::begin;
    begin.files = current.files;
    begin.record = opened;
    begin.identified = true;

    recovery_record record;
    QString why;
    const bool readable = paper::parse_record(bytes, record, &why);
    if (readable && record.problem != opened.problem) {
        why = QStringLiteral("它是为另一份试题（problem.prb）记下的，试题文件在这之后被改动或替换过。");
    }
    const paper::answer_set recovered = paper::recovered_answers(record);
    if (readable && why.isEmpty() && !paper::same_questions(recovered, opened.answers)) {
        why = QStringLiteral("它的题目数与试题文件不符。");
    }
    if (!why.isEmpty()) {
        const QString kept = set_aside(current.files.record);
        writer().post(std::move(begin));
        tell_record_kept_aside(chosen, why, kept);
        return;
    }
    writer().post(std::move(begin));
    const int differing = paper::differing_answers(opened.answers, recovered);
    if (differing == 0) {
        post(record_writer::kind::remove, file_answers());
        return;
    }
    if (!ask_to_restore(chosen, differing, record.written, record.saved != opened.saved)) {
        post(record_writer::kind::remove, file_answers());
        return;
    }
    paper::install_answers(recovered);
    show_restored(ui);
    keep_recovery_record(ui);
    tell_restored(differing);
}

void recovery_after_save(Ui::vq_stu &ui, bool saved)
{
    if (!current.open) {
        return;
    }
    if (typing_timer) {
        typing_timer->stop();
    }
    recovery_record now = snapshot(ui);
    if (saved) {
        post(record_writer::kind::identify_saved);
    }
    if (saved && paper::recovered_answers(now).unch == now.answers.unch) {
        post(record_writer::kind::remove, file_answers());
    } else {
        post(record_writer::kind::write, std::move(now));
    }
    wait_for_recovery_records();
}

void drop_recovery_record()
{
    if (!current.open) {
        return;
    }
    if (typing_timer) {
        typing_timer->stop();
    }
    post(record_writer::kind::remove, file_answers());
    current = kept_paper{};
}
