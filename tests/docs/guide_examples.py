#!/usr/bin/env python3
"""The guides' examples, run as the installer would type them:
  guide_examples.py sh|cmd FOLDER GUIDE.md... -- RUNNER...

Takes every ```sh (or ```cmd) block out of each guide, in order; a block whose info string
is "sh machine" or "cmd machine" changes the machine or needs what a test cannot give, and
is only shown. The run blocks of one guide become one script, FOLDER/<guide>.sh (or .cmd),
each command followed by a line that notes its exit status; RUNNER... SCRIPT runs it in the
guide's own folder, FOLDER/<guide>/, with a stream of Enters on standard input (for batch).

A command is a line, with the lines that continue it: for sh until bash reads a whole
command (a loop, a line ending in \\), for cmd until the brackets close or a line ends
in ^. It passes with exit status 0, or 1 where 1 is the command's answer rather than a
fault: kelvaro-cli diff and compare (something differs) and find (no module answered);
cmd.exe's own commands may leave the status of the command before.
A failure names the guide, the block's line, its text and what the command printed.
"""
import os
import re
import shlex
import subprocess
import sys

FENCE = re.compile(r"^( *)(`{3,}|~{3,})\s*(.*)$")
ANSWERS_WITH_ONE = {"diff", "compare", "find"}
TIME_LIMIT_S = 300
# cmd.exe reads a script in the OEM code page, 852 on a Hungarian Windows.
CMD_CODE_PAGE = "cp852"


def blocks(path):
    """(line of the opening fence, language, shown only, [(line, text)]) for each block."""
    found, open_block = [], None
    with open(path, encoding="utf-8") as guide:
        for number, line in enumerate(guide, 1):
            line = line.rstrip("\n")
            fence = FENCE.match(line)
            if open_block is None:
                if fence:
                    indent, mark, info = fence.groups()
                    words = info.split()
                    open_block = (number, words[0] if words else "", "machine" in words[1:], indent, mark, [])
            elif fence and fence.group(2).startswith(open_block[4]) and not fence.group(3):
                found.append(open_block[:3] + (open_block[5],))
                open_block = None
            else:
                indent = open_block[3]
                open_block[5].append((number, line[len(indent):] if line.startswith(indent) else line.lstrip()))
    return found


def complete(language, text):
    if language == "sh":
        return not text.endswith("\\") and subprocess.run(["bash", "-n", "-c", text], stderr=subprocess.DEVNULL).returncode == 0
    outside_quotes = re.sub(r'"[^"]*"', "", text)
    return not text.endswith("^") and outside_quotes.count("(") <= outside_quotes.count(")")


def commands(language, lines):
    """(first line, text) of each command of a block."""
    result, pending = [], []
    for number, text in lines:
        if not pending and not text.strip():
            continue
        pending.append((number, text))
        joined = "\n".join(t for _, t in pending)
        if complete(language, joined):
            result.append((pending[0][0], joined))
            pending = []
    if pending:
        result.append((pending[0][0], "\n".join(t for _, t in pending)))
    return result


def script(language, runnable):
    """The script of a guide's commands, each framed by a mark in the output and its exit status."""
    if language == "sh":
        out = ['status_file="$0.status"']
        for number, text in runnable:
            out += [f"echo '== {number}'", text, f'echo "{number} $?" >>"$status_file"']
        return "\n".join(out) + "\n"
    out = ["@echo off"]
    for number, text in runnable:
        out += [f"echo == {number}", text, f'echo {number} %ERRORLEVEL% >>"%~f0.status"']
    return "\r\n".join(out) + "\r\n"


def passes(language, text, status, previous):
    if status == 0:
        return True
    words = text.split()
    program = os.path.basename(words[0]).lower() if words else ""
    if program in ("kelvaro-cli", "kelvaro-cli.exe"):
        return status == 1 and len(words) > 1 and words[1] in ANSWERS_WITH_ONE
    # cmd.exe's own commands (echo, set, cd) leave ERRORLEVEL as the command before left it.
    return language == "cmd" and status == previous


def run_guide(language, folder, guide, runner):
    name = os.path.splitext(os.path.basename(guide))[0]
    runnable, owner, shown = [], {}, 0
    failures = []
    for start, block_language, machine, lines in blocks(guide):
        if block_language != language:
            continue
        if machine:
            shown += 1
            continue
        block_text = "\n".join(t for _, t in lines)
        for number, text in commands(language, lines):
            if language == "cmd" and re.search(r"(^|\s)#", text):
                failures.append((start, block_text, number, text, "a # is no comment in cmd.exe", ""))
            runnable.append((number, text))
            owner[number] = (start, block_text)
    work = os.path.join(folder, name)
    os.makedirs(work, exist_ok=True)
    script_path = os.path.join(folder, f"{name}.{language}")
    try:
        encoded = script(language, runnable).encode("utf-8" if language == "sh" else CMD_CODE_PAGE)
    except UnicodeEncodeError as error:
        print(f"{guide}: a cmd.exe example holds {error.object[error.start:error.end]!r}, which a Hungarian"
              " Windows console cannot take", file=sys.stderr)
        return False
    with open(script_path, "wb") as out:
        out.write(encoded)
    status_path = script_path + ".status"
    if os.path.exists(status_path):
        os.remove(status_path)
    enters = "\n" * 100 if language == "sh" else "\r\n" * 100
    try:
        run = subprocess.run(runner + [script_path], cwd=work, input=enters.encode(), stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=TIME_LIMIT_S)
        output = run.stdout.decode("utf-8", "replace").replace("\r", "")
    except subprocess.TimeoutExpired as expired:
        output = (expired.stdout or b"").decode("utf-8", "replace").replace("\r", "") + f"\n(stopped after {TIME_LIMIT_S} s)"
    said = {int(m.group(1)): m.group(2) for m in re.finditer(r"^== (\d+)\n(.*?)(?=^== \d+$|\Z)", output, re.M | re.S)}
    statuses = {}
    if os.path.exists(status_path):
        with open(status_path, encoding="utf-8", errors="replace") as noted:
            for line in noted:
                fields = line.split()
                if len(fields) == 2:
                    statuses[int(fields[0])] = int(fields[1])
    previous = 0
    for number, text in runnable:
        start, block_text = owner[number]
        status = statuses.get(number)
        if status is None:
            failures.append((start, block_text, number, text, "never ended (the script stopped before it)", said.get(number, output)))
            break
        if not passes(language, text, status, previous):
            failures.append((start, block_text, number, text, f"ended with exit status {status}", said.get(number, "")))
        previous = status
    for start, block_text, number, text, what, printed in failures:
        print(f"{guide}:{start}: the ```{language} block\n{block_text}\n"
              f"failed at line {number}: {text!r} {what}; it printed:\n{printed.rstrip()}\n", file=sys.stderr)
    print(f"{guide}: {len(runnable)} {language} commands run, {len(failures)} failed; {shown} blocks shown only")
    return not failures


def main(argv):
    if len(argv) < 5 or argv[1] not in ("sh", "cmd") or "--" not in argv:
        print(__doc__, file=sys.stderr)
        return 2
    split = argv.index("--")
    language, folder, guides, runner = argv[1], argv[2], argv[3:split], argv[split + 1:]
    results = [run_guide(language, os.path.abspath(folder), guide, runner) for guide in guides]
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
