#!/usr/bin/python3
"""What a blind student hears: runs Orca and the real window on a private desktop, presses keys as a student
would, and checks what Orca says after each key.

    check_speech.py PROGRAM

The desktop is a private Xvfb display with a window manager, a D-Bus session and the AT-SPI bus. Orca starts
first, from a throw-away settings folder, as on a student's desktop; the program then speaks AT-SPI because a
screen reader runs (nothing forces it on). Keys go through the X server with xdotool. After each key the check
waits until Orca has been quiet for a while, then reads what Orca said from its speech log (see run_orca.py).
Where Orca or the desktop cannot be had, the check says so in one line and passes.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
ORCA_PYTHON = "/usr/bin/python3"  # Orca's own interpreter, whatever python3 is first on the path
QUIET = 0.8  # seconds without a new utterance that end a key's speech
KEY_LIMIT = 8.0  # seconds that one key's speech may take
TOTAL_LIMIT = 120  # seconds for the whole check


class Skip(Exception):
    pass


class Desktop:
    """Xvfb, a D-Bus session, openbox, Orca and the program, each in a process group of its own."""

    def __init__(self, program):
        self.program = os.path.abspath(program)
        self.folder = tempfile.mkdtemp(prefix="vq-speech-")
        os.chmod(self.folder, 0o700)
        self.groups = []
        self.speech_log = os.path.join(self.folder, "speech.log")
        self.read_to = 0
        self.display_pipe = None

    def start(self, command, **options):
        process = subprocess.Popen(command, start_new_session=True, stdin=subprocess.DEVNULL, **options)
        self.groups.append(process)
        return process

    def output(self, name):
        return open(os.path.join(self.folder, name), "w")

    def open(self):
        for tool in ("Xvfb", "openbox", "xdotool", "dbus-daemon"):
            if not shutil.which(tool):
                raise Skip("%s is not installed" % tool)
        if subprocess.run([ORCA_PYTHON, "-c", "import orca.orca_platform"], capture_output=True).returncode:
            raise Skip("Orca is not installed")

        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                    "-noreset"], pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=self.output("xvfb.log"))
        os.close(write_end)
        # Xvfb writes the number again at a reset and ends if it cannot: the pipe stays open while it runs.
        self.display_pipe = read_end
        display = os.read(read_end, 64).decode().strip()
        if not display:
            raise Skip("Xvfb did not start")

        env = {key: value for key, value in os.environ.items()
               if not key.startswith(("QT_", "DBUS_", "XDG_", "WAYLAND_", "GTK_", "AT_SPI"))}
        home = os.path.join(self.folder, "home")
        os.makedirs(home)
        env.update(DISPLAY=":" + display, HOME=home, XDG_RUNTIME_DIR=self.folder, XDG_CONFIG_HOME=home + "/config",
                   XDG_DATA_HOME=home + "/data", XDG_CACHE_HOME=home + "/cache", GSETTINGS_BACKEND="memory",
                   LANG="C.UTF-8", LC_ALL="C.UTF-8", NO_AT_BRIDGE="0")
        bus = self.start(["dbus-daemon", "--session", "--nofork", "--print-address"], env=env,
                         stdout=subprocess.PIPE, stderr=self.output("dbus.log"))
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().decode().strip()
        self.env = env
        self.start(["openbox", "--sm-disable"], env=env, stdout=subprocess.DEVNULL, stderr=self.output("wm.log"))

        prefs = os.path.join(self.folder, "orca")
        os.makedirs(prefs)
        self.start([ORCA_PYTHON, os.path.join(HERE, "run_orca.py"), prefs, self.speech_log], env=env,
                   stdout=self.output("orca.log"), stderr=subprocess.STDOUT)
        if not self.wait_for("Screen reader on", 30):
            raise Skip("Orca did not start (see %s)" % os.path.join(self.folder, "orca.log"))

        paper = os.path.join(self.folder, "paper")
        os.makedirs(paper)
        for name in ("problem.prb", "张三.stu"):
            shutil.copy(os.path.join(EXAMPLES, name), paper)
        self.start([self.program, os.path.join(paper, "张三.stu")], cwd=paper, env=env,
                   stdout=self.output("program.log"), stderr=subprocess.STDOUT)
        if not self.wait_for("打开答卷 push button", 30):
            raise AssertionError("Orca never heard the program's window: %s" % self.said_so_far())
        self.settle()
        self.read_to = os.path.getsize(self.speech_log)

    def said_so_far(self):
        with open(self.speech_log, encoding="utf-8") as log:
            return log.read()

    def wait_for(self, words, seconds):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if os.path.exists(self.speech_log) and words in self.said_so_far():
                return True
            time.sleep(0.1)
        return False

    def settle(self):
        """Waits until the speech log has not grown for QUIET seconds (at most KEY_LIMIT)."""
        deadline = time.monotonic() + KEY_LIMIT
        size, since = -1, time.monotonic()
        while time.monotonic() < deadline:
            now = os.path.getsize(self.speech_log)
            if now != size:
                size, since = now, time.monotonic()
            elif time.monotonic() - since >= QUIET:
                return
            time.sleep(0.05)

    def press(self, key):
        """Presses `key` (xdotool's names) and returns what Orca said after it, less its echo of the key."""
        subprocess.run(["xdotool", "key", key], env=self.env, check=True)
        self.settle()
        with open(self.speech_log, encoding="utf-8") as log:
            log.seek(self.read_to)
            said = log.read()
            self.read_to = log.tell()
        # Each utterance is logged as SPEECH OUTPUT: '...'; an echoed key carries its voice after it.
        return [text for text, echo in
                re.findall(r"SPEECH OUTPUT: '(.*?)'( \{[^\n]*\})?\n(?=SPEECH OUTPUT: |\Z)", said, re.S)
                if not echo]

    def close(self):
        if self.display_pipe is not None:
            os.close(self.display_pipe)
        for process in reversed(self.groups):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for process in reversed(self.groups):
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait()


# Each step: a key, what the student must hear (every piece, in any utterance), and what they must not.
# The paper is examples/ with its answers: single choice 1 C, 2 B; multiple choice 1 A+C+E; free answer 1 written.
STEPS = [
    # A page turned from the top row is said, with what it holds.
    ("ctrl+Tab", ["单选题：第 1 题，2 分"], []),
    ("ctrl+shift+Tab", ["总控制页：学生文件名：张三，单选题数量：4，多选题数量：3，非选择题数量：3，总分：53.000"], []),
    ("ctrl+Next", ["单选题：第 1 题，2 分"], []),
    ("Tab", ["关闭当前答卷 push button"], []),
    ("Tab", ["保存当前答卷 push button"], []),
    ("Tab", ["单选题 page tab"], []),
    # A tab chosen with the focus on the tabs is said once, as the tab.
    ("ctrl+Tab", ["多选题 page tab"], ["notification", "多选题："]),
    ("ctrl+shift+Tab", ["单选题 page tab"], ["notification", "单选题："]),
    # The question text: its page, number, score and words, its label once.
    ("Tab", ["单选题 panel", "题面： 第 1 题，2 分。下列哪一个数是质数？"], ["题面： 题面："]),
    # The options: the question's number, the hint once.
    ("Tab", ["第 1 题 选项 C", "单选题，只能选一项"], []),
    ("Right", ["第 1 题 选项 D"], ["单选题，只能选一项"]),
    ("Left", ["第 1 题 选项 C"], ["单选题，只能选一项"]),
    ("Tab", ["上一题 push button"], ["单选题，只能选一项"]),
    ("Tab", ["保存当前答案 push button"], []),
    ("Tab", ["下一题 push button"], []),
    # 下一题, again and again: the question shown, its score, words and stored answer; the focus stays.
    ("space", ["第 2 题，2 分。水在标准大气压下的沸点是多少摄氏度？", "已选 B"], ["push button"]),
    ("space", ["第 3 题，3 分。《静夜思》的作者是谁？", "未选"], ["push button"]),
    ("shift+Tab", ["保存当前答案 push button"], []),
    ("space", ["第 3 题的答案已保存：未选"], ["push button"]),
    ("shift+Tab", ["上一题 push button"], []),
    ("space", ["第 2 题，2 分。", "已选 B"], ["push button"]),
    # A new question shown: the hint again, once.
    ("shift+Tab", ["第 2 题 选项 B", "单选题，只能选一项"], []),
    # A page turned from inside a page: its name, and the focus on a named control of it.
    ("ctrl+Tab", ["多选题 panel", "第 1 题，全对 4 分，少选 2 分。下列数中，哪些是偶数？"], []),
    ("ctrl+Tab", ["非选择题 panel", "第 1 题，10 分。证明：两个偶数的和仍是偶数。"], []),
    # The answer box with its question; Tab types a tab there, Ctrl+Tab leaves it; Ctrl+PageUp turns the page.
    ("Tab", ["答题区：第 1 题的答案"], []),
    ("Tab", [], ["push button", "panel"]),
    ("ctrl+Tab", ["上一题 push button"], []),
    ("shift+Tab", ["答题区：第 1 题的答案"], []),
    ("ctrl+shift+Tab", ["题面： 第 1 题，10 分"], ["panel"]),
    ("Tab", ["答题区：第 1 题的答案"], []),
    ("ctrl+Prior", ["多选题 panel"], []),
    ("space", [], []),
    ("Tab", ["第 1 题 选项 A"], []),
    ("Tab", ["第 1 题 选项 B"], []),
    # Into the control page from inside a page: its name, then what it holds.
    ("ctrl+shift+Tab", ["单选题 panel"], []),
    ("ctrl+shift+Tab", ["总控制页 panel", "学生文件名：张三，单选题数量：4，多选题数量：3，非选择题数量：3，总分：53.000"],
     []),
]


def check(desktop):
    failures = []
    for number, (key, heard, unheard) in enumerate(STEPS, 1):
        said = desktop.press(key)
        text = "\n".join(said)
        problems = ["not heard: %s" % words for words in heard if words not in text]
        problems += ["heard: %s" % words for words in unheard if words in text]
        problems += ["said twice in a row: %s" % a for a, b in zip(said, said[1:]) if a == b]
        if problems:
            failures.append("step %d, %s: %s\n    Orca said: %s" % (number, key, "; ".join(problems), said))
    return failures


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2

    def too_long(signum, frame):
        raise AssertionError("the check took longer than %d seconds" % TOTAL_LIMIT)

    signal.signal(signal.SIGALRM, too_long)
    signal.alarm(TOTAL_LIMIT)
    started = time.monotonic()
    desktop = Desktop(sys.argv[1])
    try:
        desktop.open()
        failures = check(desktop)
    except Skip as why:
        print("The screen reader check is skipped: %s." % why)
        return 0
    finally:
        signal.alarm(0)
        desktop.close()
    if failures:
        print("What Orca said differs from what a student must hear (logs in %s):" % desktop.folder)
        print("\n".join(failures))
        return 1
    shutil.rmtree(desktop.folder, ignore_errors=True)
    print("Orca said what a student must hear after each of %d keys (%.0f s)." % (len(STEPS),
                                                                              time.monotonic() - started))
    return 0


if __name__ == "__main__":
    sys.exit(main())
