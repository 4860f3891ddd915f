// The road of a typical use, in one piece; and the same road in the code page of Chinese Windows (GBK) under a
// GB18030 locale.

#include "app/vq_stu.h"
#include "paper/paper_store.h"
#include "support/locales.h"
#include "support/window_harness.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCodec>
#include <QTextEdit>

#include <clocale>

using namespace harness;

namespace {

QString checked(QWidget *w, const char *prefix)
{
    QString letters;
    for (char c = 'A'; c <= 'F'; ++c) {
        const QByteArray name = QByteArray(prefix) + '_' + c;
        if (find<QAbstractButton>(w, name.constData())->isChecked()) {
            letters += QLatin1Char(c);
        }
    }
    return letters;
}

void choose(QWidget *w, const char *prefix, const QString &letters)
{
    for (const QChar c : letters) {
        const QByteArray name = QByteArray(prefix) + '_' + c.toLatin1();
        click_option(w, name.constData());
    }
}

QString answer_box(QWidget *w)
{
    return find<QTextEdit>(w, "unch_ans_in")->toPlainText();
}

} // namespace

class tst_whole_road : public QObject {
    Q_OBJECT

private slots:
    void new_open_answer_save_close_reopen();
    void gbk_files_under_a_gb18030_locale();
};

void tst_whole_road::new_open_answer_save_close_reopen()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(QStringLiteral(VQ_EXAMPLES_DIR "/problem.prb"), dir.filePath(QStringLiteral("problem.prb"))));
    const QString path = dir.filePath(QStringLiteral("李四.stu"));
    window_fixture f;
    QWidget *w = &f.window();
    dialog_driver dialogs;

    dialogs.choose_file(path);
    click(w, "new_paper");
    QCOMPARE(read_bytes(path), QByteArray("0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n@$\r\n@$\r\n@$\r\n"));

    open_paper(w, dialogs, path);
    QCOMPARE(find<QLabel>(w, "lname")->text(), QStringLiteral("李四"));
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("B"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_next");
    choose(w, "onech", QStringLiteral("C"));
    click(w, "onech_save");
    choose(w, "somech", QStringLiteral("ACE"));
    click(w, "somech_next");
    choose(w, "somech", QStringLiteral("ACE"));
    click(w, "somech_next");
    choose(w, "somech", QStringLiteral("ABC"));
    click(w, "somech_save");
    type_answer(w, QStringLiteral("设两个偶数为 2m 和 2n，\n则和为 2(m+n)。"));
    click(w, "unch_next");
    type_answer(w, QStringLiteral("春天是希望的季节 @ 校园"));
    click(w, "unch_next");
    type_answer(w, QStringLiteral("x = 6\ny = 4"));
    click(w, "unch_save");
    click(w, "save_paper");
    const QByteArray saved = QByteArrayLiteral("4\r\n2\r\n4\r\n4\r\n21\r\n21\r\n7\r\n") +
                             QStringLiteral("@设两个偶数为 2m 和 2n，\r\n则和为 2(m+n)。$\r\n"
                                            "@春天是希望的季节 @ 校园$\r\n@x = 6\r\ny = 4$\r\n")
                                 .toUtf8();
    QCOMPARE(read_bytes(path), saved);

    dialogs.answer_message(box_answer::ok);
    click(w, "close_paper");
    QCOMPARE(paper::store.onech_count, 0);

    open_paper(w, dialogs, path);
    QCOMPARE(checked(w, "onech"), QStringLiteral("C"));
    click(w, "onech_next");
    QCOMPARE(checked(w, "onech"), QStringLiteral("B"));
    QCOMPARE(checked(w, "somech"), QStringLiteral("ACE"));
    click(w, "somech_next");
    click(w, "somech_next");
    QCOMPARE(checked(w, "somech"), QStringLiteral("ABC"));
    QCOMPARE(answer_box(w), QStringLiteral("设两个偶数为 2m 和 2n，\n则和为 2(m+n)。"));
    click(w, "unch_next");
    click(w, "unch_next");
    QCOMPARE(answer_box(w), QStringLiteral("x = 6\ny = 4"));
    click(w, "save_paper");
    QCOMPARE(read_bytes(path), saved);
    QVERIFY2(dialogs.problems().isEmpty(), qPrintable(dialogs.problems().join(QLatin1Char('\n'))));
}

void tst_whole_road::gbk_files_under_a_gb18030_locale()
{
    QString why;
    if (!ensure_locale("zh_CN.GB18030", "zh_CN", "GB18030", &why)) {
        QSKIP(qPrintable(why));
    }
    const QByteArray saved_locale = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "zh_CN.GB18030");
    QTextCodec::setCodecForLocale(nullptr); // the locale's own code page from here on
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("GB18030"));
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    // "丂" is 0x81 0x40 in GBK: its second byte is an @, which inside a text is just part of it.
    const QString question = QStringLiteral("下列哪个字读作“kǎo”？丂");
    const QString answer = QStringLiteral("丂\n考试");
    QTemporaryDir dir;
    const QString path = make_paper(dir.path(), QString(), "0 0 1\r\n5\r\n@" + gbk->fromUnicode(question) + "$\r\n",
                                    QStringLiteral("gbk.stu"), "@$\r\n");
    {
        window_fixture f;
        QWidget *w = &f.window();
        dialog_driver dialogs;
        open_paper(w, dialogs, path);
        QCOMPARE(find<QTextEdit>(w, "unch_pro")->toPlainText(), question);
        type_answer(w, answer);
        click(w, "unch_save");
        click(w, "save_paper");
        QVERIFY(dialogs.problems().isEmpty());
    }
    const QByteArray on_disk = read_bytes(path);
    std::setlocale(LC_ALL, saved_locale.constData());
    QTextCodec::setCodecForLocale(nullptr);
    QCOMPARE(on_disk, "@" + gbk->fromUnicode(QStringLiteral("丂\r\n考试")) + "$\r\n");
    QCOMPARE(on_disk, QByteArray("@\x81\x40\r\n\xbf\xbc\xca\xd4$\r\n"));
}

QTEST_MAIN(tst_whole_road)
#include "tst_whole_road.moc"
