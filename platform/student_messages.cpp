#include "platform/student_messages.h"

#include "platform/local8bit.h"
#include "platform/message_box.h"

#include <QDir>
#include <QStringList>

QString notice_caption()
{
    return QStringLiteral("提示");
}

QString missing_problem_text()
{
    return QStringLiteral("新建文件所在的文件夹下缺少problem.prb文件");
}

void tell(const QString &text)
{
    platform::message_box(text, notice_caption(), platform::box_buttons::ok);
}

bool confirm_close()
{
    const QString text = QStringLiteral("您确定要关闭此答卷吗？请确认是否保存答卷。\n"
                                        "（点击“保存答卷按钮”，若不想保存答卷，忽略此操作）");
    return platform::message_box(text, notice_caption(), platform::box_buttons::ok_cancel) !=
           platform::box_answer::cancel;
}

void tell_dollar_replaced(QChar stand_in)
{
    const QString became =
        stand_in == QChar(0xFF04) ? QStringLiteral("全角的“＄”") : QStringLiteral("“%1”").arg(stand_in);
    tell(QStringLiteral("答案中的“$”已改为%1：答卷文件用“$”标记每个答案的结尾。").arg(became));
}

void tell_not_in_code_page()
{
    tell(QStringLiteral("答案中有当前系统编码无法表示的字符，保存到答卷文件后会变成替代字符（例如“?”）。"
                        "请改用其他写法。"));
}

void tell_not_in_file_code_page(const QStringList &files)
{
    QStringList quoted;
    for (const QString &file : files) {
        quoted << QStringLiteral("“%1”").arg(QDir::toNativeSeparators(file));
    }
#ifdef Q_OS_WIN
    const QString how = QStringLiteral("请在该文件所用编码的 Windows 系统上打开它。");
#else
    const QString how =
        QStringLiteral("请关闭本程序，然后在该文件的编码下重新启动它。例如文件来自中文 Windows（GBK）时：\n"
                       "localedef -i zh_CN -f GB18030 zh_CN.GB18030\n"
                       "LANG=zh_CN.GB18030 LC_ALL=zh_CN.GB18030 vq_stu");
#endif
    tell(QStringLiteral("文件%1中有些字符无法用本系统当前的编码（%2）显示或保存：它们显示为替代字符，"
                        "保存答卷时也无法保留原样。这个文件可能是在使用其他编码的系统上写的。\n%3")
             .arg(quoted.join(QStringLiteral("和")), platform::local_8bit_name(), how));
}

bool ask_to_restore(const QString &paper, int differing, const QDateTime &typed, bool file_changed)
{
    QString text = QStringLiteral("答卷“%1”有上次没有保存的答案：%2 道题的答案与答卷文件不同，最后一次输入于 %3。\n")
                       .arg(QDir::toNativeSeparators(paper))
                       .arg(differing)
                       .arg(typed.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (file_changed) {
        text += QStringLiteral("注意：答卷文件在这之后被修改过。\n");
    }
    text += QStringLiteral("是否恢复这些答案？\n"
                           "点击“是”恢复（恢复后仍需点击“保存当前答卷”才会写入答卷文件）；"
                           "点击“否”放弃这些答案，使用答卷文件中的答案。");
    return platform::message_box(text, notice_caption(), platform::box_buttons::yes_no) != platform::box_answer::no;
}

void tell_restored(int restored)
{
    tell(QStringLiteral("已恢复 %1 道题的答案。这些答案还没有写入答卷文件，请点击“保存当前答卷”保存。").arg(restored));
}

void tell_record_kept_aside(const QString &paper, const QString &why, const QString &kept)
{
    QString text = QStringLiteral("答卷“%1”的恢复记录没有使用：%2\n答卷按答卷文件中的答案打开。")
                       .arg(QDir::toNativeSeparators(paper), why);
    if (!kept.isEmpty()) {
        text += QStringLiteral("\n恢复记录已另存为“%1”。").arg(QDir::toNativeSeparators(kept));
    }
    tell(text);
}

void tell_record_not_written(const QString &why)
{
    tell(QStringLiteral("无法写入答案的恢复记录：%1\n程序意外关闭时，没有保存的答案将无法恢复。"
                        "请经常点击“保存当前答卷”。")
             .arg(why));
}
