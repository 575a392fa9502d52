#!/usr/bin/python3
"""Reads both windows over AT-SPI as a screen reader does, and logs on and exits through it.

Usage: screen_reader_test.py TASKCLEAR TASKSTORE
Starts its own virtual X screen, session bus (whose accessibility bus keeps its socket in a
runtime folder of this run), a taskstore with demo tasks on a free port, and the tool with
accessibility switched on the way a screen reader switches it on; so runs side by side never meet.
Prints every difference and exits 1 on any.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

TIMEOUT = 30
DEMO_TASKS = 3
failures = []


def expect(condition, message):
    if not condition:
        failures.append(message)


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.1)
    raise RuntimeError("timed out waiting for " + what)


def start_reporting(command):
    """Starts a server that writes where it can be reached to a pipe once ready; returns both, or
    the stopped server and "" when it gave up."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen([part.replace("FD", str(write_end)) for part in command], pass_fds=(write_end,),
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as reported:
        where = reported.readline().strip()
    if not where:
        server.wait()
    return server, where


def start_virtual_screen():
    # Xvfb picks a free display itself. Without -noreset it would name it again on the closed
    # pipe each time its last client leaves, and die of that.
    screen, number = start_reporting(["Xvfb", "-displayfd", "FD", "-noreset", "-screen", "0", "1280x800x24",
                                      "-nolisten", "tcp"])
    if not number:
        raise RuntimeError("Xvfb did not start")
    os.environ["DISPLAY"] = ":" + number
    return screen


def start_session_bus(folder):
    # The accessibility bus that the session bus starts on demand puts its socket in the runtime
    # folder, which would otherwise be shared by every run.
    runtime = os.path.join(folder, "runtime")
    os.mkdir(runtime, 0o700)
    os.environ["XDG_RUNTIME_DIR"] = runtime
    bus, address = start_reporting(["dbus-daemon", "--session", "--nofork", "--print-address=FD"])
    if not address:
        raise RuntimeError("dbus-daemon did not start")
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
    return bus


def switch_screen_reader_on():
    subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                    "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:ScreenReaderEnabled",
                    "variant:boolean:true"], check=True, stdout=subprocess.DEVNULL)


def start_store(taskstore, folder):
    ready = open(os.path.join(folder, "ready"), "w+")
    store = subprocess.Popen([taskstore, "--port", "0", "--data", os.path.join(folder, "store"), "--demo-tasks",
                              str(DEMO_TASKS)], stdout=ready, stderr=subprocess.DEVNULL,
                             env=dict(os.environ, TASKSTORE_SA_PASSWORD=""))

    def port():
        ready.seek(0)
        found = re.search(r"listening on .*:(\d+)$", ready.read(), re.M)
        return found and found.group(1)
    return store, wait_for("taskstore", port)


def application(pyatspi, pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for index in range(desktop.childCount):
        app = desktop.getChildAtIndex(index)
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def window(app, title, role="frame"):
    """The application's window of that title, with the role screen readers expect of it."""
    windows = (app.getChildAtIndex(i) for i in range(app.childCount))  # each read once: it may close
    found = next((w for w in windows if w is not None and w.name == title), None)
    if found is not None:
        expect(found.getRoleName() == role, "window %r has the role %r" % (title, found.getRoleName()))
    return found


def related_names(pyatspi, accessible, relation_type):
    names = []
    for relation in accessible.getRelationSet():
        if relation.getRelationType() == relation_type:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def descendants(pyatspi, root, *roles):
    """The controls of those roles that are on the screen, in the tree's order."""
    return pyatspi.findAllDescendants(
        root, lambda node: node.getRole() in roles and node.getState().contains(pyatspi.STATE_SHOWING))


def check_login_window(pyatspi, login):
    boxes = descendants(pyatspi, login, pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT)
    expect([(b.getRoleName(), b.name) for b in boxes] == [("text", "服务器："), ("password text", "SA密码：")],
           "login boxes: %r" % [(b.getRoleName(), b.name) for b in boxes])
    for box in boxes:
        labels = related_names(pyatspi, box, pyatspi.RELATION_LABELLED_BY)
        expect(labels == [box.name], "box %r labelled by %r" % (box.name, labels))
    buttons = [b.name for b in descendants(pyatspi, login, pyatspi.ROLE_PUSH_BUTTON)]
    expect(buttons == ["确定", "退出"], "login buttons: %r" % buttons)
    return boxes[0], descendants(pyatspi, login, pyatspi.ROLE_PUSH_BUTTON)[0]


def check_main_window(pyatspi, main):
    buttons = descendants(pyatspi, main, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_PUSH_BUTTON_MENU)
    names = [b.name for b in buttons]
    expect(names == ["登陆", "清除", "刷新", "退出"], "toolbar buttons: %r" % names)
    tips = [b.description for b in buttons[:2]]
    expect(tips == ["重新登陆帐套", "清除异常任务"], "toolbar buttons' descriptions: %r" % tips)

    tables = descendants(pyatspi, main, pyatspi.ROLE_TABLE)
    expect([t.name for t in tables] == ["当前任务"], "tables: %r" % [t.name for t in tables])
    if tables:
        table = tables[0].queryTable()
        titles = [table.getColumnDescription(c) for c in range(table.nColumns)]
        expect(titles == ["子系统", "站点", "运行状态", "注册时间", "任务号"], "column titles: %r" % titles)
        expect(table.nRows == DEMO_TASKS, "rows: %d" % table.nRows)
        state = table.getAccessibleAt(0, 2).name
        expect(re.fullmatch(r"异常|正常（-?\d+）", state), "first row's state cell: %r" % state)
        task = table.getAccessibleAt(0, 4).name
        expect(task != "", "first row's task number cell is empty")

    panels = [label.name for label in descendants(pyatspi, main, pyatspi.ROLE_LABEL)]
    expect(panels[-3:-1] == ["V62、D65系列年结检测工具", "Q6产品支持部"]
           and re.fullmatch(r"日期：\d{4}-\d\d-\d\d", panels[-1]), "status panels: %r" % panels[-3:])
    return next((b for b in buttons if b.name == "退出"), None)


def check_question_from_the_keyboard(pyatspi, app):
    """登陆 pressed from the keyboard on the real X server: its question is read out as an alert."""
    subprocess.run(["xdotool", "search", "--sync", "--name", "直接清除异常任务", "windowfocus", "--sync", "key", "Tab",
                    "space"], check=True, timeout=TIMEOUT)
    question = wait_for("the log-on question", lambda: window(app, "登陆提示", role="alert"))
    texts = [label.name for label in descendants(pyatspi, question, pyatspi.ROLE_LABEL)]
    expect("您确定要重新登陆吗？" in texts, "the question's labels: %r" % texts)
    buttons = descendants(pyatspi, question, pyatspi.ROLE_PUSH_BUTTON)
    expect(sorted(b.name for b in buttons) == ["取消", "确定"], "the question's buttons: %r" % [b.name for b in buttons])
    press(pyatspi, next(b for b in buttons if b.name == "取消"))
    wait_for("the question to close", lambda: window(app, "登陆提示", role="alert") is None)


def press(pyatspi, button):
    actions = button.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    actions.doAction(names.index("Press"))


def main(taskclear, taskstore):
    children = []
    folder = tempfile.mkdtemp()
    try:
        children.append(start_virtual_screen())
        children.append(start_session_bus(folder))
        switch_screen_reader_on()
        import pyatspi  # once the buses are known: the library looks for them as it loads

        store, port = start_store(taskstore, folder)
        children.append(store)
        environment = {k: v for k, v in os.environ.items() if not k.startswith("QT_")}
        tool = subprocess.Popen([taskclear], env=dict(environment, QT_QPA_PLATFORM="xcb"))
        children.append(tool)

        app = wait_for("the tool on the accessibility bus", lambda: application(pyatspi, tool.pid))
        login = wait_for("the login window", lambda: window(app, "登录"))
        server, ok = check_login_window(pyatspi, login)
        server.queryEditableText().setTextContents("127.0.0.1," + port)
        press(pyatspi, ok)

        main_window = wait_for("the main window", lambda: window(app, "直接清除异常任务"))
        wait_for("the main window's controls", lambda: descendants(pyatspi, main_window, pyatspi.ROLE_TABLE))
        exit_button = check_main_window(pyatspi, main_window)
        expect(window(app, "登录") is None, "the login window is still open")
        check_question_from_the_keyboard(pyatspi, app)
        if exit_button:
            try:
                press(pyatspi, exit_button)
            except Exception:
                pass  # the tool may end before it answers
            expect(tool.wait(TIMEOUT) == 0, "the tool did not end cleanly after 退出")
    finally:
        for child in reversed(children):
            if child.poll() is None:
                child.terminate()
                child.wait()
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("screen reader: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
