// Text mode: CR LF on disk, LF in memory, on every platform; and whole-file reads and replacing writes.

#include "platform/safe_save.h"
#include "platform/text_mode.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_text_mode : public QObject {
    Q_OBJECT

private slots:
    void reading_folds_cr_lf_data();
    void reading_folds_cr_lf();
    void writing_expands_lf_data();
    void writing_expands_lf();
    void folding_undoes_expanding();
    void whole_file_is_read_byte_for_byte();
    void missing_file_is_reported();
    void replacing_write_leaves_exact_bytes_data();
    void replacing_write_leaves_exact_bytes();
    void write_into_missing_folder_fails_and_says_why();
};

void tst_text_mode::reading_folds_cr_lf_data()
{
    QTest::addColumn<QByteArray>("disk");
    QTest::addColumn<QByteArray>("memory");
    QTest::newRow("CR LF pairs read as LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
    QTest::newRow("a lone CR stays a CR") << QByteArray("a\rb") << QByteArray("a\rb");
    QTest::newRow("CR CR LF keeps the first CR") << QByteArray("x\r\r\ny") << QByteArray("x\r\ny");
    QTest::newRow("LF alone stays LF") << QByteArray("a\nb") << QByteArray("a\nb");
    QTest::newRow("last line without a line end") << QByteArray("1\r\n2") << QByteArray("1\n2");
    QTest::newRow("CR as the very last byte") << QByteArray("a\r") << QByteArray("a\r");
    QTest::newRow("empty data") << QByteArray() << QByteArray();
    QTest::newRow("only line ends") << QByteArray("\r\n\r\n") << QByteArray("\n\n");
    QTest::newRow("LF CR is no pair") << QByteArray("a\n\rb") << QByteArray("a\n\rb");
    QTest::newRow("8-bit text is untouched")
        << QByteArray("\xe7\xad\x94\r\n\xe5\x8d\xb7") << QByteArray("\xe7\xad\x94\n\xe5\x8d\xb7");
}

void tst_text_mode::reading_folds_cr_lf()
{
    QFETCH(QByteArray, disk);
    QFETCH(QByteArray, memory);
    QCOMPARE(platform::from_disk_line_ends(disk), memory);
}

void tst_text_mode::writing_expands_lf_data()
{
    QTest::addColumn<QByteArray>("memory");
    QTest::addColumn<QByteArray>("disk");
    QTest::newRow("every LF is written as CR LF") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
    QTest::newRow("a lone CR is written as it is") << QByteArray("a\rb") << QByteArray("a\rb");
    QTest::newRow("last line without a line end") << QByteArray("a\nb") << QByteArray("a\r\nb");
    QTest::newRow("empty data") << QByteArray() << QByteArray();
    QTest::newRow("two line ends in a row") << QByteArray("\n\n") << QByteArray("\r\n\r\n");
}

void tst_text_mode::writing_expands_lf()
{
    QFETCH(QByteArray, memory);
    QFETCH(QByteArray, disk);
    QCOMPARE(platform::to_disk_line_ends(memory), disk);
}

void tst_text_mode::folding_undoes_expanding()
{
    // Any text without CR survives the trip to disk and back.
    QByteArray text;
    quint32 state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1103515245u + 12345u;
        char c = static_cast<char>((state >> 16) & 0xff);
        if (c == '\r') {
            c = '\n';
        }
        text.append(c);
    }
    QCOMPARE(platform::from_disk_line_ends(platform::to_disk_line_ends(text)), text);
}

void tst_text_mode::whole_file_is_read_byte_for_byte()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.bin"));
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i) {
        bytes.append(static_cast<char>(i * 7));
    }
    QVERIFY(platform::write_whole_file(path, bytes, nullptr));
    QByteArray read;
    QString error;
    QVERIFY(platform::read_whole_file(path, read, &error));
    QCOMPARE(read, bytes);
    QVERIFY(error.isEmpty());
}

void tst_text_mode::missing_file_is_reported()
{
    QTemporaryDir dir;
    QByteArray read("left alone");
    QString error;
    QVERIFY(!platform::read_whole_file(dir.filePath(QStringLiteral("none.prb")), read, &error));
    QVERIFY2(error.contains(QStringLiteral("不存在")), qPrintable(error));
}

void tst_text_mode::replacing_write_leaves_exact_bytes_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("beside the scratch folder") << QString();
    // More than the 260 characters of a short Windows path, as deep class folders on a share make it.
    const QString deep = QString(90, QLatin1Char('d'));
    QTest::newRow("a path of more than 260 characters") << deep + QLatin1Char('/') + deep + QLatin1Char('/') + deep;
}

void tst_text_mode::replacing_write_leaves_exact_bytes()
{
    QFETCH(QString, folder);
    QTemporaryDir scratch;
    const QDir dir(scratch.filePath(folder));
    QVERIFY(QDir().mkpath(dir.path()));
    const QString path = dir.filePath(QStringLiteral("a.stu"));
    QVERIFY(platform::write_whole_file(path, QByteArray("long old content\r\n"), nullptr));
    QVERIFY(platform::write_whole_file(path, QByteArray("0\r\n"), nullptr));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("0\r\n"));
    // Nothing but the target is left in the folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("a.stu")});
}

void tst_text_mode::write_into_missing_folder_fails_and_says_why()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gone/a.stu"));
    QString error;
    QVERIFY(!platform::write_whole_file(path, QByteArray("0\r\n"), &error));
    QVERIFY2(error.contains(QStringLiteral("不存在")), qPrintable(error));
    QVERIFY(!QFile::exists(path));
}

QTEST_GUILESS_MAIN(tst_text_mode)
#include "tst_text_mode.moc"
