// Saving the answer paper: the exact bytes of the stored answers, and a failed save that is told, keeps every
// answer in memory and leaves the last good file whole.

#include "app/vq_stu.h"
#include "commands/answer_recovery.h"
#include "paper/answer_file.h"
#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "platform/system_file.h"
#include "support/window_harness.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace harness;
using paper::store;

Q_DECLARE_METATYPE(platform::file_step)

namespace {

bool chattr(const char *flag, const QString &path)
{
    return QProcess::execute(QStringLiteral("chattr"), {QString::fromLatin1(flag), path}) == 0;
}

// A small file system of its own, mounted for one test and unmounted after it: tmpfs, or an ext4 or ext3 image on a
// loop device (a real disk's allocation, which tmpfs hides: a failed reservation there may have grown the file).
struct scratch_disk {
    QString path;
    QString locked; // a folder made immutable, unlocked again before the disk goes
    QFile filler;

    bool mount(const QString &kind, const QString &mount_point)
    {
        QDir().mkpath(mount_point);
        QStringList arguments;
        if (kind == QStringLiteral("tmpfs")) {
            arguments = QStringList{QStringLiteral("-t"),       QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                    QStringLiteral("size=64k"), QStringLiteral("tmpfs"), mount_point};
        } else {
            const QString image = mount_point + QStringLiteral(".img");
            QFile file(image);
            if (!file.open(QIODevice::WriteOnly) || !file.resize(4 << 20)) {
                return false;
            }
            file.close();
            if (QProcess::execute(QStringLiteral("mkfs.") + kind,
                                  {QStringLiteral("-q"), QStringLiteral("-F"), image}) != 0) {
                return false;
            }
            arguments = QStringList{QStringLiteral("-o"), QStringLiteral("loop"), QStringLiteral("-t"), kind, image,
                                    mount_point};
        }
        if (QProcess::execute(QStringLiteral("mount"), arguments) != 0) {
            return false;
        }
        path = mount_point;
        return QDir().mkpath(path + QStringLiteral("/exam"));
    }

    // Fills the disk, then gives `room` bytes back.
    void fill(qint64 room)
    {
        filler.setFileName(path + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        if (room > 0) {
            QVERIFY(filler.resize(std::max<qint64>(0, filler.size() - room)));
        }
    }

    void empty()
    {
        if (filler.isOpen()) {
            filler.remove();
        }
    }

    ~scratch_disk()
    {
        if (!locked.isEmpty()) {
            chattr("-i", locked);
        }
        empty();
        if (!path.isEmpty()) {
            QProcess::execute(QStringLiteral("umount"), {path});
        }
    }
};

// A folder seen through faulty_fs, a file system that refuses the calls it is told to refuse, as a network share
// reports a full disk, a quota or a failed server at the write, the close or the flush to disk.
struct faulty_share {
    QString path;
    QString rules;
    QProcess process;

    // With `after_power_cut`, the unmount leaves there only what was flushed to disk.
    bool mount(const QString &folder, const QString &mount_point, const QString &rules_file,
               const QString &after_power_cut = QString())
    {
#ifdef VQ_FAULTY_FS
        rules = rules_file;
        refuse(QString());
        QDir().mkpath(mount_point);
        struct stat parent {};
        ::stat(QFile::encodeName(mount_point + QStringLiteral("/..")).constData(), &parent);
        QStringList arguments{folder, mount_point, rules_file};
        if (!after_power_cut.isEmpty()) {
            arguments << after_power_cut;
        }
        process.start(QStringLiteral(VQ_FAULTY_FS), arguments);
        for (int i = 0; i < 100 && process.state() != QProcess::NotRunning; ++i) {
            struct stat now {};
            if (::stat(QFile::encodeName(mount_point).constData(), &now) == 0 && now.st_dev != parent.st_dev) {
                path = mount_point;
                return true;
            }
            QTest::qWait(50);
        }
#else
        Q_UNUSED(folder)
        Q_UNUSED(mount_point)
        Q_UNUSED(rules_file)
        Q_UNUSED(after_power_cut)
#endif
        return false;
    }

    void unmount()
    {
        if (!path.isEmpty()) {
            QProcess::execute(QStringLiteral("umount"), {path});
            path.clear();
        }
        process.waitForFinished(5000);
    }

    // Lines "CALL ERROR TIMES" (0 times: every time).
    void refuse(const QString &lines) const
    {
        write_bytes(rules, lines.toLatin1());
    }

    ~faulty_share()
    {
        if (!path.isEmpty()) {
            QProcess::execute(QStringLiteral("umount"), {path});
        }
        if (process.state() != QProcess::NotRunning && !process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }
};

} // namespace

class tst_save_paper : public window_test {
    Q_OBJECT

private slots:
    void worked_example_is_saved_byte_for_byte();
    void single_and_multiple_choice_extremes();
    void papers_of_one_kind_of_question_data();
    void papers_of_one_kind_of_question();
    void only_stored_answers_are_written();
    void saving_unchanged_keeps_the_bytes_and_repeats_identically();
    void a_refused_save_is_told_and_the_next_save_writes_all();
    void a_vanished_folder_is_told_and_the_next_save_writes_all();
    void a_failed_write_is_told_and_the_old_file_stays_whole_data();
    void a_failed_write_is_told_and_the_old_file_stays_whole();
    void a_share_that_fails_keeps_the_old_answers_or_all_the_new_data();
    void a_share_that_fails_keeps_the_old_answers_or_all_the_new();
    void a_save_killed_halfway_leaves_a_whole_file();
    void typed_answers_survive_a_power_cut();

private:
    QString open(const QByteArray &problem, const QByteArray &answers, const QString &sub = QString());
};

QString tst_save_paper::open(const QByteArray &problem, const QByteArray &answers, const QString &sub)
{
    const QString path = make_paper(dir->path(), sub, problem, QStringLiteral("s.stu"), answers);
    open_paper(w, *dialogs, path);
    return path;
}

void tst_save_paper::worked_example_is_saved_byte_for_byte()
{
    const QString path = open("2 1 2 1 @a$ 1 @b$ 4 2 @c$ 5 @d$ 5 @e$", "0\r\n0\r\n0\r\n@$\r\n@$\r\n");
    choose(w, "onech", QStringLiteral("B"));
    click(w, "onech_save");
    choose(w, "somech", QStringLiteral("ACD"));
    click(w, "somech_save");
    type_answer(w, QStringLiteral("x = 3\ny = 4"));
    click(w, "unch_save");
    const QStringList before = snapshot(w);
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("2\r\n0\r\n13\r\n@x = 3\r\ny = 4$\r\n@$\r\n"));
    QCOMPARE(snapshot(w), before);      // nothing changes in memory or on screen
    QVERIFY(dialogs->seen.size() == 1); // a successful save says nothing
}

void tst_save_paper::single_and_multiple_choice_extremes()
{
    const QString path = open("1 1 1 1 @a$ 1 1 @b$ 1 @c$", "0 0 @$");
    choose(w, "onech", QStringLiteral("F"));
    click(w, "onech_next");
    choose(w, "somech", QStringLiteral("ABCDEF"));
    click(w, "somech_next");
    type_answer(w, QStringLiteral("one\ntwo\nthree"));
    click(w, "unch_last");
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("32\r\n63\r\n@one\r\ntwo\r\nthree$\r\n"));
}

void tst_save_paper::papers_of_one_kind_of_question_data()
{
    QTest::addColumn<QByteArray>("problem");
    QTest::addColumn<QByteArray>("answers");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("choice questions only")
        << QByteArray("2 1 0 1 @a$ 1 @b$ 3 1 @c$") << QByteArray("1\n2\n3\n") << QByteArray("1\r\n2\r\n3\r\n");
    QTest::newRow("non-choice questions only")
        << QByteArray("0 0 2 5 @a$ 5 @b$") << QByteArray("@x$\n@y\nz$") << QByteArray("@x$\r\n@y\r\nz$\r\n");
    QTest::newRow("no questions at all") << QByteArray("0 0 0") << QByteArray("whatever was here") << QByteArray();
}

void tst_save_paper::papers_of_one_kind_of_question()
{
    QFETCH(QByteArray, problem);
    QFETCH(QByteArray, answers);
    QFETCH(QByteArray, saved);
    const QString path = open(problem, answers);
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), saved);
}

void tst_save_paper::only_stored_answers_are_written()
{
    const QString path = open("2 1 1 1 @a$ 1 @b$ 1 1 @c$ 1 @d$", "4 0 8 @kept$");
    choose(w, "onech", QStringLiteral("B"));
    choose(w, "somech", QStringLiteral("A"));
    type_answer(w, QStringLiteral("typed, never stored"));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("4\r\n0\r\n8\r\n@kept$\r\n"));
}

void tst_save_paper::saving_unchanged_keeps_the_bytes_and_repeats_identically()
{
    const QByteArray answers = "3\r\n64\r\n-2\r\n@multi\r\nline @ answer$\r\n";
    const QString path = open(worked_problem(), answers);
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), answers);
    click(w, "onech_next");
    click(w, "onech_save"); // question 2 showed no option for its 64
    click(w, "save_paper");
    const QByteArray first = read_bytes(path);
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), first);
    QCOMPARE(first, QByteArray("3\r\n0\r\n-2\r\n@multi\r\nline @ answer$\r\n"));
}

void tst_save_paper::a_refused_save_is_told_and_the_next_save_writes_all()
{
    const QByteArray old_bytes = "0\r\n0\r\n0\r\n@$\r\n";
    const QString path = open(worked_problem(), old_bytes);
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_save");
    type_answer(w, QStringLiteral("答案"));
    click(w, "unch_save");
    if (!chattr("+i", path)) {
        QSKIP("chattr +i is not available here (needs root and a file system that supports it)");
    }
    dialogs->answer_message();
    click(w, "save_paper");
    QVERIFY(chattr("-i", path));
    QCOMPARE(read_bytes(path), old_bytes);
    const seen_dialog &told = dialogs->seen.last();
    QCOMPARE(told.caption, QStringLiteral("提示"));
    QVERIFY2(told.text.contains(QStringLiteral("没有保存")), qPrintable(told.text));
    QVERIFY2(told.text.contains(QStringLiteral("不允许写入")), qPrintable(told.text));
    QCOMPARE(store.onech_items[1].answer, 4);
    QVERIFY(find<QAbstractButton>(w, "save_paper")->isEnabled());
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("4\r\n0\r\n0\r\n@答案$\r\n"));
    QCOMPARE(QDir(dir->path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("problem.prb"), QStringLiteral("s.stu")}));
}

void tst_save_paper::a_vanished_folder_is_told_and_the_next_save_writes_all()
{
    const QString path = open(worked_problem(), "0 0 0 @$", QStringLiteral("exam"));
    choose(w, "somech", QStringLiteral("BE"));
    click(w, "somech_save");
    const QString folder = dir->filePath(QStringLiteral("exam"));
    QVERIFY(QDir(folder).removeRecursively());
    dialogs->answer_message();
    click(w, "save_paper");
    QVERIFY2(dialogs->seen.last().text.contains(QStringLiteral("不存在")), qPrintable(dialogs->seen.last().text));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir().mkpath(folder));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n18\r\n@$\r\n"));
}

void tst_save_paper::a_failed_write_is_told_and_the_old_file_stays_whole_data()
{
#ifdef Q_OS_WIN
    QSKIP("the small disks, the second names and the system's error numbers of these rows are Linux's");
#else
    // A disk of its own, filled up after the paper was opened: "tmpfs" of 64 KiB; "ext4" or "ext3", loop-mounted
    // images of 4 MiB left with 50 KiB free, where a reservation that fails has already grown the file.
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QString>("place");  // "new file", or in place: "second name" (a hard link), "locked folder";
                                         // "no file yet": removed after the paper was opened
    QTest::addColumn<bool>("new_paper"); // replaced by a new paper instead of saved
    QTest::addColumn<int>("answer_length");
    QTest::addColumn<platform::file_step>("step"); // the step that the system is made to refuse once...
    QTest::addColumn<int>("system_answer");        // ...with this error number (0: the system answers itself)
    QTest::addColumn<QString>("told");             // what the student is told: empty when the save is done
    const auto reserve = platform::file_step::reserve;
    const QString full = QStringLiteral("磁盘已满");
    const QString tmpfs = QStringLiteral("tmpfs");
    const QString fresh = QStringLiteral("new file");
    const QString linked = QStringLiteral("second name");
    const QString locked = QStringLiteral("locked folder");
    QTest::newRow("a long answer through a new file") << tmpfs << fresh << false << 20000 << reserve << 0 << full;
    QTest::newRow("a shorter answer: no room for a new file, none needed in place")
        << tmpfs << fresh << false << 5 << reserve << 0 << QString();
    QTest::newRow("a new paper: no room for a new file, none needed in place")
        << tmpfs << fresh << true << 0 << reserve << 0 << QString();
    QTest::newRow("a long answer in place") << tmpfs << linked << false << 20000 << reserve << 0 << full;
    QTest::newRow("in place where no room can be reserved: the file grows first")
        << tmpfs << linked << false << 20000 << reserve << EOPNOTSUPP << full;
    QTest::newRow("in place, the fallback reservation refused on a write-only file")
        << tmpfs << linked << false << 20000 << reserve << EBADF << full;
    QTest::newRow("a new paper in place needs no new room")
        << tmpfs << linked << true << 0 << reserve << 0 << QString();
    for (const QString &disk : {QStringLiteral("ext4"), QStringLiteral("ext3")}) {
        for (const QString &place : {fresh, linked, locked}) {
            QTest::addRow("%s nearly full, 300 KB more, %s", qPrintable(disk), qPrintable(place))
                << disk << place << false << 300000 << reserve << 0 << full;
        }
    }
    QTest::newRow("a new paper where the folder allows no rename: written directly")
        << QString() << QStringLiteral("no file yet") << true << 0 << platform::file_step::replace << EACCES
        << QString();
    QTest::newRow("in place over the student's quota")
        << QString() << linked << false << 20 << reserve << EDQUOT << full;
    QTest::newRow("in place, the disk fails while the old bytes are written over: they are put back")
        << QString() << linked << false << 20 << platform::file_step::write << EIO << QStringLiteral("磁盘可能已满");
    // The disk refuses every write once a flush has failed (a server out of room): the room must be confirmed before
    // any old byte is written over, for the old bytes cannot be put back.
    QTest::newRow("in place, the flush of the reservation refused")
        << QString() << linked << false << 20 << platform::file_step::sync << EDQUOT << full;
#endif
}

void tst_save_paper::a_failed_write_is_told_and_the_old_file_stays_whole()
{
    QFETCH(QString, disk);
    QFETCH(QString, place);
    QFETCH(bool, new_paper);
    QFETCH(int, answer_length);
    QFETCH(platform::file_step, step);
    QFETCH(int, system_answer);
    QFETCH(QString, told);
    scratch_disk scratch;
    QString folder = dir->path();
    if (!disk.isEmpty()) {
        if (!scratch.mount(disk, dir->filePath(QStringLiteral("disk")))) {
            QSKIP(qPrintable(
                QStringLiteral("cannot mount a small %1 file system here (needs root and loop devices)").arg(disk)));
        }
        folder = scratch.path + QStringLiteral("/exam");
    }
    const QByteArray old_bytes = "0\r\n0\r\n0\r\n@short answer$\r\n";
    const QString path = make_paper(folder, QString(), worked_problem(), QStringLiteral("full.stu"), old_bytes);
    const QString other_name = folder + QStringLiteral("/other name.stu");
#ifndef Q_OS_WIN
    if (place == QStringLiteral("second name")) {
        QVERIFY(::link(QFile::encodeName(path).constData(), QFile::encodeName(other_name).constData()) == 0);
    }
#endif
    if (place == QStringLiteral("locked folder")) {
        if (!chattr("+i", folder)) {
            QSKIP("chattr +i is not available here (needs root and a file system that supports it)");
        }
        scratch.locked = folder;
    }
    open_paper(w, *dialogs, path);
    if (place == QStringLiteral("no file yet")) {
        QVERIFY(QFile::remove(path));
    }
    if (!disk.isEmpty()) {
        scratch.fill(disk == QStringLiteral("tmpfs") ? 0 : 50 * 1024);
    }
    store.unch_items[1].answer = QString(answer_length, QLatin1Char('x'));
    const QByteArray new_bytes =
        new_paper ? QByteArray("0\r\n0\r\n0\r\n@$\r\n") : "0\r\n0\r\n0\r\n@" + QByteArray(answer_length, 'x') + "$\r\n";
    int refusals = 0;
    platform::set_file_fault([&](platform::file_step now) {
        if (now == platform::file_step::write && step == platform::file_step::sync && refusals > 0) {
            return EIO;
        }
        return now == step && refusals++ == 0 ? system_answer : 0;
    });
    if (new_paper) {
        dialogs->choose_file(path);
    }
    if (!told.isEmpty()) {
        dialogs->answer_message();
    }
    if (new_paper) {
        click(w, "new_paper");
    } else {
        click(w, "save_paper");
    }
    platform::set_file_fault({});
    if (told.isEmpty()) {
        QCOMPARE(read_bytes(path), new_bytes);
    } else {
        // The file holds exactly its old bytes, and says so: the file itself was tried last.
        const QString said = dialogs->seen.last().text;
        QVERIFY2(said.contains(new_paper ? QStringLiteral("没有创建") : QStringLiteral("没有保存")) &&
                     said.contains(told) && said.contains(QStringLiteral("仍是上次保存的内容")),
                 qPrintable(said));
        QCOMPARE(read_bytes(path), old_bytes);
    }
    if (place == QStringLiteral("second name")) {
        QCOMPARE(read_bytes(other_name), read_bytes(path));
    }
    QStringList files{QStringLiteral("full.stu"), QStringLiteral("problem.prb")};
    if (place == QStringLiteral("second name")) {
        files << QStringLiteral("other name.stu");
    }
    files.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files), files);
    // Once there is room the whole file is written.
    scratch.empty();
    dialogs->clear();
    if (new_paper) {
        dialogs->choose_file(path);
        click(w, "new_paper");
    } else {
        click(w, "save_paper");
    }
    QCOMPARE(read_bytes(path), new_bytes);
    QVERIFY(dialogs->problems().isEmpty());
}

void tst_save_paper::a_share_that_fails_keeps_the_old_answers_or_all_the_new_data()
{
#ifdef Q_OS_WIN
    QSKIP("the file system of these rows is Linux's");
#else
    QTest::addColumn<bool>("in_place");   // the share takes no new file: the answer file is written in place
    QTest::addColumn<QString>("refused"); // what the share refuses, as lines of faulty_fs's rules
    QTest::addColumn<int>("answer_length");
    QTest::addColumn<QString>("outcome"); // "saved", "refused" (the old bytes stay), "unsure" (new, not
                                          // confirmed) or "left" (saved, an emptied file left behind)
    const auto row = [](const char *name, bool in_place, const char *refused, int length, const char *outcome) {
        QTest::newRow(name) << in_place << QString::fromLatin1(refused) << length << QString::fromLatin1(outcome);
    };
    row("new file: the write, a full disk, so in place", false, "write 28 1", 3000, "saved");
    row("new file: the write, the server fails", false, "write 5 1", 3000, "refused");
    row("new file: the close, over the quota, so in place", false, "flush 122 1", 3000, "saved");
    row("new file: the close, a full disk, so in place", false, "flush 28 1", 30, "saved");
    row("new file: the flush to disk", false, "fsync 5 1", 3000, "refused");
    row("new file: the rename refused, so in place", false, "rename 13 1", 3000, "saved");
    row("new file: the answer file mounted in its place (busy), so in place", false, "rename 16 1", 3000, "saved");
    row("a hand-in share: no rename, no removal", false, "rename 13 0\nunlink 13 0", 3000, "left");
    row("new file: the rename fails on the server", false, "rename 5 1", 3000, "refused");
    row("new file: the owner cannot be given, so in place", false, "chmod 1 1", 3000, "saved");
    row("new file: a folder that cannot be flushed", false, "fsyncdir 22 0", 3000, "saved");
    row("new file: the folder's flush fails", false, "fsyncdir 5 1", 3000, "unsure");
    row("in place: the write", true, "write 5 1", 3000, "refused");
    row("in place: the close, over the quota", true, "flush 122 1", 3000, "refused");
    row("in place: the flush to disk", true, "fsync 5 1", 3000, "refused");
    row("in place: the new length", true, "truncate 5 1", 1, "refused");
    row("in place: no reservation (NFS v3, SMB)", true, "fallocate 95 0", 3000, "saved");
    row("in place: no reservation, the growth meets a full disk", true, "fallocate 95 0\nwrite 28 1", 3000, "refused");
#endif
}

void tst_save_paper::a_share_that_fails_keeps_the_old_answers_or_all_the_new()
{
    QFETCH(bool, in_place);
    QFETCH(QString, refused);
    QFETCH(int, answer_length);
    QFETCH(QString, outcome);
    const QString backing = dir->filePath(QStringLiteral("server"));
    QVERIFY(QDir().mkpath(backing));
    faulty_share share;
    if (!share.mount(backing, dir->filePath(QStringLiteral("share")), dir->filePath(QStringLiteral("rules")))) {
        QSKIP("cannot mount a FUSE file system here (needs libfuse3, /dev/fuse and root)");
    }
    const QByteArray old_bytes = "0\r\n0\r\n0\r\n@old answer$\r\n";
    const QString path = make_paper(share.path, QString(), worked_problem(), QStringLiteral("s.stu"), old_bytes);
    // Opened as from the command line: a file dialog would look at the share's files from a thread of its own, and
    // its closes could meet a refusal meant for the save.
    fixture->window().open_answer_file(path);
    store.unch_items[1].answer = QString(answer_length, QLatin1Char('n'));
    const QByteArray new_bytes = "0\r\n0\r\n0\r\n@" + QByteArray(answer_length, 'n') + "$\r\n";
    const QString no_new_file = in_place ? QStringLiteral("create 13 0\n") : QString();
    share.refuse(no_new_file + refused);
    if (outcome != QStringLiteral("saved")) {
        dialogs->answer_message();
    }
    click(w, "save_paper");
    share.refuse(no_new_file);
    QCOMPARE(read_bytes(path), outcome == QStringLiteral("refused") ? old_bytes : new_bytes);
    const bool left = outcome == QStringLiteral("left");
    if (outcome != QStringLiteral("saved")) {
        const QString said = dialogs->seen.last().text;
        QVERIFY2(said.contains(left ? QStringLiteral("无法删除") : QStringLiteral("没有保存")), qPrintable(said));
        QVERIFY2(!in_place || said.contains(QStringLiteral("仍是上次保存的内容")), qPrintable(said));
    }
    // Where the share lets nobody remove a file, the one left behind is named to the student and holds no answer,
    // and later saves go in place at once.
    QStringList files = QDir(backing).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(files.size(), left ? 3 : 2);
    files.removeAll(QStringLiteral("problem.prb"));
    files.removeAll(QStringLiteral("s.stu"));
    if (left) {
        QVERIFY2(dialogs->seen.last().text.contains(files.constFirst()), qPrintable(dialogs->seen.last().text));
        QCOMPARE(QFileInfo(backing + QLatin1Char('/') + files.constFirst()).size(), 0);
        share.refuse(QStringLiteral("rename 13 0\nunlink 13 0"));
    }
    store.unch_items[1].answer = QStringLiteral("second save");
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n0\r\n@second save$\r\n"));
    QCOMPARE(QDir(backing).entryList(QDir::Files | QDir::Hidden).size(), left ? 3 : 2);
}

void tst_save_paper::a_save_killed_halfway_leaves_a_whole_file()
{
    // A large paper, saved again and again by another process that is killed at a random moment.
    QByteArray problem = "2000 0 5000\n";
    for (int i = 0; i < 2000; ++i) {
        problem += "1 @q$\n";
    }
    for (int i = 0; i < 5000; ++i) {
        problem += "2 @q$\n";
    }
    const QString path =
        make_paper(dir->path(), QStringLiteral("kill"), problem, QStringLiteral("k.stu"), QByteArray());
    // The two files the child writes in turn.
    auto version = [](int n) {
        QByteArray bytes;
        for (int i = 0; i < 2000; ++i) {
            bytes += n % 2 ? "1\r\n" : "32\r\n";
        }
        const QByteArray text = n % 2 ? QByteArray(300, 'b') + platform::to_local_8bit(QStringLiteral("\r\n第二版\r\n"))
                                      : QByteArray(900, 'a') + platform::to_local_8bit(QStringLiteral("\r\n第一版"));
        for (int i = 0; i < 5000; ++i) {
            bytes += '@' + text + "$\r\n";
        }
        return bytes;
    };
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/save_child");
    for (int round = 0; round < 5; ++round) {
        QProcess process;
        process.start(child, {dir->filePath(QStringLiteral("kill/problem.prb")), path});
        QVERIFY(process.waitForStarted());
        QByteArray said;
        auto saved_twice = [&] {
            said += process.readAllStandardOutput();
            return said.contains("saved 2") || process.state() != QProcess::Running;
        };
        QTRY_VERIFY_WITH_TIMEOUT(saved_twice(), 20000);
        QCOMPARE(process.state(), QProcess::Running);
        QTest::qWait(QRandomGenerator::global()->bounded(1, 40));
        process.kill(); // SIGKILL: no chance to clean up
        QVERIFY(process.waitForFinished());
        const QByteArray on_disk = read_bytes(path);
        QVERIFY2(
            on_disk == version(1) || on_disk == version(2),
            qPrintable(QStringLiteral("round %1: a file of %2 bytes is neither save").arg(round).arg(on_disk.size())));
    }
}

void tst_save_paper::typed_answers_survive_a_power_cut()
{
    const QByteArray unanswered = "0\r\n0\r\n0\r\n@$\r\n";
    const QString path =
        make_paper(dir->path(), QStringLiteral("exam"), worked_problem(), QStringLiteral("p.stu"), unanswered);
    const QString disk = dir->filePath(QStringLiteral("disk"));
    const QString after = dir->filePath(QStringLiteral("after power cut"));
    QVERIFY(QDir().mkpath(disk));
    faulty_share share;
    if (!share.mount(disk, dir->filePath(QStringLiteral("home")), dir->filePath(QStringLiteral("rules")), after)) {
        QSKIP("cannot mount a FUSE file system here (needs libfuse3, /dev/fuse and root)");
    }
    // The student's program keeps its records on that disk, answers, and loses its power before any save.
    QProcess student;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), share.path + QStringLiteral("/data"));
    student.setProcessEnvironment(environment);
    student.start(QCoreApplication::applicationDirPath() + QStringLiteral("/answer_child"), {path});
    QVERIFY(student.waitForStarted());
    while (!student.canReadLine() && student.waitForReadyRead(30000)) {
    }
    QCOMPARE(student.readLine().trimmed(), QByteArray("recorded")); // CR LF from a Windows console
    student.kill();
    QVERIFY(student.waitForFinished());
    share.unmount();
    QCOMPARE(read_bytes(path), unanswered);

    const QByteArray data_home = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(after + QStringLiteral("/data")));
    dialogs->choose_file(path);
    dialogs->answer_message(box_answer::yes);
    dialogs->answer_message();
    click(w, "open_paper");
    qputenv("XDG_DATA_HOME", data_home);
    QVERIFY2(dialogs->seen.size() > 1 && dialogs->seen[1].text.contains(QStringLiteral("3 道题")),
             qPrintable(dialogs->problems().join(QLatin1Char('\n'))));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), QStringLiteral("2\r\n0\r\n5\r\n@被杀之前\r\n写的答案$\r\n").toLocal8Bit());
    wait_for_recovery_records();
}

QTEST_MAIN(tst_save_paper)
#include "tst_save_paper.moc"
