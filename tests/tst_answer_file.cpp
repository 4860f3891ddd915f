// The answer file: the documented bytes written exactly, every answer read back as written, damaged files
// read as far as they go, and a failed write that leaves the previous file whole.

#include "paper/answer_file.h"
#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "platform/safe_save.h"
#include "platform/system_file.h"
#include "platform/text_mode.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>

#include <limits>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

using namespace paper;

namespace {

void set_store(int onech, int somech, int unch)
{
    store.onech_count = onech;
    store.somech_count = somech;
    store.unch_count = unch;
    for (int i = 0; i <= 10; ++i) {
        store.onech_items[i].answer = 0;
        store.somech_items[i].answer = 0;
        store.unch_items[i].answer.clear();
    }
}

loaded_paper paper_of(int onech, int somech, int unch)
{
    loaded_paper paper;
    paper.counts = problem_counts{onech, somech, unch};
    paper.onech.resize(std::size_t(std::max(onech, 0)));
    paper.somech.resize(std::size_t(std::max(somech, 0)));
    paper.unch.resize(std::size_t(std::max(unch, 0)));
    return paper;
}

QByteArray file_bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool run(const QString &program, const QStringList &args)
{
    return QProcess::execute(program, args) == 0;
}

} // namespace

class tst_answer_file : public QObject {
    Q_OBJECT

private slots:
    void worked_example_is_written_byte_for_byte();
    void initial_files_have_one_unanswered_entry_per_question_data();
    void initial_files_have_one_unanswered_entry_per_question();
    void answers_read_back_as_written_data();
    void answers_read_back_as_written();
    void choice_entries_accept_any_white_space();
    void a_dollar_in_an_answer_cannot_cut_the_answers_after_it();
    void damaged_files_read_as_far_as_they_go_data();
    void damaged_files_read_as_far_as_they_go();
    void failed_writes_leave_the_old_file_whole();
    void immutable_files_refuse_the_write_and_locked_folders_are_written_in_place();
    void a_replaced_file_keeps_its_identity_data();
    void a_replaced_file_keeps_its_identity();
};

void tst_answer_file::worked_example_is_written_byte_for_byte()
{
    set_store(2, 1, 2);
    store.onech_items[1].answer = option_b;
    store.somech_items[1].answer = option_a | option_c | option_d;
    store.unch_items[1].answer = QStringLiteral("x = 3\ny = 4");
    QCOMPARE(store_answer_bytes(), QByteArray("2\r\n0\r\n13\r\n@x = 3\r\ny = 4$\r\n@$\r\n"));
    // Questions above the counts are never written.
    store.onech_items[3].answer = 8;
    store.unch_items[3].answer = QStringLiteral("not this paper's");
    QCOMPARE(store_answer_bytes(), QByteArray("2\r\n0\r\n13\r\n@x = 3\r\ny = 4$\r\n@$\r\n"));
}

void tst_answer_file::initial_files_have_one_unanswered_entry_per_question_data()
{
    QTest::addColumn<int>("onech");
    QTest::addColumn<int>("somech");
    QTest::addColumn<int>("unch");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("counts 2 1 2 give 17 bytes") << 2 << 1 << 2 << QByteArray("0\r\n0\r\n0\r\n@$\r\n@$\r\n");
    QTest::newRow("counts 0 0 0 give an empty file") << 0 << 0 << 0 << QByteArray();
    QTest::newRow("negative counts give no entries") << -3 << 1 << -1 << QByteArray("0\r\n");
    QTest::newRow("non-choice questions only") << 0 << 0 << 1 << QByteArray("@$\r\n");
}

void tst_answer_file::initial_files_have_one_unanswered_entry_per_question()
{
    QFETCH(int, onech);
    QFETCH(int, somech);
    QFETCH(int, unch);
    QFETCH(QByteArray, bytes);
    QCOMPARE(initial_answer_bytes(problem_counts{onech, somech, unch}), bytes);
    // The initial file is the file that save writes for a paper with nothing answered.
    set_store(onech, somech, unch);
    QCOMPARE(store_answer_bytes(), bytes);
}

void tst_answer_file::answers_read_back_as_written_data()
{
    QTest::addColumn<qint32>("mask");
    QTest::addColumn<QString>("answer");
    QTest::newRow("A and B, one line") << 3 << QStringLiteral("one line");
    QTest::newRow("F alone, two line breaks") << 32 << QStringLiteral("first\nsecond\nthird");
    QTest::newRow("all six, an @ inside") << 63 << QStringLiteral("mail @ home @@");
    QTest::newRow("a bit beyond the options, empty text") << 64 << QString();
    QTest::newRow("negative, Chinese text") << -5 << QStringLiteral("设两个偶数为 2m 和 2n。\n所以和是偶数。");
    QTest::newRow("the smallest integer, a lone CR") << std::numeric_limits<qint32>::min() << QStringLiteral("a\rb");
    QTest::newRow("the largest integer, blank lines") << std::numeric_limits<qint32>::max() << QStringLiteral("\n\n");
    QTest::newRow("markup-looking text") << 1 << QStringLiteral("<b>x</b> a<b and c>d");
    QTest::newRow("a line break before the end marker") << 2 << QStringLiteral("ends with a break\n");
    QTest::newRow("a byte-order mark first, twice") << 4 << QStringLiteral("\uFEFF\uFEFFmarked");
}

void tst_answer_file::answers_read_back_as_written()
{
    QFETCH(qint32, mask);
    QFETCH(QString, answer);
    if (!platform::fits_local_8bit(answer)) {
        QSKIP("the code page cannot hold this answer");
    }
    set_store(1, 1, 2);
    store.onech_items[1].answer = mask;
    store.somech_items[1].answer = mask;
    store.unch_items[1].answer = answer;
    store.unch_items[2].answer = QStringLiteral("after");
    const QByteArray bytes = store_answer_bytes();
    loaded_paper paper = paper_of(1, 1, 2);
    QVERIFY(parse_answers(bytes, paper));
    QCOMPARE(paper.onech[0].answer, mask);
    QCOMPARE(paper.somech[0].answer, mask);
    QCOMPARE(paper.unch[0].answer, answer);
    QCOMPARE(paper.unch[1].answer, QStringLiteral("after"));
    // What was read writes the same bytes again.
    install_paper(std::move(paper));
    QCOMPARE(store_answer_bytes(), bytes);
}

void tst_answer_file::choice_entries_accept_any_white_space()
{
    loaded_paper paper = paper_of(2, 2, 1);
    QVERIFY(parse_answers("  4\n\n\t2 \n 63\n-1\n@a\nb$\n", paper));
    QCOMPARE(paper.onech[0].answer, 4);
    QCOMPARE(paper.onech[1].answer, 2);
    QCOMPARE(paper.somech[0].answer, 63);
    QCOMPARE(paper.somech[1].answer, -1);
    QCOMPARE(paper.unch[0].answer, QStringLiteral("a\nb"));
}

void tst_answer_file::a_dollar_in_an_answer_cannot_cut_the_answers_after_it()
{
    set_store(0, 0, 3);
    store.unch_items[1].answer = QStringLiteral("costs $5, @ noon");
    store.unch_items[2].answer = QStringLiteral("second");
    const QByteArray bytes = store_answer_bytes();
    QCOMPARE(bytes, "@costs " + platform::to_local_8bit(QStringLiteral("＄")) + "5, @ noon$\r\n@second$\r\n@$\r\n");
    loaded_paper paper = paper_of(0, 0, 3);
    QVERIFY(parse_answers(bytes, paper));
    QCOMPARE(paper.unch[0].answer, QStringLiteral("costs ＄5, @ noon"));
    QCOMPARE(paper.unch[1].answer, QStringLiteral("second"));
    QVERIFY(paper.unch[2].answer.isEmpty());
    QCOMPARE(answer_for_file(QStringLiteral("no dollar")), QStringLiteral("no dollar"));
    // A code page without the full-width form gets a stand-in that it can hold.
    QTextCodec *const code_page = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("ISO-8859-1"));
    const QByteArray latin1 = store_answer_bytes();
    QTextCodec::setCodecForLocale(code_page);
    QCOMPARE(latin1, QByteArray("@costs \xa4"
                                "5, @ noon$\r\n@second$\r\n@$\r\n"));
}

void tst_answer_file::damaged_files_read_as_far_as_they_go_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<int>>("masks");    // two single-choice, one multiple-choice
    QTest::addColumn<QStringList>("answers"); // two non-choice
    QTest::addColumn<bool>("complete");
    QTest::newRow("whole") << QByteArray("1\r\n2\r\n4\r\n@a$\r\n@b$\r\n") << QList<int>{1, 2, 4}
                           << QStringList{QStringLiteral("a"), QStringLiteral("b")} << true;
    QTest::newRow("more after the last entry") << QByteArray("1 2 4 @a$ @b$ 9 @c$") << QList<int>{1, 2, 4}
                                               << QStringList{QStringLiteral("a"), QStringLiteral("b")} << true;
    QTest::newRow("empty file") << QByteArray() << QList<int>{0, 0, 0} << QStringList{QString(), QString()} << false;
    QTest::newRow("cut after the first line")
        << QByteArray("4\r\n") << QList<int>{4, 0, 0} << QStringList{QString(), QString()} << false;
    QTest::newRow("a choice entry that is no number") << QByteArray("x 2 4 @a$ @b$") << QList<int>{0, 2, 4}
                                                      << QStringList{QStringLiteral("a"), QStringLiteral("b")} << false;
    QTest::newRow("a number with letters stuck to it")
        << QByteArray("1 2abc 4 @a$ @b$") << QList<int>{1, 0, 4}
        << QStringList{QStringLiteral("a"), QStringLiteral("b")} << false;
    QTest::newRow("a choice entry beyond 32 bits") << QByteArray("1 99999999999 4 @a$ @b$") << QList<int>{1, 0, 4}
                                                   << QStringList{QStringLiteral("a"), QStringLiteral("b")} << false;
    QTest::newRow("a free answer right after the last mask")
        << QByteArray("1 2 4@a$@b$") << QList<int>{1, 2, 4} << QStringList{QStringLiteral("a"), QStringLiteral("b")}
        << true;
    QTest::newRow("damaged entries glued to the first free answer")
        << QByteArray("0x10 1e3 -@a$ @b$") << QList<int>{0, 0, 0}
        << QStringList{QStringLiteral("a"), QStringLiteral("b")} << false;
    QTest::newRow("a choice line missing before the texts")
        << QByteArray("1\r\n2\r\n@a$\r\n@b$\r\n") << QList<int>{1, 2, 0}
        << QStringList{QStringLiteral("a"), QStringLiteral("b")} << false;
    QTest::newRow("the last text cut before its $")
        << QByteArray("1 2 4 @a$ @half an ans") << QList<int>{1, 2, 4}
        << QStringList{QStringLiteral("a"), QStringLiteral("half an ans")} << false;
    QTest::newRow("no @ for the last text")
        << QByteArray("1 2 4 @a$\r\n") << QList<int>{1, 2, 4} << QStringList{QStringLiteral("a"), QString()} << false;
}

void tst_answer_file::damaged_files_read_as_far_as_they_go()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<int>, masks);
    QFETCH(QStringList, answers);
    QFETCH(bool, complete);
    loaded_paper paper = paper_of(2, 1, 2);
    paper.onech[1].answer = 99; // whatever a question held before, the file decides
    paper.unch[1].answer = QStringLiteral("old");
    QCOMPARE(parse_answers(bytes, paper), complete);
    QCOMPARE((QList<int>{paper.onech[0].answer, paper.onech[1].answer, paper.somech[0].answer}), masks);
    QCOMPARE((QStringList{paper.unch[0].answer, paper.unch[1].answer}), answers);
}

void tst_answer_file::failed_writes_leave_the_old_file_whole()
{
    QTemporaryDir dir;
    set_store(1, 0, 1);
    store.onech_items[1].answer = 8;
    store.unch_items[1].answer = QStringLiteral("kept");
    // The target is a folder: nothing can replace it.
    const QString folder = dir.filePath(QStringLiteral("a.stu"));
    QVERIFY(QDir().mkdir(folder));
    QString error;
    QVERIFY(!write_answer_file(folder, &error));
    QVERIFY2(error.contains(QStringLiteral("文件夹")), qPrintable(error));
    // The folder has gone.
    const QString gone = dir.filePath(QStringLiteral("gone/b.stu"));
    QVERIFY(!write_answer_file(gone, &error));
    QVERIFY2(error.contains(QStringLiteral("不存在")), qPrintable(error));
    QVERIFY(!write_initial_answer_file(gone, problem_counts{1, 1, 1}, &error));
    // Nothing but what was there before is left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("a.stu")});
}

void tst_answer_file::immutable_files_refuse_the_write_and_locked_folders_are_written_in_place()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("s01.stu"));
    const QByteArray old_bytes("1\r\n@old answer$\r\n");
    QVERIFY(platform::write_whole_file(path, old_bytes, nullptr));
    if (!run(QStringLiteral("chattr"), {QStringLiteral("+i"), path})) {
        QSKIP("chattr +i is not available here (needs root and a file system that supports it)");
    }
    set_store(1, 0, 1);
    store.onech_items[1].answer = 2;
    store.unch_items[1].answer = QStringLiteral("new answer");
    QString error;
    QVERIFY(!write_answer_file(path, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(file_bytes(path), old_bytes);
    QVERIFY(!write_initial_answer_file(path, problem_counts{1, 0, 1}, &error));
    QCOMPARE(file_bytes(path), old_bytes);
    QVERIFY(run(QStringLiteral("chattr"), {QStringLiteral("-i"), path}));
    // A folder that takes no new file (as exam rooms prepare them): the answer file itself is written, shorter
    // and longer than before, and a new paper resets it.
    QVERIFY(run(QStringLiteral("chattr"), {QStringLiteral("+i"), dir.path()}));
    const bool saved = write_answer_file(path, &error);
    const QByteArray shorter = file_bytes(path);
    store.unch_items[1].answer = QStringLiteral("a much longer answer than the one before");
    const bool saved_longer = write_answer_file(path, &error);
    const QByteArray longer = file_bytes(path);
    const bool reset = write_initial_answer_file(path, problem_counts{1, 0, 1}, &error);
    const bool refused_new = !write_answer_file(dir.filePath(QStringLiteral("new.stu")), &error);
    QVERIFY(run(QStringLiteral("chattr"), {QStringLiteral("-i"), dir.path()}));
    QVERIFY2(saved && saved_longer && reset, qPrintable(error));
    QCOMPARE(shorter, QByteArray("2\r\n@new answer$\r\n"));
    QCOMPARE(longer, QByteArray("2\r\n@a much longer answer than the one before$\r\n"));
    QCOMPARE(file_bytes(path), QByteArray("0\r\n@$\r\n"));
    // A file that is not there cannot be written in place.
    QVERIFY(refused_new);
    QVERIFY2(error.contains(QStringLiteral("不允许写入")), qPrintable(error));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s01.stu")});
}

void tst_answer_file::a_replaced_file_keeps_its_identity_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("owned by the teacher, group-readable") << QStringLiteral("teacher");
    QTest::newRow("owned by the teacher, saved by a student") << QStringLiteral("student");
    QTest::newRow("a second name through a hard link") << QStringLiteral("hard link");
    QTest::newRow("a symbolic link to the file") << QStringLiteral("symbolic link");
    QTest::newRow("an access list and an extended attribute") << QStringLiteral("access list");
    QTest::newRow("a drop folder: the student may write and create, not list") << QStringLiteral("drop folder");
    QTest::newRow("a link with '..' reached through a linked folder") << QStringLiteral("dotdot link");
    QTest::newRow("Windows: its creation time and attributes") << QStringLiteral("windows attributes");
}

void tst_answer_file::a_replaced_file_keeps_its_identity()
{
    QFETCH(QString, kind);
#ifdef Q_OS_WIN
    if (kind != QLatin1String("windows attributes")) {
        QSKIP("owners, groups and links as a POSIX system keeps them");
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("s01.stu"));
    QVERIFY(platform::write_whole_file(file, "1\r\n@old$\r\n", nullptr));
    const std::wstring name = QDir::toNativeSeparators(file).toStdWString();
    // Made in 2001 and hidden by the student; the save must replace the file, not write it in place.
    const auto identity = [&](FILETIME *created, DWORD *attributes) {
        const HANDLE handle = CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, 0, nullptr);
        BY_HANDLE_FILE_INFORMATION info{};
        const bool known = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
        CloseHandle(handle);
        *created = info.ftCreationTime;
        *attributes = info.dwFileAttributes;
        return known ? (static_cast<quint64>(info.nFileIndexHigh) << 32) | info.nFileIndexLow : 0;
    };
    const HANDLE handle =
        CreateFileW(name.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME long_ago{0x2b3a8000, 0x01c0d3b6};
    QVERIFY(handle != INVALID_HANDLE_VALUE && SetFileTime(handle, &long_ago, nullptr, nullptr));
    CloseHandle(handle);
    QVERIFY(SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_HIDDEN));
    FILETIME created_before{};
    DWORD attributes_before = 0;
    const quint64 before = identity(&created_before, &attributes_before);
    set_store(1, 0, 1);
    store.unch_items[1].answer = QStringLiteral("new");
    QString error;
    QVERIFY2(write_answer_file(file, &error), qPrintable(error));
    FILETIME created_after{};
    DWORD attributes_after = 0;
    QVERIFY(identity(&created_after, &attributes_after) != before);
    // A file system that keeps no creation time of its own (Wine's on Linux) cannot show it kept.
    if (CompareFileTime(&created_before, &long_ago) == 0) {
        QCOMPARE(CompareFileTime(&created_after, &created_before), 0);
    }
    QCOMPARE(attributes_after & FILE_ATTRIBUTE_HIDDEN, DWORD(FILE_ATTRIBUTE_HIDDEN));
    QCOMPARE(file_bytes(file), QByteArray("0\r\n@new$\r\n"));
#else
    if (kind == QLatin1String("windows attributes")) {
        QSKIP("a Windows file's creation time and attributes");
    }
    QTemporaryDir dir;

    // "dotdot link": home/exam -> ../srv/class1, and srv/class1/s01.stu -> ../answers/s01.stu, saved through
    // home/exam/s01.stu; the system reaches srv/answers/s01.stu, which is the file.
    const bool dotdot = kind == QLatin1String("dotdot link");
    const QString folder = dotdot ? dir.filePath(QStringLiteral("srv/answers")) : dir.path();
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/s01.stu");
    const QString other = dir.filePath(QStringLiteral("other name"));
    QVERIFY(platform::write_whole_file(file, "1\r\n@old$\r\n", nullptr));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::WriteGroup));
    QString path = file;
    const bool teachers = kind == QLatin1String("teacher") || kind == QLatin1String("student");
    const bool students = kind == QLatin1String("student") || kind == QLatin1String("drop folder");
    const uid_t owner = kind == QLatin1String("drop folder") ? 34567 : 12345;
    if ((teachers || students) && ::chown(QFile::encodeName(file).constData(), owner, owner + 11111) != 0) {
        QSKIP("cannot give a file to another user here (needs root)");
    }
    if (kind == QLatin1String("student")) {
        // Any student may write the file and create files in the folder, but the system will not let a student
        // give a new file to the teacher.
        QVERIFY(QFile::setPermissions(file, QFile::Permissions(0x6666)));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::Permissions(0x7777)));
    }
    if (kind == QLatin1String("drop folder")) {
        QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 01733) == 0);
    }
    if (kind == QLatin1String("hard link")) {
        QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()) == 0);
    }
    if (kind == QLatin1String("symbolic link")) {
        QVERIFY(QFile::link(file, other));
        path = other;
    }
    if (dotdot) {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("srv/class1"))) &&
                QDir().mkpath(dir.filePath(QStringLiteral("home"))));
        QVERIFY(::symlink("../srv/class1", QFile::encodeName(dir.filePath(QStringLiteral("home/exam"))).constData()) ==
                0);
        QVERIFY(::symlink("../answers/s01.stu",
                          QFile::encodeName(dir.filePath(QStringLiteral("srv/class1/s01.stu"))).constData()) == 0);
        path = dir.filePath(QStringLiteral("home/exam/s01.stu"));
    }
    // A POSIX access list that lets one more user write, and an attribute of the teacher's.
    const auto attributes = [&] {
        QByteArray all;
        for (const char *name : {"system.posix_acl_access", "user.teacher"}) {
            char value[256];
            const ssize_t size = ::getxattr(QFile::encodeName(file).constData(), name, value, sizeof value);
            all +=
                QByteArray(name) + '=' + (size >= 0 ? QByteArray(value, static_cast<int>(size)) : QByteArray()) + ';';
        }
        return all;
    };
    if (kind == QLatin1String("access list")) {
        const quint32 acl[] = {2,          0x00060001, 0xffffffff, 0x00060002, 12345,     0x00040004,
                               0xffffffff, 0x00060010, 0xffffffff, 0x00000020, 0xffffffff};
        if (::setxattr(QFile::encodeName(file).constData(), "system.posix_acl_access", acl, sizeof acl, 0) != 0 ||
            ::setxattr(QFile::encodeName(file).constData(), "user.teacher", "marked", 6, 0) != 0) {
            QSKIP("this file system keeps no access lists or extended attributes");
        }
    }
    const QByteArray attributes_before = attributes();
    struct stat before {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &before) == 0);
    set_store(1, 0, 1);
    store.onech_items[1].answer = 4;
    store.unch_items[1].answer = QStringLiteral("new");
    // While the answers go in, the new file beside the old one is its maker's alone.
    unsigned open_to_others = 0;
    platform::set_file_fault([&](platform::file_step step) {
        const QFileInfoList made =
            QDir(folder).entryInfoList({QStringLiteral("s01.stu.*")}, QDir::Files | QDir::Hidden);
        for (const QFileInfo &info : made) {
            struct stat status {};
            if (step == platform::file_step::write &&
                ::stat(QFile::encodeName(info.filePath()).constData(), &status) == 0) {
                open_to_others |= status.st_mode & 077;
            }
        }
        return 0;
    });
    QString error;
    if (students) {
        const pid_t student = ::fork();
        if (student == 0) {
            const bool dropped = ::setgid(owner + 11111) == 0 && ::setuid(owner) == 0;
            ::_exit(dropped && write_answer_file(path, nullptr) && open_to_others == 0 ? 0 : 1);
        }
        int status = -1;
        QVERIFY(student > 0 && ::waitpid(student, &status, 0) == student);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
        QVERIFY2(write_answer_file(path, &error), qPrintable(error));
    }
    platform::set_file_fault({});
    QCOMPARE(open_to_others, 0u);
    struct stat after {};
    QVERIFY(::stat(QFile::encodeName(file).constData(), &after) == 0);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_nlink, before.st_nlink);
    QCOMPARE(attributes(), attributes_before);
    QCOMPARE(file_bytes(file), QByteArray("4\r\n@new$\r\n"));
    const bool two_names = kind == QLatin1String("hard link") || kind == QLatin1String("symbolic link");
    if (two_names) {
        QCOMPARE(file_bytes(other), QByteArray("4\r\n@new$\r\n"));
    }
    QCOMPARE(QFileInfo(other).isSymLink(), kind == QLatin1String("symbolic link"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), dotdot ? 0 : two_names ? 2 : 1);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::System).size(), two_names ? 2 : 1);
    if (dotdot) {
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("home/answers"))));
    }
#endif
}

QTEST_GUILESS_MAIN(tst_answer_file)
#include "tst_answer_file.moc"
