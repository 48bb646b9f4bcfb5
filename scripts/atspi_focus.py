# The AT-SPI side of scripts/window_driver.sh: what has the keyboard focus in a program,
# as assistive tools see it. Reads one request a line on standard input and answers one
# line on standard output, so the driver starts it once and asks it many times:
#
#   focus      where the focus is: "<path>\t<name>", the path being the child indexes
#              from the program down to the focused control; empty when nothing of the
#              program has the focus (or it is not on the bus yet)
#   text       the text of the focused control (a field's content), or empty
#   ready      "ready" once the registry answers (asking starts it), so the program
#              need not wait for it when it starts
#
# The program is named on the command line, as AT-SPI knows it (the application name).
# Run it with /usr/bin/python3, whose pyatspi the at-spi2 packages bring.
import sys

import pyatspi

program = sys.argv[1]


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == program:
            return app
    return None


def focused(node, path):
    """The deepest focused node under node, with its path, or (None, None)."""
    try:
        states = node.getState()
    except Exception:  # a window that closed while it was being walked
        return None, None
    if not states.contains(pyatspi.STATE_SHOWING) and path:
        return None, None
    for index, child in enumerate(node):
        if child is None:
            continue
        found, found_path = focused(child, path + [index])
        if found is not None:
            return found, found_path
    if states.contains(pyatspi.STATE_FOCUSED):
        return node, path
    return None, None


def answer(request):
    if request == "ready":
        pyatspi.Registry.getDesktop(0).childCount
        return "ready"
    app = application()
    node, path = focused(app, []) if app is not None else (None, None)
    if node is None:
        return ""
    if request == "focus":
        return "%s\t%s" % ("/".join(map(str, path)), node.name)
    if request == "text":
        try:
            return node.queryText().getText(0, -1)
        except NotImplementedError:
            return ""
    return "?"


for line in sys.stdin:
    print(answer(line.strip()).replace("\n", " "), flush=True)
