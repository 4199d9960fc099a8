#!/usr/bin/python3
"""Checks, through the accessibility tree the program exposes, that a window
is on screen in the state a screenshot is meant to show, before it is taken.

    screenshots-check.py SHOT TITLE [--within SECONDS] [EXPECT...]

TITLE is the window to be shot. It must be the active window, unless
`box=...` is expected: then the active window is that message box and TITLE
stands beneath it. Each EXPECT is KEY=VALUE (equal) or KEY~REGEX (found in):

    box       the active message box's title
    boxtext   its text
    fields    the one-line text fields of TITLE, in order, joined by "|"
    log       the text of its many-line field
    checked   the names of its checked radio buttons and check boxes, by ","
    buttons   the names of its enabled push buttons, by ","
    labels    the texts of its labels, by "|"

A password field's text is not exposed.

The state may lag the key presses that lead to it: it is read again until it
matches or SECONDS (default 5) have passed. Exits 1 naming the shot and what
differed, 2 when the program is not found.
"""
import re
import sys
import time
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# Newer bindings deprecate get_text_iface, but it is the call every version has.
warnings.simplefilter("ignore", DeprecationWarning)

R = Atspi.Role
S = Atspi.StateType


def has(node, state):
    return node.get_state_set().contains(state)


def text_of(node):
    t = node.get_text_iface()
    if t is None:
        return node.get_name() or ""
    return t.get_text(0, t.get_character_count())


def walk(node):
    yield node
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child)


def program():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "adslconf":
            return app
    return None


def windows(app):
    return [app.get_child_at_index(i) for i in range(app.get_child_count())]


def state_of(title):
    """What the checks can ask for, as text, or the reason it cannot be read."""
    app = program()
    if app is None:
        return None, "the program is not on the accessibility bus"
    tops = [w for w in windows(app) if w is not None and has(w, S.SHOWING)]
    active = [w for w in tops if has(w, S.ACTIVE)]
    found = {"active": ", ".join(w.get_name() for w in active) or "(none)"}
    window = next((w for w in tops if w.get_name() == title), None)
    if window is None:
        return found, f"no window titled {title!r} is showing"
    box = next((w for w in active if w is not window), None)
    if box is not None:
        found["box"] = box.get_name()
        found["boxtext"] = "\n".join(text_of(n) for n in walk(box) if n.get_role() == R.LABEL and text_of(n))
    elif window in active:
        found["box"] = ""
    else:
        return found, f"{title!r} is not the active window"
    fields, logs, checked, buttons, labels = [], [], [], [], []
    for n in walk(window):
        role = n.get_role()
        if role in (R.TEXT, R.ENTRY, R.PASSWORD_TEXT):
            (logs if has(n, S.MULTI_LINE) else fields).append(text_of(n))
        elif role in (R.RADIO_BUTTON, R.CHECK_BOX) and has(n, S.CHECKED):
            checked.append(n.get_name())
        elif role == R.PUSH_BUTTON and has(n, S.ENABLED):
            buttons.append(n.get_name())
        elif role == R.LABEL and text_of(n):
            labels.append(text_of(n))
    found.update(fields="|".join(fields), log="\n".join(logs), checked=",".join(checked),
                 buttons=",".join(buttons), labels="|".join(labels))
    return found, None


def mismatches(found, expects):
    out = []
    for expect in expects:
        key, op, want = re.match(r"([^=~]+)([=~])(.*)", expect, re.S).groups()
        have = found.get(key)
        ok = have is not None and (have == want if op == "=" else re.search(want, have, re.M))
        if not ok:
            out.append(f"  {key}: expected {op} {want!r}\n  {' ' * len(key)}  found      {have!r}")
    return out


def main(argv):
    shot, title, rest = argv[1], argv[2], argv[3:]
    within = 5.0
    if rest[:1] == ["--within"]:
        within, rest = float(rest[1]), rest[2:]
    deadline = time.monotonic() + within
    while True:
        found, reason = state_of(title)
        if reason is None:
            wrong = mismatches(found, (["box="] if not any(e.startswith("box") for e in rest) else []) + rest)
            if not wrong:
                return 0
        if time.monotonic() >= deadline:
            break
        time.sleep(0.5)
    print(f"screenshots: shot {shot!r} refused: the screen is not in the state the picture shows", file=sys.stderr)
    print("\n".join([f"  {reason}"] if reason else wrong), file=sys.stderr)
    if found:
        print("  what is on screen:", file=sys.stderr)
        for key, value in found.items():
            print(f"    {key} = {value!r}", file=sys.stderr)
    return 2 if found is None else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
