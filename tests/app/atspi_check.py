# Kelvaro as a screen reader or a desktop test driver sees it through AT-SPI: every
# control found by its caption or label and none by its control name, the grids as
# one-row tables, the state window's values readable, and buttons clicked through
# their action. Not a ctest test: it needs an X server and a session bus. Run it
# from the build directory:
#
#   xvfb-run -a dbus-run-session -- bash -c '/usr/libexec/at-spi-bus-launcher --launch-immediately &
#     sleep 1; /usr/bin/python3 ../tests/accessibility/atspi_check.py app/Kelvaro'
#
# The program runs on a config folder of its own in which COM3 is a pseudo-terminal
# and every other COM name leads nowhere, so no real port of the machine is opened.
# Exit status 0 when nothing is missing.
import fnmatch, os, re, shutil, sys, tempfile, time, subprocess, pyatspi

kelvaro = sys.argv[1]
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

# A window by its name, which may be a pattern: the main window's caption ends in the
# version, which the window tests check against the build's.
MAIN = "Harnvik  v*"
def window(name):
    for _ in range(50):
        for w in app():
            if fnmatch.fnmatchcase(w.name, name) and w.getState().contains(pyatspi.STATE_SHOWING): return w
        time.sleep(0.1)
    proc.kill()
    sys.exit("no window " + name)

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
expect(any(w.name == "Kelvaro" for w in a), "splash: named Kelvaro")
main = window(MAIN)
for w in a:
    if w.name == "Kelvaro" or fnmatch.fnmatchcase(w.name, MAIN):
        expect(w.getRoleName() == "frame", "%r is a frame (%s)" % (w.name, w.getRoleName()))
for cap in ["Soros kapcsolat létrehozása", "Soros kapcsolat bontása", "Modul állapotának figyelése", "Paraméterek beállítása", "Kilépés"]:
    expect(find(main, cap, "push button") is not None, "main: button %r" % cap)
expect(find(main, "Soros port kiválasztása", "label") is not None, "main: label")
combo = [n for n in (lambda l: (walk_quiet(main, l), l)[1])([]) if n.getRoleName() == "combo box"]
expect(len(combo) == 1 and combo[0].name == "COM3", "main: port chooser named by its entry (%r)" % (combo[0].name if combo else None))
if combo:
    rel = [r for r in combo[0].getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
    expect(bool(rel) and rel[0].getTarget(0).name == "Soros port kiválasztása", "main: chooser labelled by its label")
none_nameless(main, "main")

click(main, "Soros kapcsolat létrehozása")
time.sleep(0.5)
sb = find(main, "Állapotsor", "status bar")
expect(sb is not None and sb.description == " Soros kapcsolat rendben.", "main: connected through doAction (status %r)" % (sb.description if sb else None))
expect(not find(main, "Soros kapcsolat létrehozása", "push button").getState().contains(pyatspi.STATE_ENABLED), "main: btConnect disabled after connect")

click(main, "Modul állapotának figyelése")
state = window("A modul állapota")
print("== state window"); walk(state)
for name in ["A modul állapot üzenetei:", "Üzenetablak törlése", "Ablak bezárása", "Vezetékes vonal", "IN1", "IN2", "GSM vonal státusz", "GSM térerő (0-31):"]:
    expect(find(state, name) is not None, "state: %r" % name)
# The module reports: both inputs shorted, no wired line, signal 17, an outgoing call.
os.write(master, b"[1101,A,2]\r")
time.sleep(0.5)
for text in ["Rövidzár", "Nincs vonal", "Kimenő hívás folyamatban"]:
    expect(find(state, text, "label") is not None, "state: value %r readable" % text)
bar = find(state, "GSM térerő (0-31):", "progress bar")
expect(bar is not None and int(bar.queryValue().currentValue) == 17, "state: the signal bar reads 17")
expect(find(state, "17", "label") is not None, "state: lbGSMpowVal reads 17")
none_nameless(state, "state")
closes(state, "Ablak bezárása", "state")

click(main, "Paraméterek beállítása")
dl = window("Paraméterek beállítása")
print("== transfer window"); walk(dl)
for cap in ["Blokk 1", "Blokk 2", "Blokk 3", "Blokk 4", "Beolvasás fájlból", "Mentés fájlba", "<-- Adatok beolvasása a modulból", "--> Adatok áttöltése a modulba", "<--> Adatok összehasonlítása", "Adatok szerkesztése", "Ablak bezárása"]:
    expect(find(dl, cap) is not None, "transfer: %r" % cap)
none_nameless(dl, "transfer")
click(dl, "Adatok szerkesztése")
st = window("Harnvik  -  Beállítások")
print("== settings window"); walk(st)
for name in ["1. Felhasználó  (#USER1)", "2. Felhasználó  (#USER2)", "SMS továbbítás 1.  (#SMSFW1)",
             "SMS továbbítás 2.  (#SMSFW2)", "Automatikus tárcsázás (#AUTO)",
             "Külső vonal eléréséhez használt prefix szám (#PREFIX)"] + ["Eseménykód %d" % i for i in range(1, 10)]:
    g = find(st, name, "table")
    expect(g is not None, "settings: grid %r" % name)
    if g is not None:
        t = g.queryTable()
        expect(t.nRows == 1 and t.nColumns == g.childCount, "settings: %s is a one-row table of %d cells" % (name, g.childCount))
for name in ["SMS %d" % i for i in range(1, 10)] + ["IN2 bemenet"]:
    expect(find(st, name, "text") is not None, "settings: field %r" % name)
none_nameless(st, "settings")
closes(st, "Beállítások Visszavonása", "settings")
closes(dl, "Ablak bezárása", "transfer")
click(main, "Soros kapcsolat bontása")
time.sleep(0.3)
click(main, "Kilépés")
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
