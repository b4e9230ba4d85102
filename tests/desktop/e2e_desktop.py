#!/usr/bin/python3
"""Drives the real tarnwick through the accessibility interface: the ribbon's
"Tarnwick" opens the main dialog, a folder is picked, "Export emails to disk"
is ticked and its editor filled, START runs, the results window shows the
result lines, the files are on disk and last.twc is written; a "Selected
emails" job of TWKbat runs on the rows selected in the window (D-Bus); the
registration round trip with the question about the running window; an
inbox task runs on a message delivered into the maildir while the window is
open (and `twk watch` says the desktop has the new mail); a forward of that
message, whose link is answered Yes in the replace question, sends the file
to a recording sendmail and leaves a copy in Sent; `twk sendmail` without a
terminal asks in the same dialog; the inbox task is defined in the
"Settings for Inbox" dialogs; relocation and re-import through their dialogs
re-point the link to the moved file and put the file back into the e-mail.

Controls are found by accessible name (their caption) and description (their
control name, such as ButtonStart).

Usage: e2e_desktop.py BIN_DIR SCRATCH_DIR   (run by run-e2e.sh)
"""
import email
import email.policy
import json
import os
import subprocess
import sys
import time

import pyatspi

BIN, SCRATCH = sys.argv[1], sys.argv[2]
EXPORT = os.path.join(SCRATCH, "export")
MAIN_BUTTON = "adxRibbonButton14360E9EF43F479992E352AC17B2E0FC"
TOOLS_MENU = "adxRibbonMenu7247D1181E2A4C9E985135E1C7FC5C54"
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


def pick_inbox(app):
    """The "Choose folder" window: Inbox, OK."""
    picker = dialog(app, "Choose folder")
    inbox = wait_for("Inbox in the folder tree", lambda: find(picker, name="Inbox"))
    tree = inbox.parent
    table = tree.queryTable()
    row = table.getRowAtIndex(inbox.getIndexInParent())
    table.addRowSelection(row)
    click(find(picker, name="OK", role="push button"))


def main_dialog_run(app):
    step("ribbon: Tarnwick")
    button = wait_for("the ribbon's Tarnwick button", lambda: find(app, name="Tarnwick", desc=MAIN_BUTTON))
    click(button)
    main = dialog(app, "Tarnwick", "ButtonStart")

    step("source: Outlook folder, picked")
    click(find(main, desc="RadioFolder"))
    pick_inbox(app)
    folder_edit = find(main, desc="EditOLFolderName")
    wait_for("the folder path", lambda: "Inbox" in text_of(folder_edit), 10)

    step("task: Export emails to disk")
    click(find(main, desc="CheckExportEmails"))
    # The directory does not exist yet: the editor offers to create it.
    email_export_editor(app, EXPORT)
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


LINKED = os.path.join(SCRATCH, "files", "report.pdf")
LINKED_BYTES = b"%PDF-1.4\n% the linked report\n"
INBOX_EXPORT = os.path.join(SCRATCH, "inbox-export")
SENDMAIL_OUT = os.path.join(SCRATCH, "sendmail.out")
DELIVERED = "Quarterly report link"


def link_bytes(target):
    return "\ufeffTWK\r\n{}\r\n".format(target).encode("utf-16-le")


def message_with_link(subject):
    msg = email.message.EmailMessage()
    msg["From"] = "Carol <carol@example.org>"
    msg["To"] = "me@example.org"
    msg["Subject"] = subject
    msg["Date"] = "Thu, 10 Dec 2026 10:00:00 +0000"
    msg["Message-ID"] = "<e2e-link@example.org>"
    msg.set_content("The report is attached as a link.\n")
    msg.add_attachment(link_bytes(LINKED), maintype="application", subtype="octet-stream",
                       filename="report.pdf.twk")
    return msg.as_bytes()


def prepare_sending():
    """The linked file, the send option soAsk and a sendmail that records what
    it gets."""
    os.makedirs(os.path.dirname(LINKED), exist_ok=True)
    with open(LINKED, "wb") as f:
        f.write(LINKED_BYTES)
    fake = os.path.join(SCRATCH, "sendmail")
    with open(fake, "w") as f:
        f.write('#!/bin/sh\nprintf "%%s\\n" "$@" > "%s.args"\ncat > "%s"\n' % (SENDMAIL_OUT, SENDMAIL_OUT))
    os.chmod(fake, 0o755)
    twk = os.path.join(BIN, "twk")
    for args in (["options", "set", "SendOptions", "soAsk"], ["options", "set", "Sendmail", fake]):
        r = run([twk] + args)
        if r.returncode != 0:
            fail("twk %s: %s" % (" ".join(args), r.stderr))


def sent_count():
    return sum(len(files) for d, _, files in os.walk(os.path.join(SCRATCH, "Maildir", "Sent"))
               if os.path.basename(d) in ("cur", "new"))


def attachment_sent(raw, name):
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    for part in msg.iter_attachments():
        if part.get_filename() == name:
            return part.get_content()
    return None


# The items of the ribbon's "Settings and tools" menu, in order.
TOOLS_ITEMS = ["Options", "Own email addresses", "Settings for Inbox", "Reimport attachments", "Relocate links"]


def key(keysym):
    pyatspi.Registry.generateKeyboardEvent(keysym, None, pyatspi.KEY_SYM)
    time.sleep(0.15)


def ribbon_menu_item(app, caption):
    """Opens the ribbon's "Settings and tools" menu with the mouse and picks
    an item with the keyboard (Qt does not put that pop-up menu's items on
    the accessibility bus)."""
    click(wait_for("the Settings and tools menu", lambda: find(app, name="Settings and tools", desc=TOOLS_MENU)))
    time.sleep(0.5)
    for _ in range(TOOLS_ITEMS.index(caption) + 1):
        key(0xff54)  # Down
    key(0xff0d)  # Return


def email_export_editor(app, dest):
    """The "Export emails" editor: the destination, OK, Yes to creating it."""
    editor = dialog(app, "Export emails", "EditDestPath")
    set_text(find(editor, desc="EditDestPath"), dest)
    click(find(editor, name="OK", role="push button"))
    question = dialog(app, "Tarnwick", None, lambda w: find(w, name="Yes", role="push button"))
    click(find(question, name="Yes", role="push button"))
    wait_for("the editor to close", lambda: all(
        app.getChildAtIndex(i) is None or app.getChildAtIndex(i).name != "Export emails" for i in range(app.childCount)), 10)


def inbox_task_in_dialogs(app):
    step("Settings for Inbox: one task exporting every e-mail, Watch Inbox on")
    ribbon_menu_item(app, "Settings for Inbox")
    tasks = dialog(app, "Tarnwick - Tasks for Inbox", "ButtonAdd")
    click(find(tasks, desc="ButtonAdd"))
    task = dialog(app, "Task for Inbox", "CheckExportEmails")
    click(find(task, desc="CheckExportEmails"))
    email_export_editor(app, INBOX_EXPORT)
    click(find(task, desc="ButtonOK"))
    wait_for("one task in the list", lambda: find(tasks, desc="ListView").queryTable().nRows == 1, 10)
    click(find(tasks, desc="CheckCheckInbox"))
    click(find(tasks, desc="ButtonOK"))
    inbox = os.path.join(SCRATCH, "home", "Documents", "Tarnwick", "inbox.twx")
    wait_for("the inbox file", lambda: os.path.isfile(inbox), 10)


def exported_delivered():
    for d, _, files in os.walk(INBOX_EXPORT):
        for name in files:
            with open(os.path.join(d, name), "rb") as f:
                if b"Subject: " + DELIVERED.encode() in f.read():
                    return True
    return False


def new_mail_runs_inbox_task():
    step("new mail while the window is open: the inbox task runs")
    inbox = os.path.join(SCRATCH, "Maildir", "INBOX")
    tmp = os.path.join(inbox, "tmp", "1790000000.e2e.link")
    with open(tmp, "wb") as f:
        f.write(message_with_link(DELIVERED))
    os.rename(tmp, os.path.join(inbox, "new", "1790000000.e2e.link"))
    wait_for("the inbox task's export", exported_delivered)

    step("twk watch while the desktop has the new mail")
    r = subprocess.run(["timeout", "-s", "INT", "4", os.path.join(BIN, "twk"), "watch"],
                       capture_output=True, text=True, timeout=60)
    if "New mail is processed by the desktop (tarnwick, pid " not in r.stderr:
        fail("twk watch did not wait for the desktop: " + r.stderr)


def forward_with_link(app):
    step("forward the delivered e-mail; the link is replaced by its file")
    messages = wait_for("the message list", lambda: find(app, name="Messages", role="table"))
    table = messages.queryTable()

    def row_of_delivered():
        for row in range(table.nRows):
            if table.getAccessibleAt(row, 2).name == DELIVERED:
                return row + 1
        return None
    row = wait_for("the delivered e-mail in the list", row_of_delivered) - 1
    for selected in table.getSelectedRows():
        table.removeRowSelection(selected)
    table.addRowSelection(row)
    wait_for("one selected row", lambda: table.nSelectedRows == 1, 5)
    before = sent_count()
    press(wait_for("Message > Forward", lambda: find(app, name="Forward", role="menu item")))
    compose = dialog(app, "FW: " + DELIVERED)
    set_text(find(compose, name="To", role="text"), "Bob <bob@example.org>")
    click(find(compose, name="Send", role="push button"))
    answer_replace_question(app)
    wait_for("the recorded message", lambda: os.path.isfile(SENDMAIL_OUT))
    with open(SENDMAIL_OUT, "rb") as f:
        raw = f.read()
    if attachment_sent(raw, "report.pdf") != LINKED_BYTES:
        fail("the forward did not carry the linked file:\n" + raw.decode("utf-8", "replace")[:2000])
    wait_for("a copy in Sent", lambda: sent_count() == before + 1, 10)


def answer_replace_question(app):
    question = dialog(app, "Tarnwick - Confirm", "ButtonYes")
    click(find(question, desc="ButtonYes"))


def sendmail_dialog_without_terminal():
    step("twk sendmail without a terminal: the question is the dialog")
    os.remove(SENDMAIL_OUT)
    p = subprocess.Popen(["setsid", "-w", os.path.join(BIN, "twk"), "sendmail", "bob@example.org"],
                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    p.stdin.write(message_with_link("From the mail program"))
    p.stdin.close()
    ask = wait_for("twk-ask on the accessibility bus", lambda: app_of("twk-ask"))
    answer_replace_question(ask)
    if p.wait(timeout=60) != 0:
        fail("twk sendmail ended with %d: %s" % (p.returncode, p.stderr.read().decode()))
    with open(SENDMAIL_OUT, "rb") as f:
        if attachment_sent(f.read(), "report.pdf") != LINKED_BYTES:
            fail("twk sendmail did not send the linked file")


def link_task(app, caption, title, fields):
    """Re-import or relocation through its dialog: Inbox picked, fields
    filled, Start, Yes, the results; returns their text."""
    ribbon_menu_item(app, caption)
    form = dialog(app, title, "ButtonStart")
    click(find(form, desc="ButtonBrowseForOLFolder"))
    pick_inbox(app)
    folder = find(form, desc="EditOLFolderName")
    wait_for("the folder path", lambda: text_of(folder).lower().endswith("inbox"), 10)
    for desc, value in fields:
        set_text(find(form, desc=desc), value)
    click(find(form, desc="ButtonStart"))
    question = dialog(app, "Tarnwick", None, lambda w: find(w, name="Yes", role="push button"))
    click(find(question, name="Yes", role="push button"))
    results = dialog(app, "Tarnwick", "MemoResults")
    lines = text_of(find(results, desc="MemoResults"))
    step("results: " + lines.replace("\n", " | "))
    click(find(results, desc="ButtonClose"))
    return lines


def stored_delivered():
    inbox = os.path.join(SCRATCH, "Maildir", "INBOX")
    for sub in ("cur", "new"):
        for name in os.listdir(os.path.join(inbox, sub)):
            with open(os.path.join(inbox, sub, name), "rb") as f:
                raw = f.read()
            msg = email.message_from_bytes(raw, policy=email.policy.default)
            if msg["Subject"] == DELIVERED:
                return msg
    return None


def relocate_and_reimport(app):
    step("Relocate links: the linked file moved to another directory")
    moved = os.path.join(SCRATCH, "moved")
    os.makedirs(moved)
    os.rename(LINKED, os.path.join(moved, "report.pdf"))
    link_task(app, "Relocate links", "Relocate links - Tarnwick",
              [("EditOrgPath", os.path.dirname(LINKED)), ("EditNewPath", moved)])
    target = os.path.join(moved, "report.pdf")
    wait_for("the link re-pointed", lambda: any(
        p.get_filename().endswith(".twk") and target in p.get_content().decode("utf-16", "replace")
        for p in stored_delivered().iter_attachments()), 10)

    step("Reimport attachments: the link becomes the file again")
    link_task(app, "Reimport attachments", "Reimport attachments - Tarnwick", [])
    wait_for("the file back in the e-mail", lambda: any(
        p.get_filename() == "report.pdf" and p.get_content() == LINKED_BYTES
        for p in stored_delivered().iter_attachments()), 10)


def registry_has_addin():
    conf = os.path.join(SCRATCH, "etc", "Quendal-Software", "TarnwickHost.conf")
    return os.path.isfile(conf) and "LoadBehavior=3" in open(conf).read()


def main():
    step("register")
    r = run([os.path.join(BIN, "tarnwick"), "--register", os.path.join(BIN, "TWK.so")])
    if r.returncode != 0 or not registry_has_addin():
        fail("register: %d %s" % (r.returncode, r.stderr))

    prepare_sending()
    global APP
    bus, host, app = start_host()
    APP = app
    try:
        main_dialog_run(app)
        selection_job(app)
        inbox_task_in_dialogs(app)
        new_mail_runs_inbox_task()
        forward_with_link(app)
        sendmail_dialog_without_terminal()
        relocate_and_reimport(app)
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
