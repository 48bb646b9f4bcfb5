# Kelvaro as a screen reader or a desktop test driver sees it through AT-SPI: every
# control found by its caption or label and none by its control name, the grids as
# one-row tables, the state window's values readable, and buttons clicked through
# their action. Not a ctest test: it needs an X server and a session bus. Run it
# from the build directory:
#
#   xvfb-run -a dbus-run-session -- bash -c '/usr/libexec/at-spi-bus-launcher --launch-immediately &
#     sleep 1; /usr/bin/python3 ../tests/app/atspi_check.py app/Kelvaro'
#
# The program runs on a config folder of its own in which COM3 is a pseudo-terminal
# and every other COM name leads nowhere, so no real port of the machine is opened.
# The windows' captions and the controls' names come from the window tables, which
# tests/ui/print_window_tables of the same build prints. Exit status 0 when nothing is
# missing.
import os, re, shutil, sys, tempfile, time, subprocess, pyatspi

kelvaro = sys.argv[1]
# (kind, tag, name[, text]) rows: the window tables as the window tests hold them.
rows = [line.split("\t") for line in subprocess.run(
    [os.path.join(os.path.dirname(kelvaro), "..", "tests", "ui", "print_window_tables")],
    check=True, capture_output=True, text=True).stdout.splitlines()]
CAPTION = {r[1]: r[2] for r in rows if r[0] == "window"}
def name(tag, control):
    return next(r[3] for r in rows if r[0] == "control" and r[1] == tag and r[2] == control)
def names(tag, prefix):
    return [r[3] for r in rows if r[0] == "control" and r[1] == tag and r[2].startswith(prefix)]
cfg = tempfile.mkdtemp(prefix="kelvaro-atspi-")
master, slave = os.openpty()
ports = os.path.join(cfg, "Kelvaro", "ports")
os.makedirs(ports, exist_ok=True)
for n in range(1, 97):
    p = os.path.join(ports, "COM%d" % n)
    if os.path.lexists(p): os.unlink(p)
    os.symlink(os.path.join(cfg, "no-such-device"), p)
os.unlink(os.path.join(ports, "COM3"))
os.symlink(os.ttyname(slave), os.path.join(ports, "COM3"))
open(os.path.join(cfg, "Kelvaro", "VORMAK_setup.ini"), "wb").write(b"2,1\r\n0,0,COM3\r\n")
env = dict(os.environ, XDG_CONFIG_HOME=cfg, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
proc = subprocess.Popen([kelvaro], env=env)

def app():
    for _ in range(100):
        for a in pyatspi.Registry.getDesktop(0):
            if a and a.name == "Kelvaro": return a
        time.sleep(0.1)
    proc.kill()
    sys.exit("Kelvaro not on the bus")

def walk(n, d=0, out=None):
    if out is not None: out.append(n)
    print("  " * d, n.getRoleName(), repr(n.name))
    for c in n: walk(c, d + 1, out)

def find(root, name, role=None):
    nodes = []
    walk_quiet(root, nodes)
    for n in nodes:
        if n.name == name and (role is None or n.getRoleName() == role): return n
    return None

def walk_quiet(n, out):
    out.append(n)
    for c in n: walk_quiet(c, out)

MAIN = CAPTION["shown-main"]
def window(caption):
    for _ in range(50):
        for w in app():
            if w.name == caption and w.getState().contains(pyatspi.STATE_SHOWING): return w
        time.sleep(0.1)
    proc.kill()
    sys.exit("no window " + caption)

problems = []
def expect(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok: problems.append(what)

def nameless(root):
    nodes = []
    walk_quiet(root, nodes)
    interactive = {"push button", "combo box", "text", "table", "table cell", "list", "list item", "progress bar"}
    return [(n.getRoleName(), n.getIndexInParent()) for n in nodes
            if n.getRoleName() in interactive and not n.name.strip()
            and not any(r.getRelationType() == pyatspi.RELATION_LABELLED_BY for r in n.getRelationSet())]

# Control names as the program's objects carry them (btConnect, gbModule, acgUSER1, ...): no one
# should hear them.
control_name = re.compile(r"^(bt|lb|ed|cb|acg|gb|pb|BP|Panel|Memo|StatusBar|Image)[A-Z0-9]")

def none_nameless(root, what):
    n = nameless(root)
    expect(not n, "%s: nothing nameless %r" % (what, n))
    nodes = []
    walk_quiet(root, nodes)
    c = [(x.getRoleName(), x.name) for x in nodes if control_name.match(x.name)]
    expect(not c, "%s: nothing named by its control name %r" % (what, c))

def closes(root, caption, what):
    click(root, caption)
    time.sleep(0.5)
    expect(not root.getState().contains(pyatspi.STATE_SHOWING), "%s: closed by doAction" % what)

def click(root, caption):
    b = find(root, caption, "push button")
    expect(b is not None, "button %r found" % caption)
    if b is None: return
    act = b.queryAction()
    expect(act.nActions > 0 and act.getName(0) in ("Press", "press", "click"), "button %r has a press action (%s)" % (caption, act.getName(0) if act.nActions else "-"))
    act.doAction(0)

time.sleep(2.5)   # past the splash's hand-over
a = app()
print("== application"); walk(a)
expect(any(w.name == CAPTION["splash"] for w in a), "splash: named %s" % CAPTION["splash"])
main = window(MAIN)
for w in a:
    if w.name in (CAPTION["splash"], MAIN):
        expect(w.getRoleName() == "frame", "%r is a frame (%s)" % (w.name, w.getRoleName()))
for cap in names("main", "bt"):
    expect(find(main, cap, "push button") is not None, "main: button %r" % cap)
expect(find(main, name("main", "lbSelectSerialPort"), "label") is not None, "main: label")
combo = [n for n in (lambda l: (walk_quiet(main, l), l)[1])([]) if n.getRoleName() == "combo box"]
expect(len(combo) == 1 and combo[0].name == "COM3", "main: port chooser named by its entry (%r)" % (combo[0].name if combo else None))
if combo:
    rel = [r for r in combo[0].getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
    expect(bool(rel) and rel[0].getTarget(0).name == name("main", "lbSelectSerialPort"), "main: chooser labelled by its label")
none_nameless(main, "main")

click(main, name("main", "btConnect"))
time.sleep(0.5)
sb = find(main, name("main", "StatusBar1"), "status bar")
expect(sb is not None and sb.description == " Soros kapcsolat rendben.", "main: connected through doAction (status %r)" % (sb.description if sb else None))
expect(not find(main, name("main", "btConnect"), "push button").getState().contains(pyatspi.STATE_ENABLED), "main: btConnect disabled after connect")

click(main, name("main", "btStatus"))
state = window(CAPTION["state"])
print("== state window"); walk(state)
for text in dict.fromkeys(r[3] for r in rows if r[0] == "control" and r[1] == "state"):
    expect(find(state, text) is not None, "state: %r" % text)
# The module reports: both inputs shorted, no wired line, signal 17, an outgoing call.
os.write(master, b"[1101,A,2]\r")
time.sleep(0.5)
for text in ["Rövidzár", "Nincs vonal", "Kimenő hívás folyamatban"]:
    expect(find(state, text, "label") is not None, "state: value %r readable" % text)
bar = find(state, name("state", "pbTerero"), "progress bar")
expect(bar is not None and int(bar.queryValue().currentValue) == 17, "state: the signal bar reads 17")
expect(find(state, "17", "label") is not None, "state: lbGSMpowVal reads 17")
none_nameless(state, "state")
closes(state, name("state", "btClose"), "state")

click(main, name("main", "btParameterSetting"))
dl = window(CAPTION["transfer"])
print("== transfer window"); walk(dl)
for cap in names("transfer", "BP") + names("transfer", "bt"):
    expect(find(dl, cap) is not None, "transfer: %r" % cap)
none_nameless(dl, "transfer")
click(dl, name("transfer", "btEdit"))
st = window(CAPTION["settings"])
print("== settings window"); walk(st)
for grid in names("settings", "acg"):
    g = find(st, grid, "table")
    expect(g is not None, "settings: grid %r" % grid)
    if g is not None:
        t = g.queryTable()
        expect(t.nRows == 1 and t.nColumns == g.childCount, "settings: %s is a one-row table of %d cells" % (grid, g.childCount))
for field in names("settings", "edSMS"):
    expect(find(st, field, "text") is not None, "settings: field %r" % field)
none_nameless(st, "settings")
closes(st, name("settings", "btSettingCancel"), "settings")
closes(dl, name("transfer", "btClose"), "transfer")
click(main, name("main", "btDisconnect"))
time.sleep(0.3)
click(main, name("main", "btClose"))
try:
    proc.wait(timeout=5)
    expect(True, "program ended by Kilépés")
except subprocess.TimeoutExpired:
    expect(False, "program ended by Kilépés"); proc.kill()
os.close(master); os.close(slave)
shutil.rmtree(cfg)
print("problems:", len(problems))
for p in problems: print("  " + p)
sys.exit(1 if problems else 0)
