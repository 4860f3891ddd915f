#include "large_paper.h"

#include "paper/paper_store.h"
#include "platform/local8bit.h"
#include "platform/safe_save.h"
#include "platform/text_mode.h"

#include <QFileInfo>

QString question_text(int n, int bytes)
{
    QString text = QStringLiteral("第%1题：").arg(n);
    const QString pieces[] = {QStringLiteral("已知 x + y = %1，x - y = 2，"), QStringLiteral("求 x 与 y 的值。"),
                              QStringLiteral("Explain each step in one sentence. "),
                              QStringLiteral("选项 A. 1  B. 2  C. 3  D. 4。")};
    int line = 0;
    for (int i = 0; platform::to_local_8bit(text).size() < bytes; ++i) {
        text += pieces[i % 4].contains(QStringLiteral("%1")) ? pieces[i % 4].arg(n + i) : pieces[i % 4];
        if (++line % 3 == 0) {
            text += QLatin1Char('\n');
        }
    }
    return text;
}

large_paper::large_paper()
{
    const int count = paper::max_questions;
    QByteArray problem;
    problem.reserve(32 * 1024 * 1024);
    problem += QByteArray::number(count) + ' ' + QByteArray::number(count) + ' ' + QByteArray::number(count) + '\n';
    auto text_entry = [&problem](int n) {
        problem += '@';
        problem += platform::to_local_8bit(question_text(n, 1000));
        problem += "$\n";
    };
    for (int i = 1; i <= count; ++i) {
        problem += QByteArray::number(1 + i % 5) + '\n';
        text_entry(i);
    }
    for (int i = 1; i <= count; ++i) {
        problem += QByteArray::number(4) + ' ' + QByteArray::number(1.5) + '\n';
        text_entry(i);
    }
    for (int i = 1; i <= count; ++i) {
        problem += QByteArray::number(10 + i % 3) + '\n';
        text_entry(i);
    }
    QByteArray answers;
    for (int i = 1; i <= 2 * count; ++i) {
        answers += QByteArray::number(i % 64) + '\n';
    }
    for (int i = 1; i <= count; ++i) {
        answers += '@' + platform::to_local_8bit(question_text(i, 1000)) + "$\n";
    }
    problem_path = folder.filePath(QStringLiteral("problem.prb"));
    answer_path = folder.filePath(QStringLiteral("large.stu"));
    platform::write_whole_file(problem_path, platform::to_disk_line_ends(problem), nullptr);
    platform::write_whole_file(answer_path, platform::to_disk_line_ends(answers), nullptr);
    problem_size = QFileInfo(problem_path).size();
    answer_size = QFileInfo(answer_path).size();
}

const large_paper &the_large_paper()
{
    static const large_paper paper;
    return paper;
}
