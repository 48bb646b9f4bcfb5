#!/usr/bin/env python3
"""Pseudo-terminals for Windows test programs under Wine, which cannot make their own.

    pty_broker.py PREFIX HARNVIK_SIM

Prints the TCP port it listens on (127.0.0.1) and serves until its standard input
closes. A test's pseudo-terminal pair is two connections: a control connection of
text lines, each answered "ok [...]" or "error <why>", and a data connection that
carries the master's bytes both ways.

    pty                   opens the connection's pair (raw on both sides); answers
                          "ok <id> <slave device>"
    data <id>             (first line of a data connection) attaches it to pair <id>
    link COMn             links the pair's slave as PREFIX/dosdevices/comn
    unlink COMn           links comn to a path that does not exist
    queued                answers "ok <n>": the bytes the pair's slave holds unread
    hangup                closes the pair's master, as an unplugged adapter does
    closeslave            closes the broker's own descriptor of the slave
    image                 names a fresh image file for the connection's module;
                          answers "ok <path>"
    sim COMn              starts HARNVIK_SIM on that image file, linked as
                          PREFIX/dosdevices/comn; answers "ok <its device>"
    ser2net DEVICE        starts ser2net in front of DEVICE on a free loopback port
                          with the guides' configuration (docs/examples/ser2net.yaml,
                          its device and port put in); answers "ok <port>" once it
                          takes connections
    killser2net           ends that ser2net at once (SIGKILL)

The broker keeps the slave open, so the master sees no hang-up while the program has
the port closed. A control connection's pair, module and ser2net end with it; the
links go at exit.
"""
import fcntl
import os
import selectors
import socket
import struct
import subprocess
import sys
import tempfile
import termios
import time
import tty

prefix, harnvik_sim = sys.argv[1:3]
ser2net_example = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../docs/examples/ser2net.yaml")
dosdevices = os.path.join(prefix, "dosdevices")
work = tempfile.mkdtemp(prefix="kelvaro-broker-")
nowhere = os.path.join(work, "no-such-device")
selector = selectors.DefaultSelector()
pairs = {}  # id -> Pair
links = set()
next_id = 1


class Pair:
    def __init__(self):
        self.master, self.slave = os.openpty()
        for fd in (self.master, self.slave):
            tty.setraw(fd)
        os.set_blocking(self.master, False)
        self.slave_path = os.ttyname(self.slave)
        self.data = None
        self.to_master = b""

    def close_master(self):
        if self.master is not None:
            if self.data is not None:
                selector.unregister(self.master)
            os.close(self.master)
            self.master = None

    def close(self):
        self.close_master()
        if self.slave is not None:
            os.close(self.slave)
            self.slave = None
        if self.data is not None:
            selector.unregister(self.data)
            self.data.close()
            self.data = None


def link(com, target):
    path = os.path.join(dosdevices, com.lower())
    tmp = path + ".new"
    if os.path.lexists(tmp):
        os.remove(tmp)
    os.symlink(target, tmp)
    os.replace(tmp, path)
    links.add(path)


def command(state, words):
    global next_id
    if words[0] == "pty":
        state["pair"] = next_id
        pairs[next_id] = Pair()
        next_id += 1
        return f"ok {state['pair']} {pairs[state['pair']].slave_path}"
    if words[0] == "unlink":
        link(words[1], nowhere)
        return "ok"
    if words[0] == "image":
        state["image"] = os.path.join(work, f"module-{next_id}.HVK")
        next_id += 1
        return "ok " + state["image"]
    if words[0] == "sim":
        module = subprocess.Popen([harnvik_sim, "--port", words[1], "--config-dir", work + "/config-" + words[1],
                                   "--image", state["image"]], stdout=subprocess.PIPE, stdin=subprocess.DEVNULL)
        state["module"] = module
        # It prints "COMn /dev/pts/N" once it answers.
        name, device = module.stdout.readline().decode().split()
        link(name, device)
        return "ok " + device
    if words[0] == "ser2net":
        return start_ser2net(state, words[1])
    if words[0] == "killser2net":
        end_ser2net(state)
        return "ok"
    pair = pairs.get(state["pair"])
    if pair is None:
        return "error no pair on this connection"
    if words[0] == "link":
        link(words[1], pair.slave_path)
    elif words[0] == "queued":
        return "ok " + str(struct.unpack("i", fcntl.ioctl(pair.slave, termios.FIONREAD, b"\0" * 4))[0])
    elif words[0] == "hangup":
        pair.close_master()
    elif words[0] == "closeslave":
        if pair.slave is not None:  # gone already when the program closed the data connection
            os.close(pair.slave)
            pair.slave = None
    else:
        return "error unknown command " + words[0]
    return "ok"


def start_ser2net(state, device):
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    with open(ser2net_example) as example:
        config = example.read().replace("/dev/ttyUSB0", device).replace("7217", str(port))
    path = os.path.join(work, f"ser2net-{port}.yaml")
    with open(path, "w") as out:
        out.write(config)
    state["ser2net"] = subprocess.Popen(["ser2net", "-n", "-d", "-c", path], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(500):
        with socket.socket() as test:
            if test.connect_ex(("127.0.0.1", port)) == 0:
                return f"ok {port}"
        time.sleep(0.01)
    end_ser2net(state)
    return f"error ser2net does not listen on port {port}"


def end_ser2net(state):
    if "ser2net" in state:
        server = state.pop("ser2net")
        server.kill()
        server.wait()


def receive(conn):
    """What the connection brings; b"" once it has closed, reset included (Windows resets
    a socket closed with bytes unread)."""
    try:
        return conn.recv(4096)
    except ConnectionResetError:
        return b""


def on_control(conn, state):
    chunk = receive(conn)
    if not chunk:
        selector.unregister(conn)
        conn.close()
        if state["pair"] in pairs:
            pairs.pop(state["pair"]).close()
        if "module" in state:
            state["module"].terminate()
            state["module"].wait()
        end_ser2net(state)
        return
    state["buffer"] += chunk
    while b"\n" in state["buffer"]:
        line, state["buffer"] = state["buffer"].split(b"\n", 1)
        words = line.decode().split()
        if state["pair"] is None and words and words[0] == "data":
            # A data connection: from here on raw bytes for the pair's master.
            selector.unregister(conn)
            pair = pairs[int(words[1])]
            pair.data = conn
            selector.register(conn, selectors.EVENT_READ, ("data", pair))
            selector.register(pair.master, selectors.EVENT_READ, ("master", pair))
            conn.sendall(b"ok\n")
            return
        try:
            answer = command(state, words)
        except (OSError, ValueError, IndexError, KeyError) as error:
            answer = f"error {error}"
        conn.sendall(answer.encode() + b"\n")


def on_data(pair):
    if pair.data is None:  # closed by an earlier event of the same turn
        return
    chunk = receive(pair.data)
    if not chunk:
        pair.close()
        return
    if pair.master is not None:
        os.set_blocking(pair.master, True)
        os.write(pair.master, chunk)
        os.set_blocking(pair.master, False)


def on_master(pair):
    if pair.master is None:
        return
    try:
        chunk = os.read(pair.master, 4096)
    except OSError:
        chunk = b""
    if chunk:
        try:
            pair.data.sendall(chunk)
        except OSError:  # the test program has gone
            pair.close()
    else:
        # The slave is closed for good: the master has nothing more to give.
        selector.unregister(pair.master)
        os.close(pair.master)
        pair.master = None


server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(64)
selector.register(server, selectors.EVENT_READ, ("accept", None))
selector.register(sys.stdin, selectors.EVENT_READ, ("stdin", None))
print(server.getsockname()[1], flush=True)
try:
    while True:
        for key, _ in selector.select():
            kind, what = key.data
            if kind == "accept":
                conn, _ = server.accept()
                conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
                selector.register(conn, selectors.EVENT_READ, ("control", {"buffer": b"", "pair": None}))
            elif kind == "control":
                on_control(key.fileobj, what)
            elif kind == "data":
                on_data(what)
            elif kind == "master":
                on_master(what)
            elif kind == "stdin" and not sys.stdin.buffer.read1(4096):
                raise SystemExit(0)
finally:
    for path in links:
        if os.path.islink(path):
            os.remove(path)
    subprocess.run(["rm", "-rf", work], check=False)
