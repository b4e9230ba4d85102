#!/usr/bin/python3
"""Drives the real tarnwick through the accessibility interface: the ribbon's
"Tarnwick" opens the main dialog, a folder is picked, "Export emails to disk"
is ticked and its editor filled, START runs, the results window shows the
result lines, the files are on disk and last.twc is written; a "Selected
emails" job of TWKbat runs on the rows selected in the window (D-Bus); the
registration round trip with the question about the running window.

Controls are found by accessible name (their caption) and description (their
control name, such as ButtonStart).

Usage: e2e_desktop.py BIN_DIR SCRATCH_DIR   (run by run-e2e.sh)
"""
import json
import os
import subprocess
import sys
import time

import pyatspi

BIN, SCRATCH = sys.argv[1], sys.argv[2]
EXPORT = os.path.join(SCRATCH, "export")
MAIN_BUTTON = "adxRibbonButton14360E9EF43F479992E352AC17B2E0FC"
TIMEOUT = 30


APP = None  # the host on the accessibility bus, for the failure report


def fail(msg):
    print("e2e: FAIL: " + msg, file=sys.stderr)
    try:  # what was on screen
        for i in range(APP.childCount if APP else 0):
            w = APP.getChildAtIndex(i)
            texts = [a.name for a in walk(w) if a.getRoleName() in ("label", "text") and a.name]
            print("e2e:   window %r: %s" % (w.name, " | ".join(texts)[:400]), file=sys.stderr)
    except Exception:
        pass
    sys.exit(1)


def step(msg):
    print("e2e: " + msg, flush=True)


def wait_for(what, probe, timeout=TIMEOUT):
    end = time.time() + timeout
    while time.time() < end:
        try:
            found = probe()
        except Exception:  # the tree changes while it is walked
            found = None
        if found:
            return found
        time.sleep(0.2)
    fail("timed out waiting for " + what)


def walk(acc, depth=0):
    if acc is None or depth > 40:
        return
    yield acc
    for i in range(acc.childCount):
        yield from walk(acc.getChildAtIndex(i), depth + 1)


def find(root, name=None, desc=None, role=None):
    for acc in walk(root):
        if name is not None and acc.name != name:
            continue
        if desc is not None and acc.description != desc:
            continue
        if role is not None and acc.getRoleName() != role:
            continue
        return acc
    return None


def app_of(name):
    desk = pyatspi.Registry.getDesktop(0)
    for i in range(desk.childCount):
        a = desk.getChildAtIndex(i)
        if a is not None and a.name == name:
            return a
    return None


def click(acc):
    """A mouse click in the middle of the control. Controls that open a modal
    window answer an accessibility action only after that window closes, so
    those are clicked like a user does."""
    wait_for("the control on screen", lambda: acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS).width > 0, 5)
    x, y, w, h = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + w // 2, y + h // 2, "b1c")


def press(acc):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for wanted in ("Press", "press", "click", "Toggle", "toggle"):
        if wanted in names:
            action.doAction(names.index(wanted))
            return
    action.doAction(0)


def dialog(app, title, inner_desc=None, test=None):
    """A top-level window of this title (holding a control of that name, or
    passing test)."""
    def probe():
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is None or w.name != title:
                continue
            if inner_desc is not None and not find(w, desc=inner_desc):
                continue
            if test is not None and not test(w):
                continue
            return w
        return None
    return wait_for("window " + title + (" with " + inner_desc if inner_desc else ""), probe)


def text_of(acc):
    t = acc.queryText()
    return t.getText(0, t.characterCount)


def set_text(acc, value):
    acc.queryEditableText().setTextContents(value)
    wait_for("text " + value, lambda: text_of(acc) == value, 5)


def run(args, stdin_text=""):
    return subprocess.run(args, input=stdin_text, capture_output=True, text=True, timeout=120)


def start_host():
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    host = subprocess.Popen([os.path.join(BIN, "tarnwick")])
    app = wait_for("tarnwick on the accessibility bus", lambda: app_of("tarnwick"))
    return bus, host, app


def main_dialog_run(app):
    step("ribbon: Tarnwick")
    button = wait_for("the ribbon's Tarnwick button", lambda: find(app, name="Tarnwick", desc=MAIN_BUTTON))
    click(button)
    main = dialog(app, "Tarnwick", "ButtonStart")

    step("source: Outlook folder, picked")
    click(find(main, desc="RadioFolder"))
    picker = dialog(app, "Choose folder")
    inbox = wait_for("Inbox in the folder tree", lambda: find(picker, name="Inbox"))
    tree = inbox.parent
    table = tree.queryTable()
    row = table.getRowAtIndex(inbox.getIndexInParent())
    table.addRowSelection(row)
    click(find(picker, name="OK", role="push button"))
    folder_edit = find(main, desc="EditOLFolderName")
    wait_for("the folder path", lambda: "Inbox" in text_of(folder_edit), 10)

    step("task: Export emails to disk")
    click(find(main, desc="CheckExportEmails"))
    editor = dialog(app, "Export emails", "EditDestPath")
    set_text(find(editor, desc="EditDestPath"), EXPORT)
    click(find(editor, name="OK", role="push button"))
    # The directory does not exist yet: the editor offers to create it.
    question = dialog(app, "Tarnwick", None, lambda w: find(w, name="Yes", role="push button"))
    click(find(question, name="Yes", role="push button"))
    wait_for("the editor to close", lambda: all(
        app.getChildAtIndex(i) is None or app.getChildAtIndex(i).name != "Export emails" for i in range(app.childCount)), 10)
    if not os.path.isdir(EXPORT):
        fail("the export directory was not created")

    step("START")
    click(find(main, desc="ButtonStart"))
    results = wait_for("the results window", lambda: next(
        (w for w in (app.getChildAtIndex(i) for i in range(app.childCount))
         if w is not None and w.name == "Tarnwick" and find(w, desc="ButtonStart") is None and find(w, role="text")), None), 60)
    memo = find(results, role="text")
    lines = text_of(memo)
    step("results: " + lines.replace("\n", " | "))
    for wanted in ("Emails processed:", "Emails exported:"):
        if wanted not in lines:
            fail("the results lack " + wanted)
    close = find(results, role="push button")
    click(close)

    exported = [f for _, _, files in os.walk(EXPORT) for f in files]
    counted = int(lines.split("Emails exported:")[1].split()[0])
    if counted == 0 or len(exported) != counted:
        fail("%d files in %s, the results say %d" % (len(exported), EXPORT, counted))
    step("%d files exported" % len(exported))
    # The job as the dialog ran it, read back by the job file reader.
    last = os.path.join(SCRATCH, "home", "Documents", "Tarnwick", "last.twc")
    wait_for("last.twc", lambda: os.path.isfile(last), 5)
    r = run([os.path.join(BIN, "twk"), "job", "dump", last])
    job = json.loads(r.stdout) if r.returncode == 0 else {}
    if not (job.get("ExportEmails") and job["JobDef_ExportEmails"]["DestFolder"] == EXPORT
            and job["SourceFilter"]["ProcessFolder"]):
        fail("last.twc does not hold the job that ran: " + r.stdout + r.stderr)


def selection_job(app):
    step("TWKbat on the window's selection")
    job_json = os.path.join(SCRATCH, "sel.json")
    sel_dir = os.path.join(SCRATCH, "selected")
    with open(job_json, "w") as f:
        f.write('{"SourceFilter": {"ProcessFolder": false}, "ExportEmails": true, '
                '"JobDef_ExportEmails": {"EmailFormat": "efEML", "DestFolder": "%s", "SubFolderMask": "[B]"}}' % sel_dir)
    job = os.path.join(SCRATCH, "sel.twc")
    r = run([os.path.join(BIN, "twk"), "job", "build", job_json, "-o", job])
    if r.returncode != 0:
        fail("twk job build: " + r.stderr)
    messages = wait_for("the message list", lambda: find(app, name="Messages", role="table"))
    table = messages.queryTable()
    wait_for("rows", lambda: table.nRows >= 3)
    subjects = []
    for row in (0, 2):
        table.addRowSelection(row)
        subjects.append(table.getAccessibleAt(row, 2).name)
    wait_for("two selected rows", lambda: table.nSelectedRows == 2, 5)
    r = run([os.path.join(BIN, "TWKbat"), job, "/noprompt"])
    if r.returncode != 0:
        fail("TWKbat on the selection: %d\n%s%s" % (r.returncode, r.stdout, r.stderr))
    written = sorted(os.listdir(sel_dir))
    if len(written) != 2:
        fail("TWKbat exported %s for the selection %s" % (written, subjects))


def registration_while_running():
    step("register while the window runs: Cancel")
    module = os.path.join(BIN, "TWK.so")
    env_nodisplay = dict(os.environ)
    env_nodisplay.pop("DISPLAY", None)
    r = subprocess.run([os.path.join(BIN, "tarnwick"), "--register", module], input="c\n",
                       capture_output=True, text=True, env=env_nodisplay, timeout=60)
    if r.returncode != 1 or "Please close all running host application instances:" not in r.stderr \
            or "The registration process has been canceled." not in r.stderr:
        fail("the registration did not ask about the running window: %d %s" % (r.returncode, r.stderr))


def registry_has_addin():
    conf = os.path.join(SCRATCH, "etc", "Quendal-Software", "TarnwickHost.conf")
    return os.path.isfile(conf) and "LoadBehavior=3" in open(conf).read()


def main():
    step("register")
    r = run([os.path.join(BIN, "tarnwick"), "--register", os.path.join(BIN, "TWK.so")])
    if r.returncode != 0 or not registry_has_addin():
        fail("register: %d %s" % (r.returncode, r.stderr))

    global APP
    bus, host, app = start_host()
    APP = app
    try:
        main_dialog_run(app)
        selection_job(app)
        registration_while_running()
        step("File > Exit")
        press(wait_for("the Exit menu item", lambda: find(app, name="Exit", role="menu item")))
        if host.wait(timeout=30) != 0:
            fail("tarnwick ended with %d" % host.returncode)
    finally:
        if host.poll() is None:
            host.kill()
        bus.terminate()

    step("unregister")
    r = run([os.path.join(BIN, "tarnwick"), "--unregister", os.path.join(BIN, "TWK.so")])
    if r.returncode != 0 or registry_has_addin():
        fail("unregister: %d %s" % (r.returncode, r.stderr))
    step("passed")


main()
