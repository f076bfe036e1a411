#!/usr/bin/env python3
"""Both text boxes as a screen reader reads them over AT-SPI.

Starts the program on the simulated reader, clicks "Read" on the first page through its AT-SPI
action, and reads the verdict line from the log pane's text; then writes a frame into the serial
page's send box through its editable text, and reads the box's text and caret back. Run inside
a11y_session.sh. Exits 77 (skipped) without pyatspi.

    atspi_textboxes.py PROGRAM SIMULATED_READER_DIR
"""
import os
import subprocess
import sys
import time

try:
    import pyatspi
except ImportError:
    print("skipped: pyatspi is not installed (python3-pyatspi)")
    sys.exit(77)


def wait_for(what, find, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found:
            return found
        time.sleep(0.1)
    raise AssertionError("gave up waiting for " + what)


def descendants(node):
    for child in node:
        if child is not None:
            yield child
            yield from descendants(child)


def has(node, state):
    return node.getState().contains(state)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def text_of(node):
    text = node.queryText()
    return text.getText(0, -1)


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def main():
    program, simulated = sys.argv[1], sys.argv[2]
    env = dict(os.environ, LD_LIBRARY_PATH=os.pathsep.join(filter(None, [simulated, os.environ.get("LD_LIBRARY_PATH")])))
    proc = subprocess.Popen([program], env=env)
    try:
        app = wait_for("the program on the accessibility bus", lambda: application(proc.pid))

        def boxes():
            found = [n for n in descendants(app) if n.getRole() == pyatspi.ROLE_TEXT and has(n, pyatspi.STATE_MULTI_LINE)]
            return found if len(found) == 2 else None

        both = wait_for("two multi-line text boxes", boxes)
        log = next(n for n in both if has(n, pyatspi.STATE_SHOWING))
        send = next(n for n in both if n is not log)
        for box in both:
            check(has(box, pyatspi.STATE_EDITABLE) and has(box, pyatspi.STATE_FOCUSABLE),
                  "a text box is not editable and focusable: %s" % box.getState().getStates())

        # The operator's command, and its verdict in the log pane.
        read = next(n for n in descendants(app)
                    if n.getRole() == pyatspi.ROLE_PUSH_BUTTON and n.name == "Read" and has(n, pyatspi.STATE_SHOWING))
        read.queryAction().doAction(0)
        logged = wait_for("the verdict in the log pane", lambda: "success" in text_of(log) and text_of(log))
        first, start, end = log.queryText().getTextAtOffset(0, pyatspi.TEXT_BOUNDARY_LINE_START)
        print("log pane: %r" % logged)
        check(first.startswith("Read data success"), "the log pane's first line is %r" % first)
        check(start == 0 and end == len(first), "the first line spans [%d, %d)" % (start, end))
        check(log.queryText().characterCount == len(logged), "the log pane counts %d characters for %r"
              % (log.queryText().characterCount, logged))

        # The send box's frame read, replaced by another, and the caret moved in it.
        text = send.queryText()
        shown = text_of(send)
        check(shown and text.characterCount == len(shown), "the send box shows %r" % shown)
        frame = "BB 00 22 7E\n01 02"
        send.queryEditableText().deleteText(0, text.characterCount)
        send.queryEditableText().insertText(0, frame, len(frame))
        check(text_of(send) == frame, "the send box holds %r" % text_of(send))
        check(text.caretOffset == len(frame), "the caret after the insertion is at %d" % text.caretOffset)
        text.setCaretOffset(3)
        check(text.caretOffset == 3, "the caret set to 3 is at %d" % text.caretOffset)
        line, start, end = text.getTextAtOffset(14, pyatspi.TEXT_BOUNDARY_LINE_START)
        check((line, start, end) == ("01 02", 12, 17), "the second line is %r at [%d, %d)" % (line, start, end))
        print("send box: %r, then %r, caret %d" % (shown, text_of(send), text.caretOffset))
        print("atspi text boxes: ok")
        return 0
    except AssertionError as e:
        print("FAILED: %s" % e)
        return 1
    finally:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    sys.exit(main())
