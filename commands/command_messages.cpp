#include "commands/command_messages.h"

#include "platform/message_box.h"

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

void tell_dollar_replaced()
{
    tell(QStringLiteral("答案中的“$”已改为全角的“＄”：答卷文件用“$”标记每个答案的结尾。"));
}

void tell_not_in_code_page()
{
    tell(QStringLiteral("答案中有当前系统编码无法表示的字符，保存到答卷文件后会变成替代字符（例如“?”）。"
                        "请改用其他写法。"));
}
