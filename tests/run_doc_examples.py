#!/usr/bin/env python3
"""Runs the examples of one document (README.md, docs/*.md or a manual page),
so that the documents cannot drift from the program.

Every example block carries a marker on the line before it:
  Markdown:     <!-- example: KIND -->   then a fenced block
  manual page:  .\\" example: KIND        then .nf ... .fi (or .EX ... .EE)
KIND is `session`, `terminal`, `file NAME` or `shown: REASON`; docs/DEVELOPMENT.md
says what each means. A block without a marker fails the test.

usage: run_doc_examples.py --build DIR --source DIR --work DIR DOCUMENT
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

MARKDOWN_MARKER = re.compile(r"^<!--\s*example:\s*(.*?)\s*-->\s*$")
MAN_MARKER = re.compile(r'^\.\\"\s*example:\s*(.*?)\s*$')
MAN_OPEN = (".nf", ".EX")
MAN_CLOSE = {".nf": ".fi", ".EX": ".EE"}
TROFF_ESCAPES = [("\\(aq", "'"), ("\\(dq", '"'), ("\\(ga", "`"), ("\\(ti", "~"),
                 ("\\(ha", "^"), ("\\-", "-"), ("\\&", ""), ("\\e", "\\")]
NOT_TYPED = re.compile(r"^(## ZIFFRALON V.* ##|\?<ENTER> fuer Hilfe)$")


class Block:
    def __init__(self, kind, line, text):
        self.kind, self.line, self.text = kind, line, text


def markdown_blocks(lines):
    blocks, marker = [], None
    index = 0
    while index < len(lines):
        line = lines[index]
        found = MARKDOWN_MARKER.match(line)
        if found:
            marker = (found.group(1), index + 1)
        elif line.startswith("```"):
            fence = re.match(r"^`+", line).group(0)
            start = index + 1
            index += 1
            while index < len(lines) and lines[index].rstrip() != fence:
                index += 1
            if marker is None or marker[1] != start - 1:
                raise SystemExit(f"line {start}: a fenced block without an example marker right before it")
            blocks.append(Block(marker[0], start, "".join(l + "\n" for l in lines[start:index])))
            marker = None
        index += 1
    return blocks


def troff_text(line):
    for escape, plain in TROFF_ESCAPES:
        line = line.replace(escape, plain)
    return line


def man_blocks(lines):
    """The SYNOPSIS section's block is a synopsis, not an example."""
    blocks, marker, section = [], None, ""
    index = 0
    while index < len(lines):
        line = lines[index]
        found = MAN_MARKER.match(line)
        if line.startswith(".SH"):
            section = line[3:].strip()
        if found:
            marker = (found.group(1), index + 1)
        elif line.strip() in MAN_OPEN:
            close = MAN_CLOSE[line.strip()]
            start = index + 1
            index += 1
            while index < len(lines) and lines[index].strip() != close:
                index += 1
            if section == "SYNOPSIS":
                marker = None
            elif marker is None or marker[1] != start - 1:
                raise SystemExit(f"line {start}: a {line.strip()} block without an example marker right before it")
            else:
                blocks.append(Block(marker[0], start, "".join(troff_text(l) + "\n" for l in lines[start:index])))
            marker = None
        index += 1
    return blocks


def expected_pattern(lines):
    """The expected output as a regular expression: a line `...` is any lines."""
    parts = []
    for line in lines:
        parts.append(r"(?:.*\n)*?" if line == "..." else re.escape(line + "\n"))
    return re.compile("".join(parts) + r"\Z")


def split_session(block):
    """[(command, expected output lines)] of a session block."""
    steps = []
    for line in block.text.splitlines():
        if line.startswith("$ "):
            steps.append([line[2:], []])
        elif not steps:
            raise SystemExit(f"line {block.line}: a session must start with '$ '")
        elif line.startswith("> ") and not steps[-1][1]:
            steps[-1][0] += "\n" + line[2:]
        elif line == ">" and not steps[-1][1]:
            steps[-1][0] += "\n"
        else:
            steps[-1][1].append(line)
    return steps


def check(what, output, expected_lines):
    output = output.replace("\r", "")
    if not expected_pattern(expected_lines).match(output):
        expected = "".join(l + "\n" for l in expected_lines)
        return f"{what}\n--- expected\n{expected}--- got\n{output}---"
    return None


def heredoc(text, path):
    return f"cat > {path!r} <<'ZIFFRALON_DOCUMENT_TEXT'\n{text}ZIFFRALON_DOCUMENT_TEXT\n"


def document_script(blocks, outputs):
    """One bash script for the whole document, in its order, so that files,
    variables, `export` and `cd` carry over from block to block; each step's
    output goes to its own file. Returns the script and the steps to compare."""
    script, steps = [], []
    for block in blocks:
        kind = block.kind
        if kind.startswith("file "):
            script.append(heredoc(block.text, kind[5:].strip()))
        elif kind == "session":
            for command, expected in split_session(block):
                out = os.path.join(outputs, str(len(steps)))
                script.append(f"{{ {command}\n}} > {out!r} 2>&1 < /dev/null\n")
                steps.append((f"line {block.line}: $ {command}", out, expected))
        elif kind == "terminal":
            lines = block.text.splitlines()
            if not lines or not lines[0].startswith("$ "):
                raise SystemExit(f"line {block.line}: a terminal block starts with '$ ziffralon'")
            is_typed = [bool(l) and "\t" not in l and not NOT_TYPED.match(l) for l in lines[1:]]
            typed = "".join(l + "\n" for l, t in zip(lines[1:], is_typed) if t)
            shown = [l for l, t in zip(lines[1:], is_typed) if not t]
            out = os.path.join(outputs, str(len(steps)))
            script.append(heredoc(typed, out + ".in"))
            script.append(f"{{ {lines[0][2:]}\n}} > {out!r} 2>&1 < {out + '.in'!r}\n")
            steps.append((f"line {block.line}: {lines[0]}", out, shown))
        elif not (kind.startswith("shown:") and kind[6:].strip()):
            raise SystemExit(f"line {block.line}: unknown example kind '{kind}' (or 'shown:' without a reason)")
    return "".join(script), steps


def main():
    arguments = argparse.ArgumentParser()
    arguments.add_argument("--build", required=True)
    arguments.add_argument("--source", required=True)
    arguments.add_argument("--work", required=True)
    arguments.add_argument("document")
    options = arguments.parse_args()

    with open(options.document) as document:
        lines = document.read().splitlines()
    is_markdown = options.document.endswith(".md")
    blocks = markdown_blocks(lines) if is_markdown else man_blocks(lines)

    shutil.rmtree(options.work, ignore_errors=True)
    home = os.path.join(options.work, "home")
    scratch = os.path.join(options.work, "scratch")
    os.makedirs(home)
    os.makedirs(scratch)
    os.symlink(os.path.abspath(options.source), os.path.join(scratch, "ziffralon"))
    subprocess.run(["cmake", "--install", options.build, "--prefix", os.path.join(home, ".local")],
                   check=True, stdout=subprocess.DEVNULL)
    # As if installed for the system: the manual pages' build commands name no prefix.
    prefix = os.path.join(home, ".local")
    env = {"HOME": home, "PATH": os.path.join(prefix, "bin") + ":" + os.environ["PATH"],
           "PKG_CONFIG_PATH": os.path.join(prefix, "lib", "pkgconfig"), "CMAKE_PREFIX_PATH": prefix,
           "LANG": "C", "LC_ALL": "C", "TERM": "dumb"}

    outputs = os.path.join(options.work, "outputs")
    os.makedirs(outputs)
    script, steps = document_script(blocks, outputs)
    subprocess.run(["bash", "-c", script], cwd=scratch, env=env, timeout=900)
    failures = []
    for what, out, expected in steps:
        with open(out, errors="replace") as produced:
            failure = check(what, produced.read(), expected)
        if failure:
            failures.append(failure)
    shown = sum(block.kind.startswith("shown:") for block in blocks)
    print(f"{options.document}: {len(steps)} commands of {len(blocks) - shown} examples run, "
          f"{shown} blocks shown only, {len(failures)} failed")
    if failures:
        print("\n".join(failures))
        sys.exit(1)


if __name__ == "__main__":
    main()
