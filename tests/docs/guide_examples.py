#!/usr/bin/env python3
"""The guides' examples, run as the installer would type them:
  guide_examples.py sh|cmd FOLDER GUIDE.md... -- RUNNER...

Every ```sh (or ```cmd) block of a guide, in order, except those marked "sh machine" or
"cmd machine" (shown only), goes into one script, FOLDER/<guide>.sh (or .cmd in code page
852, as a Hungarian console reads it), each command followed by a line noting its exit
status; RUNNER... SCRIPT runs it in FOLDER/<guide>/ with Enters on standard input. A
command is a line with the lines that continue it (sh: until bash reads a whole command;
cmd: until the brackets close, or after a ^). It passes with status 0; with 1 for
kelvaro-cli diff, compare (something differs) and find (no module answered); and for
cmd.exe's own commands with the status of the command before, which they keep.
"""
import os
import re
import subprocess
import sys

FENCE = re.compile(r"^( *)(```|~~~)\s*(.*)$")
ANSWERS_WITH_ONE = ("diff", "compare", "find")
ENCODING = {"sh": "utf-8", "cmd": "cp852"}
TIME_LIMIT_S = 300


def blocks(path):
    """(line of the opening fence, language, shown only, [(line, text)]) of each block."""
    found, block = [], None
    for number, line in enumerate(open(path, encoding="utf-8").read().splitlines(), 1):
        fence = FENCE.match(line)
        if block is None and fence:
            words = fence.group(3).split() or [""]
            block = (number, words[0], "machine" in words[1:], fence.group(1), [])
        elif block and fence and not fence.group(3):
            found.append(block[:3] + (block[4],))
            block = None
        elif block:
            block[4].append((number, line[len(block[3]):] if line.startswith(block[3]) else line.lstrip()))
    return found


def complete(language, text):
    if language == "sh":
        return not text.endswith("\\") and subprocess.run(["bash", "-n", "-c", text], stderr=subprocess.DEVNULL).returncode == 0
    bare = re.sub(r'"[^"]*"', "", text)
    return not text.endswith("^") and bare.count("(") <= bare.count(")")


def commands(language, lines):
    """(first line, text) of each command of a block."""
    result, pending = [], []
    for number, text in lines:
        if pending or text.strip():
            pending.append((number, text))
            if complete(language, "\n".join(t for _, t in pending)):
                result.append((pending[0][0], "\n".join(t for _, t in pending)))
                pending = []
    return result + ([(pending[0][0], "\n".join(t for _, t in pending))] if pending else [])


def script(language, runnable):
    if language == "sh":
        lines = [f"echo '== {n}'\n{text}\necho \"{n} $?\" >>\"$0.status\"" for n, text in runnable]
        return "\n".join(lines) + "\n"
    lines = ["@echo off"] + [f"echo == {n}\r\n{text}\r\necho {n} %ERRORLEVEL% >>\"%~f0.status\"" for n, text in runnable]
    return "\r\n".join(lines) + "\r\n"


def passes(language, text, status, previous):
    words = text.split() + ["", ""]
    if status == 0:
        return True
    if os.path.basename(words[0]).lower() in ("kelvaro-cli", "kelvaro-cli.exe"):
        return status == 1 and words[1] in ANSWERS_WITH_ONE
    return language == "cmd" and status == previous


def run_guide(language, folder, guide, runner):
    name = os.path.splitext(os.path.basename(guide))[0]
    runnable, shown, failures = [], 0, []
    for start, block_language, machine, lines in blocks(guide):
        if block_language == language and machine:
            shown += 1
        elif block_language == language:
            block_text = "\n".join(t for _, t in lines)
            for number, text in commands(language, lines):
                runnable.append((number, text, start, block_text))
                if language == "cmd" and re.search(r"(^|\s)#", text):
                    failures.append((runnable[-1], "holds a #, which cmd.exe passes on as it stands", ""))
    script_path = os.path.join(folder, f"{name}.{language}")
    os.makedirs(os.path.join(folder, name), exist_ok=True)
    try:
        text = script(language, [(n, t) for n, t, _, _ in runnable]).encode(ENCODING[language])
    except UnicodeEncodeError as error:
        print(f"{guide}: {error.object[error.start:error.end]!r} cannot be typed in a Hungarian console", file=sys.stderr)
        return False
    with open(script_path, "wb") as out:
        out.write(text)
    if os.path.exists(script_path + ".status"):
        os.remove(script_path + ".status")
    try:
        output = subprocess.run(runner + [script_path], cwd=os.path.join(folder, name), input=b"\r\n" * 100,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=TIME_LIMIT_S).stdout
    except subprocess.TimeoutExpired as expired:
        output = (expired.stdout or b"") + f"\n(stopped after {TIME_LIMIT_S} s)".encode()
    output = output.decode("utf-8", "replace").replace("\r", "")
    said = dict(re.findall(r"^== (\d+)\n(.*?)(?=^== \d+$|\Z)", output, re.M | re.S))
    noted = open(script_path + ".status").read().split() if os.path.exists(script_path + ".status") else []
    statuses = dict(zip(noted[0::2], map(int, noted[1::2])))
    previous = 0
    for command in runnable:
        status = statuses.get(str(command[0]))
        if status is None:
            failures.append((command, "never ended: the script stopped before it", said.get(str(command[0]), output)))
            break
        if not passes(language, command[1], status, previous):
            failures.append((command, f"ended with exit status {status}", said.get(str(command[0]), "")))
        previous = status
    for (number, text, start, block_text), what, printed in failures:
        print(f"{guide}:{start}: the ```{language} block\n{block_text}\nfailed at line {number}, {text!r}: {what}."
              f" It printed:\n{printed.rstrip()}\n", file=sys.stderr)
    print(f"{guide}: {len(runnable)} {language} commands run, {len(failures)} failed; {shown} blocks shown only")
    return not failures


if __name__ == "__main__":
    if len(sys.argv) < 5 or sys.argv[1] not in ENCODING or "--" not in sys.argv:
        sys.exit(__doc__)
    split = sys.argv.index("--")
    results = [run_guide(sys.argv[1], os.path.abspath(sys.argv[2]), guide, sys.argv[split + 1:]) for guide in sys.argv[3:split]]
    sys.exit(0 if all(results) else 1)
